#include "uploader/uploader_dialog.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <utility>

namespace {

const char* const kSourcePrompt = "Choise  a source folder for transfer files from this folder to FTP folder";
const char* const kBrowseTitle = "Choice source folder which you will upload to your FTP site.";
const char* const kAboutEntry = "&About Skiffer...";
// The schemes the server field takes, in the designed label's words.
const char* const kServerLabel = "FTP server ftp:// ftps:// sftp://";
const char* const kServerToolTip =
    "A server name, with :PORT if needed. ftp:// or no scheme is plain FTP, ftps:// is FTP over TLS, "
    "sftp:// is SFTP over SSH";

// The shell's folder browser, rooted at the desktop.
QString ChooseFolderWithDialog(QWidget* parent, const QString& title) {
    QString start = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (!QDir(start).exists()) {
        start = QDir::homePath();
    }
    return QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
}

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

QFrame* Separator() {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

}  // namespace

CUploaderDialog::CUploaderDialog(QWidget* parent) : QDialog(parent), m_chooseFolder(ChooseFolderWithDialog) {
    setWindowTitle("Skiffer");
    // A caption and a close box, no minimise or maximise box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon(":/skiffer/skiffer.png"));
    BuildControls();
    m_host = new UploadHost(this, m_status, m_progress);
    m_host->setParent(this);
    m_host->SetSummaryLabel(m_summary);
    connect(m_host, &UploadHost::Ended, this, &CUploaderDialog::UploadEnded);
    setFixedSize(sizeHint().expandedTo(QSize(520, 0)));
}

CUploaderDialog::~CUploaderDialog() {
    // The worker reports into the controls: it must be over before any of them goes.
    delete m_host;
}

void CUploaderDialog::BuildControls() {
    // Created in the order of the original dialog, which is also the tab order.
    auto* prompt = Named(new QLabel(kSourcePrompt), "sourcePrompt");
    m_source = Named(new QLineEdit, "sourceFolderEdit");
    m_browse = Named(new QPushButton("Browse"), "browseButton");
    m_serverLabel = Named(new QLabel(kServerLabel), "serverLabel");
    m_server = Named(new QLineEdit, "serverEdit");
    m_server->setToolTip(kServerToolTip);
    m_loginLabel = Named(new QLabel("Login:"), "loginLabel");
    m_login = Named(new QLineEdit, "loginEdit");
    m_subfolderLabel = Named(new QLabel("FTP subfolder:"), "subfolderLabel");
    m_subfolder = Named(new QLineEdit, "subfolderEdit");
    m_passwordLabel = Named(new QLabel("Password:"), "passwordLabel");
    m_password = Named(new QLineEdit, "passwordEdit");
    m_password->setEchoMode(QLineEdit::Password);
    m_start = Named(new QPushButton("Start"), "startButton");
    m_status = Named(new QLabel, "statusText");
    m_status->setTextFormat(Qt::PlainText);  // file names are shown, never interpreted
    m_status->setWordWrap(true);
    m_status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_status->setFixedHeight(2 * m_status->fontMetrics().lineSpacing() + 4);
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_progress = Named(new QProgressBar, "progressBar");
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_summary = Named(new QLabel, "uploadSummary");
    m_summary->setTextFormat(Qt::PlainText);
    auto* close = Named(new QPushButton("Close"), "closeButton");

    auto* sourceRow = new QHBoxLayout;
    sourceRow->addWidget(m_source, 1);
    sourceRow->addWidget(m_browse);
    auto* fields = new QGridLayout;
    fields->addWidget(m_serverLabel, 0, 0);
    fields->addWidget(m_server, 0, 1);
    fields->addWidget(m_loginLabel, 0, 2);
    fields->addWidget(m_login, 0, 3);
    fields->addWidget(m_subfolderLabel, 1, 0);
    fields->addWidget(m_subfolder, 1, 1);
    fields->addWidget(m_passwordLabel, 1, 2);
    fields->addWidget(m_password, 1, 3);
    fields->setColumnStretch(1, 5);
    fields->setColumnStretch(3, 2);
    auto* startRow = new QHBoxLayout;
    startRow->addWidget(m_start, 0, Qt::AlignTop);
    startRow->addWidget(m_status, 1);
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    closeRow->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addLayout(sourceRow);
    layout->addWidget(Separator());
    layout->addLayout(fields);
    layout->addLayout(startRow);
    layout->addWidget(m_progress);
    layout->addWidget(m_summary);
    layout->addWidget(Separator());
    layout->addLayout(closeRow);

    // Linux offers no way into the window manager's system menu: the entry is on the window's own
    // context menu instead.
    m_about = Named(new QAction(kAboutEntry, this), "aboutAction");

    connect(m_browse, &QPushButton::clicked, this, &CUploaderDialog::Browse);
    connect(m_start, &QPushButton::clicked, this, &CUploaderDialog::Start);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_about, &QAction::triggered, this, &CUploaderDialog::ShowAbout);
}

