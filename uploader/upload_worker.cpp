#include "uploader/upload_worker.h"

#include <QEventLoop>

UploadWorker::UploadWorker(UploadWindow& window, QObject* parent) : QObject(parent), m_uploader(window) {}

UploadWorker::~UploadWorker() {
    AbortAndWait();
}

bool UploadWorker::Start(FtpUploadInputs inputs) {
    if (m_running) {
        return false;
    }
    if (m_thread.joinable()) {
        m_thread.join();  // the last run has returned; its thread is only ending
    }
    m_uploader.SetInputs(std::move(inputs));
    m_running = true;
    m_thread = std::thread([this] {
        m_uploader.Run();
        m_running = false;
        QMetaObject::invokeMethod(this, &UploadWorker::finished, Qt::QueuedConnection);
    });
    return true;
}

void UploadWorker::AbortAndWait() {
    if (!m_thread.joinable()) {
        return;
    }
    m_uploader.Abort();
    QEventLoop loop;
    connect(this, &UploadWorker::finished, &loop, &QEventLoop::quit);
    // A finished() left over from an earlier run may come first: wait until this one has returned.
    while (m_running) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    m_thread.join();
}
