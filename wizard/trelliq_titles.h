#pragma once

#include <string>

#include "wizard/property_page_ext.h"

class QLineEdit;
class QPlainTextEdit;

// The titles page: the title of every page, a short text for every page and the first page's
// commentary.
class CTrelliqTitles : public CPropertyPageExt {
    Q_OBJECT

public:
    static constexpr int kTitleMax = 128;
    static constexpr int kNameMax = 256;
    static constexpr int kCommentaryMax = 1024;

    explicit CTrelliqTitles(QWidget* parent = nullptr);

    void OnInitDialog() override;
    bool OnSetActive() override;
    bool OnWizardNext() override;
    bool OnWizardBack() override;

    std::string m_strTitle;
    std::string m_strName;
    std::string m_strCommentary;

    QLineEdit* m_titleEdit;
    QLineEdit* m_nameEdit;
    QPlainTextEdit* m_commentaryEdit;

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool StoreTexts();
    void KeepCommentaryWithinLimit();
};
