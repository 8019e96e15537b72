#include <cstdio>
#include <cstring>

#include "uploader/uploader_app.h"

int main(int argc, char** argv) {
    // Answered before the application object exists: they must work without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("skiffer %s\n", SKIFFER_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::printf(
                "usage: skiffer [--version] [--help]\n"
                "\n"
                "Opens the window that uploads every file of a folder to an FTP server.\n"
                "\n"
                "  --version  print the program's version, then exit\n"
                "  --help     print this text, then exit\n");
            return 0;
        }
    }
    CUploaderApp app(argc, argv);
    return app.Run();
}
