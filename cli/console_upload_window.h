#pragma once

#include <cstdio>
#include <string>

#include "ftp/upload_window.h"

// Shows the upload's status lines on a terminal, one per line, and answers its one question
// ("create the missing subfolder?") as the command line said.
class ConsoleUploadWindow final : public UploadWindow {
public:
    ConsoleUploadWindow(std::FILE* out, bool createSubfolder)
        : m_out(out), m_createSubfolder(createSubfolder) {}

    void SetStatusText(const std::string& text) override;
    void SetProgressRange(int) override {}
    void SetProgressPosition(int) override {}
    bool AskYesNo(const std::string& text, const std::string& caption) override;
    void ReportFailure(const std::string& reason) override;
    // The summary is the caller's: it prints it once the run has returned, also after an abort.
    void UploadEnded(const UploadResult&) override {}

private:
    std::FILE* m_out;
    bool m_createSubfolder;
};

// The FTP password: GALVANE_FTP_PASSWORD, else asked on the terminal without echo. Nothing when
// neither is available.
bool ReadFtpPassword(std::string& password);
