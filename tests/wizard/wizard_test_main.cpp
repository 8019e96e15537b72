#include <gtest/gtest.h>

#include <cstdlib>

#include "wizard/galvane_app.h"

// The pages need the application object, which holds the gallery job. Without a display the
// offscreen platform stands in, also when the tests are listed at build time.
int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    testing::InitGoogleTest(&argc, argv);
    CGalvaneApp app(argc, argv);
    return RUN_ALL_TESTS();
}
