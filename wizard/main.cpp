#include <cstdio>
#include <cstring>

#include "engine/program_version.h"
#include "wizard/galvane_app.h"

int main(int argc, char** argv) {
    // Answered before the application object exists: they must work without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("galvane %s\n", kProgramVersionText);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::printf(
                "usage: galvane [--version] [--help]\n"
                "\n"
                "Opens the wizard that publishes a folder of photos as a web gallery.\n"
                "\n"
                "  --version  print the program's version, then exit\n"
                "  --help     print this text, then exit\n");
            return 0;
        }
    }
    CGalvaneApp app(argc, argv);
    return app.RunWizard();
}
