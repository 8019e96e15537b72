#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "ftp/ftp_uploader.h"

class QLabel;
class QMessageBox;
class QProgressBar;
class QWidget;

// Hosts one upload for a Qt window: runs FtpUploader on a thread of its own and shows what it
// reports on the window's status label, progress bar and one question box; a run that reached its
// files ends with their summary on a line below the last status text. The worker waits for
// each report to be shown, but never the GUI thread for the worker: Abort answers an open question
// No, drops what is still to be shown and returns at once; Ended follows when the run has returned.
class UploadHost : public QObject, public UploadWindow {
    Q_OBJECT

public:
    // `owner` parents the question box; the three widgets must outlive this object.
    UploadHost(QWidget* owner, QLabel* status, QProgressBar* progress);
    // Aborts a run still going and joins its thread, which by then waits for nothing here.
    ~UploadHost() override;

    FtpUploader& Uploader() { return m_uploader; }
    bool IsRunning() const { return m_running; }
    // The result of the latest run that was not aborted.
    const UploadResult& Result() const { return m_result; }

    // A label that shows, once a run has ended, the one line that sums it up; emptied at Start.
    void SetSummaryLabel(QLabel* summary) { m_summary = summary; }

    // Starts a run with these inputs; refused (false) while the previous one is still going. The
    // bar starts empty, so that a run that fails shows how far it came, not how far the last went.
    bool Start(FtpUploadInputs inputs);
    // GUI thread, any time: ends the run under way without waiting for it.
    void Abort();

    // UploadWindow, from the worker's thread (or the GUI thread itself).
    void SetStatusText(const std::string& text) override;
    void SetProgressRange(int upper) override;
    void SetProgressPosition(int position) override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;
    void UploadEnded(const UploadResult& result) override;

signals:
    // After the status label took `text`.
    void StatusShown(const QString& text);
    // In the GUI thread, once the run has returned and its thread is joined.
    void Ended();

private:
    // Runs `call` in the GUI thread and waits until it ran or the run was aborted.
    void InGuiThread(std::function<void()> call);
    void OpenQuestion(const QString& text, const QString& caption);
    void Answer(bool yes);
    void OnWorkerEnded();

    QWidget* m_owner;
    QLabel* m_status;
    QProgressBar* m_progress;
    QLabel* m_summary = nullptr;
    FtpUploader m_uploader{*this};
    std::thread m_thread;
    bool m_running = false;        // GUI thread only
    UploadResult m_result;         // GUI thread only
    bool m_resultArrived = false;  // GUI thread only: the run under way has given its result
    QPointer<QMessageBox> m_question;

    // Shared with the worker: whether the run was aborted, and the open question's answer.
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_aborted = false;
    bool m_answered = false;
    bool m_yes = false;
};
