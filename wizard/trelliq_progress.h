#pragma once

#include <memory>
#include <string>

#include <QString>

#include "engine/progress.h"
#include "wizard/background_worker.h"
#include "wizard/property_page_ext.h"

class GalleryPublisher;
class LogoLink;
class QLabel;
class QProgressBar;

// The progress page: entering it starts the publication run on a worker thread; the run feeds the
// bar and, when done, enables and presses Next itself.
class CTrelliqProgress : public CPropertyPageExt {
    Q_OBJECT

public:
    explicit CTrelliqProgress(GalleryPublisher& publisher, QWidget* parent = nullptr);
    ~CTrelliqProgress() override;

    void OnInitDialog() override;
    bool OnSetActive() override;

    bool IsWorking() const override { return m_worker.IsRunning(); }
    void StopWork() override;
    void WaitForWork() override { m_worker.WaitServingEvents(); }

    // With range > 0 the bar's range becomes 0..range first; then the position is set. On the GUI
    // thread; the run reaches it through a blocking call.
    void SetProgress(int position, int range);
    // "12 of 40: beach.jpg": the picture the run converts now, on the line above the status line.
    void ShowCurrentPicture(int number, int count, const QString& name);

    std::string m_strStatus;

    QLabel* m_banner;
    LogoLink* m_logo;
    QLabel* m_status;
    QProgressBar* m_progress;
    QLabel* m_picture;

protected:
    void DoDataExchange(DataExchange& dx) override;

private:
    void StartRun();
    // The worker has ended: Next on and pressed, unless the run was cancelled.
    void OnRunFinished();

    GalleryPublisher& m_publisher;
    BackgroundWorker m_worker;
};
