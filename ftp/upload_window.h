#pragma once

#include <string>
#include <vector>

// How a run ended, for the window to show and to give its controls back.
struct UploadResult {
    bool completed = false;  // went through every file ("Transfer complete"), whatever their fate
    int sent = 0;
    int skipped = 0;  // held unchanged by the server; they count as handled
    int failed = 0;
    bool fellBackToPassive = false;
    int removed = 0;  // files an earlier upload sent, no longer local, deleted from the server
    // Files sent again because someone changed them on the server since Galvane sent them.
    std::vector<std::string> replacedChanged;
    // Files no longer local that stayed on the server because someone changed them there.
    std::vector<std::string> keptChanged;
};

// What an upload reports to the window that hosts it; the window enables its own controls. The
// upload calls these from its worker thread; a Qt window serves them in its GUI thread.
class UploadWindow {
public:
    virtual ~UploadWindow() = default;

    // The one-line (two lines tall) status text beside the Start button.
    virtual void SetStatusText(const std::string& text) = 0;
    // The progress bar's range, always starting at 0.
    virtual void SetProgressRange(int upper) = 0;
    virtual void SetProgressPosition(int position) = 0;
    // A modal Yes/No question owned by the window, with an exclamation icon; true means Yes.
    virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
    // Why the run or a file failed, once more on its own (the status line has it already); a
    // terminal shows it on stderr.
    virtual void ReportFailure(const std::string& /*reason*/) {}
    // The run's last call, after its last status text; not made once the run was aborted.
    virtual void UploadEnded(const UploadResult& result) = 0;
};
