#pragma once

#include <QWidget>

#include "engine/gallery_job.h"
#include "engine/publication_run.h"
#include "wizard/publication_worker.h"

class CPropertySheetExt;
class DataExchange;

// Base of every wizard page. The sheet calls the hooks: OnInitDialog once, before the first
// activation; OnSetActive on every entry; OnWizardNext / OnWizardBack when the user leaves, each of
// which may refuse and keep the page; OnWizardFinish when Finish is pressed.
class CPropertyPageExt : public QWidget {
    Q_OBJECT

public:
    explicit CPropertyPageExt(const char* objectName, QWidget* parent = nullptr);

    virtual void OnInitDialog() {}
    virtual bool OnSetActive() { return true; }
    virtual bool OnWizardNext() { return true; }
    virtual bool OnWizardBack() { return true; }
    virtual bool OnWizardFinish() { return true; }

    // A page that runs work on a thread of its own tells the sheet so: the sheet does not close
    // under a running worker, it asks it to stop and closes once WorkFinished arrives.
    virtual bool IsWorking() const { return false; }
    virtual void StopWork() {}
    // Teardown only: waits for the worker while serving the events it may be waiting on.
    virtual void WaitForWork() {}

    // Moves the page data to the controls (false) or from them, validating (true). Returns false
    // when a field was refused.
    bool UpdateData(bool saveAndValidate = true);

    CPropertySheetExt* GetSheet() const { return m_sheet; }
    bool IsInitialized() const { return m_initialized; }

signals:
    void WorkFinished();

protected:
    virtual void DoDataExchange(DataExchange& dx);
    // The gallery job, held by the application object.
    GalleryJob& Job() const;
    void SetWizardButtons(int mask);

private:
    friend class CPropertySheetExt;
    CPropertySheetExt* m_sheet = nullptr;
    bool m_initialized = false;
};
