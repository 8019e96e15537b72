#include "wizard/trelliq_finish.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>

#include "engine/directory.h"
#include "wizard/data_exchange.h"
#include "wizard/finish_outcome.h"
#include "wizard/message_box.h"
#include "wizard/property_sheet_ext.h"
#include "wizard/shell.h"

namespace {

QLabel* WrappedLabel(const char* text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

QLineEdit* Field(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

}  // namespace

CTrelliqFinish::CTrelliqFinish(QWidget* parent)
    : CPropertyPageExt("finishPage", parent),
      m_launch(new QCheckBox("Launch result (from local disk)", this)),
      m_upload(new QCheckBox("Upload results of work to your WEB site with use FTP connection", this)),
      m_server(Field("serverEdit", this)),
      m_login(Field("loginEdit", this)),
      m_subfolder(Field("subfolderEdit", this)),
      m_password(Field("passwordEdit", this)),
      m_start(new QPushButton("Start", this)),
      m_status(new QLabel(this)),
      m_progress(new QProgressBar(this)),
      m_reportWarning(new QLabel(this)),
      m_reportDetails(new QPushButton("Details", this)),
      m_successText(
          WrappedLabel("Galvane has finished successfuly.\nYou can launch of result immediately. For "
                       "this you should select checkbox belov and press \"Complete\" button.",
                       this)),
      m_failureHeading(new QLabel(this)),
      m_uploadSummary(new QLabel(this)),
      m_cleanupNote(new QLabel(this)),
      m_labels{new QLabel("FTP server ftp:// ftps:// sftp://", this), new QLabel("Login:", this),
               new QLabel("FTP subfolder:", this), new QLabel("Password:", this)},
      m_host(std::make_unique<UploadHost>(this, m_status, m_progress)) {
    m_launch->setObjectName("launchCheck");
    m_upload->setObjectName("uploadCheck");
    m_start->setObjectName("startButton");
    m_status->setObjectName("uploadStatus");
    m_progress->setObjectName("uploadProgress");
    m_password->setEchoMode(QLineEdit::Password);
    m_status->setWordWrap(true);
    m_status->setMinimumHeight(2 * m_status->fontMetrics().lineSpacing());
    m_status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_status->setTextFormat(Qt::PlainText);
    m_reportWarning->setObjectName("reportWarning");
    m_reportWarning->setWordWrap(true);
    m_reportWarning->setTextFormat(Qt::PlainText);
    m_reportDetails->setObjectName("reportDetails");
    m_reportWarning->hide();
    m_reportDetails->hide();
    m_cleanupNote->setObjectName("cleanupNote");
    m_cleanupNote->setWordWrap(true);
    m_cleanupNote->setTextFormat(Qt::PlainText);
    m_cleanupNote->hide();
    m_successText->setObjectName("finishedText");
    m_failureHeading->setObjectName("failureHeading");
    m_failureHeading->setWordWrap(true);
    m_failureHeading->setTextFormat(Qt::PlainText);
    QFont bold = m_failureHeading->font();
    bold.setBold(true);
    m_failureHeading->setFont(bold);
    m_failureHeading->hide();
    m_uploadSummary->setObjectName("uploadSummary");
    m_uploadSummary->setTextFormat(Qt::PlainText);
    m_server->setToolTip(
        "A server name, with :PORT if needed. ftp:// or no scheme is plain FTP, ftps:// is FTP over TLS, "
        "sftp:// is SFTP over SSH");
    m_start->setToolTip("Sends every file of the gallery folder to the server above");
    m_progress->setTextVisible(false);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_successText, 0, 0, 1, 4);
    layout->addWidget(m_failureHeading, 0, 0, 1, 4);
    layout->addWidget(m_launch, 1, 0, 1, 4);
    layout->addWidget(
        WrappedLabel("or you can transfer all results to your WEB site. For this you shoud select "
                     "checkbox below and press \"Next\" button.",
                     this),
        2, 0, 1, 4);
    layout->addWidget(m_upload, 3, 0, 1, 4);
    layout->addWidget(m_labels[0], 4, 0);
    layout->addWidget(m_server, 4, 1);
    layout->addWidget(m_labels[1], 4, 2);
    layout->addWidget(m_login, 4, 3);
    layout->addWidget(m_labels[2], 5, 0);
    layout->addWidget(m_subfolder, 5, 1);
    layout->addWidget(m_labels[3], 5, 2);
    layout->addWidget(m_password, 5, 3);
    layout->addWidget(m_start, 6, 0, Qt::AlignTop | Qt::AlignLeft);
    layout->addWidget(m_status, 6, 1, 1, 3);
    layout->addWidget(m_progress, 7, 0, 1, 4);
    layout->addWidget(m_uploadSummary, 8, 0, 1, 4);
    layout->setColumnStretch(1, 3);
    layout->setColumnStretch(3, 2);
    // Shown only after a run that could not do everything; a clean run leaves the page as it was.
    layout->addWidget(m_reportWarning, 9, 0, 1, 3);
    layout->addWidget(m_reportDetails, 9, 3, Qt::AlignTop | Qt::AlignRight);
    layout->addWidget(m_cleanupNote, 10, 0, 1, 4);
    layout->setRowStretch(11, 1);
    m_host->SetSummaryLabel(m_uploadSummary);

    connect(m_upload, &QCheckBox::clicked, this, &CTrelliqFinish::OnUploadClicked);
    connect(m_start, &QPushButton::clicked, this, &CTrelliqFinish::OnStart);
    connect(m_reportDetails, &QPushButton::clicked, this, &CTrelliqFinish::OnReportDetails);
    connect(m_launch, &QCheckBox::toggled, this, &CTrelliqFinish::DescribeButtons);
    connect(m_host.get(), &UploadHost::StatusShown, this, &CTrelliqFinish::OnStatusShown);
    connect(m_host.get(), &UploadHost::Ended, this, &CTrelliqFinish::OnUploadEnded);
}

// The host joins its worker before the controls it reports into go.
CTrelliqFinish::~CTrelliqFinish() = default;

void CTrelliqFinish::DoDataExchange(DataExchange& dx) {
    ExchangeCheck(dx, m_launch, m_bLaunch);
    ExchangeCheck(dx, m_upload, m_bUpload);
    ExchangeText(dx, m_server, m_strServer);
    ExchangeText(dx, m_login, m_strLogin);
    ExchangeText(dx, m_subfolder, m_strSubfolder);
    ExchangeText(dx, m_password, m_strPassword);
    ExchangeText(dx, m_status, m_strStatus);
}

void CTrelliqFinish::OnInitDialog() {
    UpdateData(false);
    ShowFinishOnly();
    EnableFtpControls(false);
}

bool CTrelliqFinish::OnSetActive() {
    ShowFinishOnly();
    ShowRunReport();
    m_cleanupNote->setText(CleanupNote(m_report));
    m_cleanupNote->setVisible(!m_cleanupNote->text().isEmpty());
    if (m_activatedBefore) {
        UpdateData(false);
    }
    m_activatedBefore = true;
    return CPropertyPageExt::OnSetActive();
}

QString CTrelliqFinish::CleanupNote(const RunReport* report) {
    if (report == nullptr) {
        return {};
    }
    QStringList lines;
    if (const auto removed = static_cast<int>(report->removed.size()); removed > 0) {
        lines << (removed == 1 ? QString("1 file removed that the gallery no longer holds")
                               : QString("%1 files removed that the gallery no longer holds").arg(removed));
    }
    if (const auto replaced = static_cast<int>(report->replacedForeign.size()); replaced > 0) {
        QStringList names;
        for (int i = 0; i < replaced && i < 3; ++i) {
            names << QString::fromStdString(report->replacedForeign[static_cast<std::size_t>(i)]);
        }
        lines << (replaced == 1
                      ? QString("Warning: 1 file replaced that Galvane had not made")
                      : QString("Warning: %1 files replaced that Galvane had not made").arg(replaced)) +
                     ": " + names.join(", ") + (replaced > 3 ? ", ..." : "");
    }
    return lines.join("\n");
}

void CTrelliqFinish::ShowRunReport() {
    ShowRunOutcome();
    const int problems = m_report != nullptr ? m_report->ProblemCount() : 0;
    m_reportWarning->setVisible(problems > 0);
    m_reportDetails->setVisible(problems > 0);
    if (problems == 0) {
        return;
    }
    constexpr int kNamesShown = 3;
    std::vector<std::string> names;
    for (const auto* list : {&m_report->unreadable, &m_report->notWritten, &m_report->leftOut}) {
        for (const FileProblem& problem : *list) {
            names.push_back(std::string(FileNameOf(problem.name)));
        }
    }
    QString text = problems == 1 ? QString("Warning: 1 file could not be published")
                                 : QString("Warning: %1 files could not be published").arg(problems);
    if (m_report->destinationBusy) {
        text = "Warning: another publication is running into the destination folder; nothing was done";
    } else if (!names.empty()) {
        QStringList shown;
        for (std::size_t i = 0; i < names.size() && i < kNamesShown; ++i) {
            shown << QString::fromStdString(names[i]);
        }
        text += ": " + shown.join(", ") + (names.size() > kNamesShown ? ", ..." : "");
    }
    m_reportWarning->setText(text);
}

void CTrelliqFinish::ShowRunOutcome() {
    const FinishOutcome outcome =
        m_report != nullptr ? DescribeFinishedRun(*m_report, Job().m_strDestFolder) : FinishOutcome{};
    m_successText->setVisible(!outcome.failed);
    m_failureHeading->setVisible(outcome.failed);
    m_failureHeading->setText(QString::fromStdString(outcome.heading));
    // Complete would open a page that is not there.
    if (outcome.nothingToLaunch) {
        m_bLaunch = 0;
        m_launch->setChecked(false);
    }
    m_launch->setEnabled(!outcome.nothingToLaunch);
    DescribeButtons();
}

void CTrelliqFinish::DescribeButtons() {
    if (GetSheet() == nullptr) {
        return;
    }
    if (auto* finish = GetSheet()->findChild<QPushButton*>("finishButton")) {
        finish->setToolTip(m_launch->isChecked() ? "Closes Galvane and opens the gallery in your browser"
                                                 : "Closes Galvane");
    }
}

void CTrelliqFinish::OnReportDetails() {
    if (m_report == nullptr) {
        return;
    }
    QStringList lines;
    for (const std::string& line : m_report->Lines()) {
        lines << QString::fromStdString(line);
    }
    QMessageBox box(QMessageBox::Warning, "Warning", m_reportWarning->text(), QMessageBox::Ok, this);
    box.setObjectName("reportBox");
    box.setDetailedText(lines.join("\n"));
    box.exec();
}

void CTrelliqFinish::ShowFinishOnly() {
    SetWizardButtons(kWizardFinish);
    if (GetSheet() != nullptr) {
        GetSheet()->SetFinishText("Complete");
    }
}

void CTrelliqFinish::EnableFtpControls(bool enable) {
    for (QWidget* control : {static_cast<QWidget*>(m_server), static_cast<QWidget*>(m_login),
                             static_cast<QWidget*>(m_password), static_cast<QWidget*>(m_subfolder),
                             static_cast<QWidget*>(m_start), static_cast<QWidget*>(m_progress)}) {
        control->setEnabled(enable);
    }
    for (QWidget* label : m_labels) {
        label->setEnabled(enable);
    }
}

void CTrelliqFinish::OnUploadClicked() {
    UpdateData(true);
    if (m_bUpload == 1) {
        SetWizardButtons(0);
        m_bLaunch = 0;
        UpdateData(false);
        EnableFtpControls(true);
    } else {
        ShowFinishOnly();
        EnableFtpControls(false);
    }
}

void CTrelliqFinish::OnStart() {
    if (m_host->IsRunning()) {
        return;
    }
    UpdateData(true);
    m_upload->setEnabled(false);
    EnableFtpControls(false);
    m_host->Start({Job().m_strDestFolder, m_strServer, m_strLogin, m_strPassword, m_strSubfolder});
}

void CTrelliqFinish::OnStatusShown(const QString& text) {
    m_strStatus = text.left(kStatusMax).toStdString();
    m_status->setText(QString::fromStdString(m_strStatus));
}

void CTrelliqFinish::OnUploadEnded() {
    m_upload->setEnabled(true);
    EnableFtpControls(true);
    // Start lost the focus to Cancel while it was disabled: a Space meant for Start would cancel.
    m_start->setFocus(Qt::OtherFocusReason);
    // The upload is over: Complete leaves the wizard, as on a page without one.
    ShowFinishOnly();
    WorkFinished();
}

void CTrelliqFinish::StopWork() {
    m_host->Abort();
}

void CTrelliqFinish::WaitForWork() {
    // An aborted run waits for nothing in this thread: its end comes soon, as an event.
    while (m_host->IsRunning()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

bool CTrelliqFinish::OnWizardFinish() {
    UpdateData(true);
    if (m_bLaunch == 1) {
        OpenLocalFile(Job().m_strDestFolder + "/main.htm");
    }
    return true;
}