void CUploaderDialog::Browse() {
    const QString folder = m_chooseFolder(this, kBrowseTitle);
    if (!folder.isEmpty()) {
        m_source->setText(folder);  // the other fields keep what was typed
    }
}

bool CUploaderDialog::RefuseMissingField() {
    // An empty source would send the files of whatever folder the program was started in; an empty
    // server has nowhere to send them.
    struct Required {
        QLineEdit* field;
        const char* text;
    };
    for (const Required& required :
         {Required{m_source, "The source folder is missing. Choose the folder to upload with Browse."},
          Required{m_server,
                   "The FTP server is missing. Type the server's name, for example ftp.example.com "
                   "or sftp://example.com."}}) {
        if (required.field->text().trimmed().isEmpty()) {
            QMessageBox box(QMessageBox::Warning, "Warning", required.text, QMessageBox::Ok, this);
            box.setObjectName("missingFieldBox");
            box.exec();
            required.field->setFocus();
            return true;
        }
    }
    return false;
}

void CUploaderDialog::Start() {
    if (m_host->IsRunning() || RefuseMissingField()) {
        return;
    }
    EnableControls(false);
    m_host->Start({m_source->text().toStdString(), m_server->text().toStdString(),
                   m_login->text().toStdString(), m_password->text().toStdString(),
                   m_subfolder->text().toStdString()});
}

void CUploaderDialog::ShowAbout() {
    QMessageBox::about(this, "About Skiffer",
                       "Skiffer " + QApplication::applicationVersion() +
                           "\nSends every file of a folder to a folder on an FTP server.");
}

void CUploaderDialog::done(int result) {
    if (!m_host->IsRunning()) {
        QDialog::done(result);
        return;
    }
    m_closeAfterUpload = true;
    m_closeResult = result;
    m_host->Abort();
}

void CUploaderDialog::UploadEnded() {
    EnableControls(true);
    // Start lost the focus to Close while it was disabled: a Space meant for Start would close.
    m_start->setFocus(Qt::OtherFocusReason);
    if (std::exchange(m_closeAfterUpload, false)) {
        QDialog::done(m_closeResult);
    }
}

void CUploaderDialog::EnableControls(bool enable) {
    m_start->setEnabled(enable);
    for (QWidget* input : std::initializer_list<QWidget*>{m_source, m_browse, m_server, m_login, m_password,
                                                          m_subfolder, m_serverLabel, m_loginLabel,
                                                          m_subfolderLabel, m_passwordLabel, m_progress}) {
        input->setEnabled(enable);
    }
}

// Enter in a field ends the dialog, as on the original platform: the dialog has no default button.
// On a push button, Enter presses that button.
void CUploaderDialog::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !qobject_cast<QPushButton*>(focusWidget())) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CUploaderDialog::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(m_about);
    menu.exec(event->globalPos());
}
