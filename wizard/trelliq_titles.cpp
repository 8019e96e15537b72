#include "wizard/trelliq_titles.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "wizard/data_exchange.h"
#include "wizard/property_sheet_ext.h"

CTrelliqTitles::CTrelliqTitles(QWidget* parent)
    : CPropertyPageExt("titlesPage", parent),
      m_strTitle(kDefaultTitle),
      m_strName(kDefaultName),
      m_strCommentary(kDefaultCommentary),
      m_titleEdit(new QLineEdit(this)),
      m_nameEdit(new QLineEdit(this)),
      m_commentaryEdit(new QPlainTextEdit(this)) {
    m_titleEdit->setObjectName("titleEdit");
    m_nameEdit->setObjectName("nameEdit");
    m_commentaryEdit->setObjectName("commentaryEdit");
    m_titleEdit->setMaxLength(kTitleMax);
    m_nameEdit->setMaxLength(kNameMax);
    m_commentaryEdit->setTabChangesFocus(true);
    m_commentaryEdit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_commentaryEdit->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Title for all HTML pages", this));
    layout->addWidget(m_titleEdit);
    layout->addWidget(new QLabel("Small text for every HTML page", this));
    layout->addWidget(m_nameEdit);
    auto* commentaryLabel =
        new QLabel("Large text on first page. This text is as commentary for your image collection.", this);
    commentaryLabel->setWordWrap(true);
    layout->addWidget(commentaryLabel);
    layout->addWidget(m_commentaryEdit, 1);

    connect(m_commentaryEdit, &QPlainTextEdit::textChanged, this, &CTrelliqTitles::KeepCommentaryWithinLimit);
}

void CTrelliqTitles::DoDataExchange(DataExchange& dx) {
    ExchangeText(dx, m_titleEdit, m_strTitle);
    ValidateMaxChars(dx, m_titleEdit, m_strTitle, kTitleMax);
    ExchangeText(dx, m_nameEdit, m_strName);
    ValidateMaxChars(dx, m_nameEdit, m_strName, kNameMax);
    ExchangeText(dx, m_commentaryEdit, m_strCommentary);
    ValidateMaxChars(dx, m_commentaryEdit, m_strCommentary, kCommentaryMax);
}

void CTrelliqTitles::OnInitDialog() {
    UpdateData(false);
    Job().m_strTitle = m_strTitle;
    Job().m_strName = m_strName;
    Job().m_strCommentary = m_strCommentary;
    UpdateData(false);
}

bool CTrelliqTitles::OnSetActive() {
    m_strTitle = Job().m_strTitle;
    m_strName = Job().m_strName;
    m_strCommentary = Job().m_strCommentary;
    UpdateData(false);
    return CPropertyPageExt::OnSetActive();
}

bool CTrelliqTitles::OnWizardNext() {
    return StoreTexts();
}

bool CTrelliqTitles::OnWizardBack() {
    return StoreTexts();
}

bool CTrelliqTitles::StoreTexts() {
    if (!UpdateData(true)) {
        return false;
    }
    Job().m_strTitle = m_strTitle;
    Job().m_strName = m_strName;
    Job().m_strCommentary = m_strCommentary;
    return true;
}

// The commentary edit has no length limit of its own: what goes past the limit is taken out of the
// text just typed or pasted (before the caret), so neither gets beyond it.
void CTrelliqTitles::KeepCommentaryWithinLimit() {
    const int overflow = static_cast<int>(m_commentaryEdit->toPlainText().size()) - kCommentaryMax;
    if (overflow <= 0) {
        return;
    }
    QTextCursor cursor = m_commentaryEdit->textCursor();
    const int end = cursor.position();
    cursor.setPosition(std::max(0, end - overflow));
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    if (m_commentaryEdit->toPlainText().size() > kCommentaryMax) {
        m_commentaryEdit->setPlainText(m_commentaryEdit->toPlainText().left(kCommentaryMax));
    }
}

// Enter in the commentary presses the wizard's Next, as in the other fields; Ctrl+Enter starts a new
// line.
bool CTrelliqTitles::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_commentaryEdit && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (key->modifiers() & Qt::ControlModifier) {
                m_commentaryEdit->insertPlainText("\n");
            } else if (GetSheet() != nullptr) {
                GetSheet()->PressButton(WizardButton::Next);
            }
            return true;
        }
    }
    return CPropertyPageExt::eventFilter(watched, event);
}
