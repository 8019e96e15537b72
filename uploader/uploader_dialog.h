#pragma once

#include <QDialog>
#include <QString>

#include <atomic>
#include <functional>
#include <future>
#include <memory>

#include "ftp/upload_window.h"
#include "uploader/upload_worker.h"

class QAction;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// Skiffer's one window: a source folder, the FTP fields, Start, a status line and a progress bar.
// It hosts the upload as its UploadWindow: the upload's worker thread calls in, and each call is run
// in the GUI thread while the worker waits.
class CUploaderDialog : public QDialog, public UploadWindow {
    Q_OBJECT

public:
    // Asks the user for a folder; an empty result means cancelled.
    using FolderChooser = std::function<QString(QWidget* parent, const QString& title)>;

    explicit CUploaderDialog(QWidget* parent = nullptr);
    ~CUploaderDialog() override;

    // Replaces the folder dialog behind Browse (tests answer it themselves).
    void SetFolderChooser(FolderChooser chooser) { m_chooseFolder = std::move(chooser); }
    FtpUploader& Uploader() { return m_worker.Uploader(); }
    bool IsUploading() const { return m_worker.IsRunning(); }

    // UploadWindow, from the upload's thread.
    void SetStatusText(const std::string& text) override;
    void SetProgressRange(int upper) override;
    void SetProgressPosition(int position) override;
    void EnableStart(bool enable) override;
    void EnableInputs(bool enable) override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;

public slots:
    // Every way of closing comes here: an upload under way is aborted and waited for first.
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void BuildControls();
    void Browse();
    void Start();
    void ShowAbout();
    void StopUpload();
    void OpenQuestion(const QString& text, const QString& caption,
                      std::shared_ptr<std::promise<bool>> answer);
    void Answer(bool yes);
    // Runs `call` in the GUI thread and waits for it; skipped once the window is closing.
    // Returns whether it ran.
    bool InGuiThread(const std::function<void()>& call);

    QLineEdit* m_source = nullptr;
    QPushButton* m_browse = nullptr;
    QLabel* m_serverLabel = nullptr;
    QLineEdit* m_server = nullptr;
    QLabel* m_loginLabel = nullptr;
    QLineEdit* m_login = nullptr;
    QLabel* m_subfolderLabel = nullptr;
    QLineEdit* m_subfolder = nullptr;
    QLabel* m_passwordLabel = nullptr;
    QLineEdit* m_password = nullptr;
    QPushButton* m_start = nullptr;
    QLabel* m_status = nullptr;
    QProgressBar* m_progress = nullptr;
    QAction* m_about = nullptr;

    FolderChooser m_chooseFolder;
    std::shared_ptr<std::promise<bool>> m_pendingAnswer;  // the open question's, GUI thread only
    std::atomic<bool> m_closing{false};
    UploadWorker m_worker{*this};
};
