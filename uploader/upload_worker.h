#pragma once

#include <QObject>

#include <atomic>
#include <thread>

#include "ftp/ftp_uploader.h"

// Runs FtpUploader on a thread of its own, one run per Start, for a window that stays responsive.
// The window must outlive the worker's thread: AbortAndWait ends a run before the window goes away.
class UploadWorker : public QObject {
    Q_OBJECT

public:
    explicit UploadWorker(UploadWindow& window, QObject* parent = nullptr);
    ~UploadWorker() override;

    FtpUploader& Uploader() { return m_uploader; }
    bool IsRunning() const { return m_running.load(); }

    // Starts a run with these inputs; refused (false) while the previous run is still going.
    bool Start(FtpUploadInputs inputs);
    // GUI thread: aborts the run and waits for its thread. Meanwhile the events of this thread are
    // served, since the run may be waiting in a blocking call into it.
    void AbortAndWait();

signals:
    // Posted to this object's thread once a run has returned.
    void finished();

private:
    FtpUploader m_uploader;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
};
