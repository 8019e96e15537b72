#pragma once

#include <memory>
#include <string>

#include "engine/run_report.h"
#include "uploader/host/upload_host.h"
#include "wizard/property_page_ext.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// The finish page: "Complete" opens the gallery in the browser, or Start uploads the destination
// folder by FTP. The upload runs in an UploadHost that shows its reports on the page; the page
// enables its own controls around a run.
class CTrelliqFinish : public CPropertyPageExt {
    Q_OBJECT

public:
    static constexpr int kStatusMax = 1024;

    explicit CTrelliqFinish(QWidget* parent = nullptr);
    ~CTrelliqFinish() override;

    void OnInitDialog() override;
    bool OnSetActive() override;
    bool OnWizardFinish() override;

    bool IsWorking() const override { return m_host->IsRunning(); }
    void StopWork() override;
    void WaitForWork() override;

    FtpUploader& Uploader() { return m_host->Uploader(); }
    UploadHost& Host() { return *m_host; }

    // The report of the run this page follows; its problems show as a warning above the choices.
    void SetRunReport(const RunReport* report) { m_report = report; }

    int m_bLaunch = 1;
    int m_bUpload = 0;
    std::string m_strServer;
    std::string m_strLogin;
    std::string m_strPassword;
    std::string m_strSubfolder;
    std::string m_strStatus;

    QCheckBox* m_launch;
    QCheckBox* m_upload;
    QLineEdit* m_server;
    QLineEdit* m_login;
    QLineEdit* m_subfolder;
    QLineEdit* m_password;
    QPushButton* m_start;
    QLabel* m_status;
    QProgressBar* m_progress;
    QLabel* m_reportWarning;
    QPushButton* m_reportDetails;
    QLabel* m_successText;
    QLabel* m_failureHeading;
    QLabel* m_uploadSummary;

protected:
    void DoDataExchange(DataExchange& dx) override;

private:
    void ShowFinishOnly();
    void ShowRunReport();
    // The files the run removed, and those of others it replaced (a warning), or empty.
    static QString CleanupNote(const RunReport* report);
    // The designed success text after a complete run; a failure heading, and no launch when there
    // is no start page, after any other.
    void ShowRunOutcome();
    // What Start and Complete do, as their tool tips say it.
    void DescribeButtons();
    void OnReportDetails();
    void EnableFtpControls(bool enable);
    void OnUploadClicked();
    void OnStart();
    void OnStatusShown(const QString& text);
    void OnUploadEnded();

    QLabel* m_cleanupNote;
    QWidget* m_labels[4];
    std::unique_ptr<UploadHost> m_host;
    bool m_activatedBefore = false;
    const RunReport* m_report = nullptr;
};
