#include "uploader/uploader_app.h"

int main(int argc, char** argv) {
    CUploaderApp app(argc, argv);
    return app.Run();
}
