#pragma once

#include <QColor>
#include <QString>
#include <functional>
#include <string>

#include "wizard/property_page_ext.h"

class CColorExampleStatic;
class QCheckBox;
class QLineEdit;
class QPushButton;

// The colors page: background and text colour of the pages and an optional background picture, shown
// at once in the colour example.
class CTrelliqColors : public CPropertyPageExt {
    Q_OBJECT

public:
    static constexpr const char* kBackgroundFilter =
        "Backgroud files(*.gif;*.jpg)|*.gif; *.jpg;|GIF Files(*.GIF)|*.GIF|Jpeg Files(*.JPG)|*.JPG||";

    explicit CTrelliqColors(QWidget* parent = nullptr);

    void OnInitDialog() override;
    bool OnSetActive() override;
    bool OnWizardNext() override;

    // The colour chooser (an invalid colour when cancelled) and the file-open dialog (empty when
    // cancelled).
    std::function<QColor(const QColor& initial, QWidget* owner)> m_chooseColor;
    std::function<QString(QWidget* owner, const QString& filter)> m_chooseFile;

    int m_bUseBkgnd = 0;
    std::string m_strBkgndPath;

    CColorExampleStatic* m_example;
    QPushButton* m_textColor;
    QPushButton* m_bkgndColor;
    QCheckBox* m_useBkgnd;
    QLineEdit* m_pathEdit;
    QPushButton* m_browse;

protected:
    void DoDataExchange(DataExchange& dx) override;

private:
    void ShowInExample();
    void EnablePath();
    void OnUseBkgndClicked();
    void OnBkgndColor();
    void OnTextColor();
    void OnBrowse();
};
