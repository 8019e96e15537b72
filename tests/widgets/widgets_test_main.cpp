#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

// The controls need a QApplication; without a display the offscreen platform stands in, also when
// the tests are listed at build time.
int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
