// Runs one upload from the console, for the upload benchmark:
//     ftp_upload_driver FOLDER HOST[:PORT] LOGIN [SUBFOLDER]
// The password comes from the environment variable GALVANE_FTP_PASSWORD, never from the command line.
// Prints every status line but the per-file ones; exits with 0 when every file was sent.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ftp/ftp_uploader.h"

namespace {

class ConsoleWindow : public UploadWindow {
public:
    void SetStatusText(const std::string& text) override {
        if (text.rfind("Transfered ", 0) != 0) {
            std::fprintf(stderr, "%s\n", text.c_str());
        }
    }
    void SetProgressRange(int) override {}
    void SetProgressPosition(int) override {}
    bool AskYesNo(const std::string& text, const std::string&) override {
        std::fprintf(stderr, "%s Yes\n", text.c_str());
        return true;
    }
    void UploadEnded(const UploadResult&) override {}
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc > 5) {
        std::fprintf(stderr,
                     "usage: %s FOLDER HOST[:PORT] LOGIN [SUBFOLDER]  (password in GALVANE_FTP_PASSWORD)\n",
                     argv[0]);
        return 2;
    }
    const char* password = std::getenv("GALVANE_FTP_PASSWORD");
    ConsoleWindow window;
    FtpUploader uploader(window);
    uploader.SetInputs({argv[1], argv[2], argv[3], password ? password : "", argc == 5 ? argv[4] : ""});
    uploader.Run();
    std::fprintf(stderr, "sent %d, failed %d\n", uploader.FilesSent(), uploader.FilesFailed());
    return uploader.Completed() && uploader.FilesFailed() == 0 ? 0 : 1;
}
