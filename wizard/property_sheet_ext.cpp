#include "wizard/property_sheet_ext.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "wizard/property_page_ext.h"

namespace {

// The first control of the page that takes the keyboard, as a dialog page gets it when shown.
void FocusFirstControl(QWidget* page) {
    for (QWidget* widget = page->nextInFocusChain(); widget != page; widget = widget->nextInFocusChain()) {
        if (page->isAncestorOf(widget) && (widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled() &&
            widget->isVisibleTo(page)) {
            widget->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

}  // namespace

CPropertySheetExt::CPropertySheetExt(const QString& caption, QWidget* parent)
    : QDialog(parent),
      m_stack(new QStackedWidget(this)),
      m_back(new QPushButton("< &Back", this)),
      m_next(new QPushButton("&Next >", this)),
      m_finish(new QPushButton("Finish", this)),
      m_cancel(new QPushButton("Cancel", this)) {
    setWindowTitle(caption);
    // No "What's this" help button in the title bar: help is F1.
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_stack->setObjectName("pageStack");
    m_back->setObjectName("backButton");
    m_next->setObjectName("nextButton");
    m_finish->setObjectName("finishButton");
    m_cancel->setObjectName("cancelButton");

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_back);
    buttons->addWidget(m_next);
    buttons->addWidget(m_finish);
    buttons->addSpacing(12);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_stack, 1);
    layout->addWidget(line);
    layout->addLayout(buttons);

    for (QPushButton* button : {m_back, m_next, m_finish, m_cancel}) {
        button->setAutoDefault(false);
    }
    connect(m_back, &QPushButton::clicked, this, &CPropertySheetExt::OnBack);
    connect(m_next, &QPushButton::clicked, this, &CPropertySheetExt::OnNext);
    connect(m_finish, &QPushButton::clicked, this, &CPropertySheetExt::OnFinish);
    connect(m_cancel, &QPushButton::clicked, this, &CPropertySheetExt::reject);
    connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
            [this] { OnHelp(); });
    UpdateButtons();
}

void CPropertySheetExt::AddPage(CPropertyPageExt* page) {
    page->m_sheet = this;
    // Enter means Next on every page, also while one of the page's own buttons has the focus.
    for (QPushButton* button : page->findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
    }
    m_stack->addWidget(page);
    connect(page, &CPropertyPageExt::WorkFinished, this, &CPropertySheetExt::OnPageWorkFinished);
}

int CPropertySheetExt::GetPageCount() const {
    return m_stack->count();
}

CPropertyPageExt* CPropertySheetExt::GetPage(int index) const {
    return static_cast<CPropertyPageExt*>(m_stack->widget(index));
}

CPropertyPageExt* CPropertySheetExt::GetActivePage() const {
    return static_cast<CPropertyPageExt*>(m_stack->currentWidget());
}

int CPropertySheetExt::GetActiveIndex() const {
    return m_activated ? m_stack->currentIndex() : -1;
}

void CPropertySheetExt::SetActivePage(int index) {
    CPropertyPageExt* page = GetPage(index);
    if (page == nullptr) {
        return;
    }
    if (!page->m_initialized) {
        page->m_initialized = true;
        page->OnInitDialog();
    }
    m_activated = true;
    m_stack->setCurrentIndex(index);
    UpdateButtons();
    page->OnSetActive();
    FocusFirstControl(page);
}

void CPropertySheetExt::SetWizardButtons(int mask) {
    m_buttonMask = mask & (kWizardBack | kWizardNext | kWizardFinish);
    UpdateButtons();
}

void CPropertySheetExt::SetFinishText(const QString& text) {
    m_finish->setText(text);
}

void CPropertySheetExt::PressButton(WizardButton button) {
    QPushButton* target = button == WizardButton::Back     ? m_back
                          : button == WizardButton::Next   ? m_next
                          : button == WizardButton::Finish ? m_finish
                                                           : m_cancel;
    if (target->isEnabled() && !target->isHidden()) {
        target->click();
    }
}

void CPropertySheetExt::reject() {
    if (m_closing) {
        return;
    }
    if (!AnyPageWorking()) {
        QDialog::reject();
        return;
    }
    m_closing = true;
    UpdateButtons();
    for (int i = 0; i < GetPageCount(); ++i) {
        if (GetPage(i)->IsWorking()) {
            GetPage(i)->StopWork();
        }
    }
}

void CPropertySheetExt::showEvent(QShowEvent* event) {
    if (!m_activated && GetPageCount() > 0) {
        SetActivePage(0);
    }
    QDialog::showEvent(event);
}

void CPropertySheetExt::StopWorkAndWait() {
    m_tearingDown = true;
    m_closing = true;
    for (int i = 0; i < GetPageCount(); ++i) {
        GetPage(i)->StopWork();
    }
    for (int i = 0; i < GetPageCount(); ++i) {
        GetPage(i)->WaitForWork();
    }
}

void CPropertySheetExt::OnBack() {
    CPropertyPageExt* page = GetActivePage();
    if (m_closing || page == nullptr || !page->OnWizardBack()) {
        return;
    }
    if (GetActiveIndex() > 0) {
        SetActivePage(GetActiveIndex() - 1);
    }
}

void CPropertySheetExt::OnNext() {
    CPropertyPageExt* page = GetActivePage();
    if (m_closing || page == nullptr || !page->OnWizardNext()) {
        return;
    }
    if (GetActiveIndex() + 1 < GetPageCount()) {
        SetActivePage(GetActiveIndex() + 1);
    }
}

void CPropertySheetExt::OnFinish() {
    CPropertyPageExt* page = GetActivePage();
    if (m_closing || page == nullptr || !page->OnWizardFinish()) {
        return;
    }
    accept();
}

void CPropertySheetExt::OnPageWorkFinished() {
    if (!m_tearingDown && m_closing && !AnyPageWorking()) {
        QDialog::reject();
    }
}

bool CPropertySheetExt::AnyPageWorking() const {
    for (int i = 0; i < GetPageCount(); ++i) {
        if (GetPage(i)->IsWorking()) {
            return true;
        }
    }
    return false;
}

void CPropertySheetExt::UpdateButtons() {
    const bool closing = m_closing;
    const bool finish = (m_buttonMask & kWizardFinish) != 0;
    // The last page has nowhere to go next: Finish stands in Next's place there, greyed while its
    // bit is clear, so that the button says what it would do.
    const bool lastPage = m_activated && m_stack->currentIndex() == GetPageCount() - 1;
    m_back->setEnabled(!closing && (m_buttonMask & kWizardBack) != 0);
    m_next->setVisible(!finish && !lastPage);
    m_next->setEnabled(!closing && (m_buttonMask & kWizardNext) != 0);
    m_finish->setVisible(finish || lastPage);
    m_finish->setEnabled(!closing && finish);
    m_cancel->setEnabled(!closing);
    QPushButton* main = finish || lastPage ? m_finish : m_next;
    main->setDefault(true);
}
