#pragma once

#include <QDialog>
#include <QString>

#include <functional>

#include "uploader/host/upload_host.h"

class QAction;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// Skiffer's one window: a source folder, the FTP fields, Start, a status line and a progress bar.
// The upload runs in an UploadHost that shows its reports; the dialog enables its own controls
// around a run.
class CUploaderDialog : public QDialog {
    Q_OBJECT

public:
    // Asks the user for a folder; an empty result means cancelled.
    using FolderChooser = std::function<QString(QWidget* parent, const QString& title)>;

    explicit CUploaderDialog(QWidget* parent = nullptr);
    ~CUploaderDialog() override;

    // Replaces the folder dialog behind Browse (tests answer it themselves).
    void SetFolderChooser(FolderChooser chooser) { m_chooseFolder = std::move(chooser); }
    FtpUploader& Uploader() { return m_host->Uploader(); }
    UploadHost& Host() { return *m_host; }
    bool IsUploading() const { return m_host->IsRunning(); }

public slots:
    // Every way of closing comes here. During an upload it aborts the upload and returns at once;
    // the dialog closes for real when the upload reports its end.
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void BuildControls();
    void Browse();
    void Start();
    // Says which of the fields an upload needs is empty, in a "Warning" box; true when one was.
    bool RefuseMissingField();
    void ShowAbout();
    void EnableControls(bool enable);
    void UploadEnded();

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
    QLabel* m_summary = nullptr;
    QAction* m_about = nullptr;

    FolderChooser m_chooseFolder;
    UploadHost* m_host = nullptr;  // a child: it goes, and joins its worker, before the controls
    bool m_closeAfterUpload = false;
    int m_closeResult = 0;
};
