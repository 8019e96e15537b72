#pragma once

#include <string>

// What an upload needs of the window that hosts it. The upload calls these from its worker thread;
// a Qt window implements them with blocking calls into its GUI thread.
class UploadWindow {
public:
    virtual ~UploadWindow() = default;

    // The one-line (two lines tall) status text beside the Start button.
    virtual void SetStatusText(const std::string& text) = 0;
    // The progress bar's range, always starting at 0.
    virtual void SetProgressRange(int upper) = 0;
    virtual void SetProgressPosition(int position) = 0;
    // The Start button alone.
    virtual void EnableStart(bool enable) = 0;
    // The whole set of input controls of the window (fields, labels, Browse, progress bar).
    virtual void EnableInputs(bool enable) = 0;
    // A modal Yes/No question owned by the window, with an exclamation icon; true means Yes.
    virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
    // Why the run or a file failed, once more on its own (the status line has it already); a
    // terminal shows it on stderr.
    virtual void ReportFailure(const std::string& /*reason*/) {}
};
