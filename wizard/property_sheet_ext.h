#pragma once

#include <QDialog>
#include <atomic>

#include "engine/publication_run.h"
#include "wizard/publication_worker.h"

class CPropertyPageExt;
class QPushButton;
class QStackedWidget;

enum class WizardButton { Back, Next, Finish, Cancel };

// A wizard frame on QDialog: stacked pages under Back, Next, Finish and Cancel. The buttons follow
// exactly the mask the pages set (kWizardBack, kWizardNext, kWizardFinish; 0 for none); Finish
// takes the place of Next while its bit is set. The frame never changes the mask by itself.
class CPropertySheetExt : public QDialog {
    Q_OBJECT

public:
    explicit CPropertySheetExt(const QString& caption, QWidget* parent = nullptr);

    void AddPage(CPropertyPageExt* page);
    int GetPageCount() const;
    CPropertyPageExt* GetPage(int index) const;
    CPropertyPageExt* GetActivePage() const;
    int GetActiveIndex() const;
    // Shows page `index`: its set-up on the first showing, then its activation.
    void SetActivePage(int index);

    void SetWizardButtons(int mask);
    int GetWizardButtons() const { return m_buttonMask; }
    void SetFinishText(const QString& text);
    // As a click on the button: a disabled or hidden button does nothing.
    void PressButton(WizardButton button);

    // Set once the wizard is closing while a page's worker still runs. Workers read it.
    bool IsClosing() const { return m_closing; }

    // Cancel, Escape and the window's close box. With a worker running, the sheet asks it to stop
    // and closes when it has ended, without ever blocking the event loop meanwhile.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    // F1.
    virtual void OnHelp() {}
    // For the destructor of a derived sheet, while its pages still exist: stops their workers and
    // waits for them.
    void StopWorkAndWait();

private:
    void OnBack();
    void OnNext();
    void OnFinish();
    void OnPageWorkFinished();
    bool AnyPageWorking() const;
    void UpdateButtons();

    QStackedWidget* m_stack;
    QPushButton* m_back;
    QPushButton* m_next;
    QPushButton* m_finish;
    QPushButton* m_cancel;
    int m_buttonMask = kWizardBack | kWizardNext;
    std::atomic<bool> m_closing{false};
    bool m_tearingDown = false;
    bool m_activated = false;
};
