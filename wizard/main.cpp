#include "wizard/galvane_app.h"

int main(int argc, char** argv) {
    CGalvaneApp app(argc, argv);
    return app.RunWizard();
}
