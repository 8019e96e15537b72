#pragma once

#include <memory>
#include <string>

#include "engine/run_report.h"
#include "ftp/upload_window.h"
#include "wizard/background_worker.h"
#include "wizard/property_page_ext.h"

class FtpUploader;
class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// The finish page: "Complete" opens the gallery in the browser, or Start uploads the destination
// folder by FTP. The page is the upload's window: the upload's worker reaches it through blocking
// calls into the GUI thread.
class CTrelliqFinish : public CPropertyPageExt, public UploadWindow {
    Q_OBJECT

public:
    static constexpr int kStatusMax = 1024;

    explicit CTrelliqFinish(QWidget* parent = nullptr);
    ~CTrelliqFinish() override;

    void OnInitDialog() override;
    bool OnSetActive() override;
    bool OnWizardFinish() override;

    bool IsWorking() const override { return m_worker.IsRunning(); }
    void StopWork() override;
    void WaitForWork() override { m_worker.WaitServingEvents(); }

    // UploadWindow, from the upload's worker thread.
    void SetStatusText(const std::string& text) override;
    void SetProgressRange(int upper) override;
    void SetProgressPosition(int position) override;
    void EnableStart(bool enable) override;
    void EnableInputs(bool enable) override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;

    FtpUploader& Uploader() { return *m_uploader; }

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

protected:
    void DoDataExchange(DataExchange& dx) override;

private:
    void ShowFinishOnly();
    void ShowRunReport();
    void OnReportDetails();
    void EnableFtpControls(bool enable);
    void OnUploadClicked();
    void OnStart();
    bool Closing() const;
    template <typename Call>
    void CallInGui(Call call);

    QWidget* m_labels[4];
    std::unique_ptr<FtpUploader> m_uploader;
    BackgroundWorker m_worker;
    bool m_activatedBefore = false;
    const RunReport* m_report = nullptr;
};
