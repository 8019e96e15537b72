#include "uploader/host/upload_host.h"

#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QThread>

#include <utility>

#include "ftp/upload_status_texts.h"

UploadHost::UploadHost(QWidget* owner, QLabel* status, QProgressBar* progress)
    : m_owner(owner), m_status(status), m_progress(progress) {}

UploadHost::~UploadHost() {
    Abort();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool UploadHost::Start(FtpUploadInputs inputs) {
    if (m_running) {
        return false;
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_uploader.SetInputs(std::move(inputs));
    m_resultArrived = false;
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    if (m_summary != nullptr) {
        m_summary->clear();
    }
    m_running = true;
    m_thread = std::thread([this] {
        m_uploader.Run();
        QMetaObject::invokeMethod(this, &UploadHost::OnWorkerEnded, Qt::QueuedConnection);
    });
    return true;
}

void UploadHost::Abort() {
    {
        std::lock_guard lock(m_mutex);
        m_aborted = true;
    }
    m_wake.notify_all();
    m_uploader.Abort();
    if (m_question) {
        m_question->close();
    }
}

void UploadHost::OnWorkerEnded() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_running = false;
    if (m_summary != nullptr && m_resultArrived) {
        m_summary->setText(QString::fromStdString(upload_status::UploadSummary(m_result)));
    }
    emit Ended();
}

void UploadHost::InGuiThread(std::function<void()> call) {
    if (QThread::currentThread() == thread()) {
        call();
        return;
    }
    auto done = std::make_shared<bool>(false);
    // Dropped by Qt if this object is gone; skipped once aborted, when the worker no longer waits.
    QMetaObject::invokeMethod(
        this,
        [this, call = std::move(call), done] {
            {
                std::lock_guard lock(m_mutex);
                if (m_aborted) {
                    return;
                }
            }
            call();
            {
                std::lock_guard lock(m_mutex);
                *done = true;
            }
            m_wake.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [&] { return *done || m_aborted; });
}

void UploadHost::SetStatusText(const std::string& text) {
    InGuiThread([this, status = QString::fromStdString(text)] {
        m_status->setText(status);
        emit StatusShown(status);
    });
}

void UploadHost::SetProgressRange(int upper) {
    // The whole range: a gallery may hold more than 65535 files. A range of 0..0 would turn the bar
    // into a busy indicator that never stops, so an empty folder shows an empty bar.
    InGuiThread([this, upper] { m_progress->setRange(0, upper > 0 ? upper : 1); });
}

void UploadHost::SetProgressPosition(int position) {
    InGuiThread([this, position] { m_progress->setValue(position); });
}

// A run that reached its files says how they fared, on a line of its own below the last status text.
void UploadHost::UploadEnded(const UploadResult& result) {
    InGuiThread([this, result] {
        m_result = result;
        m_resultArrived = true;
    });
}

// The box is opened without a nested event loop and the worker waits for the answer: the window
// can then still close while it is open, which answers No.
bool UploadHost::AskYesNo(const std::string& text, const std::string& caption) {
    const QString question = QString::fromStdString(text);
    const QString title = QString::fromStdString(caption);
    if (QThread::currentThread() == thread()) {
        return QMessageBox::warning(m_owner, title, question, QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    }
    {
        std::lock_guard lock(m_mutex);
        m_answered = false;
        m_yes = false;
    }
    InGuiThread([this, question, title] { OpenQuestion(question, title); });
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [&] { return m_answered || m_aborted; });
    return m_answered && m_yes && !m_aborted;
}

void UploadHost::OpenQuestion(const QString& text, const QString& caption) {
    auto* box =
        new QMessageBox(QMessageBox::Warning, caption, text, QMessageBox::Yes | QMessageBox::No, m_owner);
    box->setObjectName("subfolderQuestion");
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this,
            [this, box] { Answer(box->clickedButton() == box->button(QMessageBox::Yes)); });
    m_question = box;
    box->open();
}

void UploadHost::Answer(bool yes) {
    {
        std::lock_guard lock(m_mutex);
        m_answered = true;
        m_yes = yes;
    }
    m_wake.notify_all();
}
