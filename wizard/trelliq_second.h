#pragma once

#include <string>
#include <vector>

#include "wizard/property_page_ext.h"

class CPicturePreview;
class QLabel;
class QPushButton;
class QTreeWidget;

// The style page: the styles found beside the program; Next only while one is chosen. No row looks
// chosen before the user picks one, a line says so meanwhile, and the chosen style's preview
// picture, when it has one, shows beside the list.
class CTrelliqSecond : public CPropertyPageExt {
    Q_OBJECT

public:
    explicit CTrelliqSecond(QWidget* parent = nullptr);

    void OnInitDialog() override;
    bool OnSetActive() override;

    // Where the styles are looked for; set before the page is first shown to look elsewhere.
    std::vector<std::string> m_styleFolders;
    // Full path of each style, at its index in the list.
    std::vector<std::string> m_stylePaths;

    QTreeWidget* m_list;
    QPushButton* m_viewEdit;
    QLabel* m_pickHint;
    CPicturePreview* m_stylePreview;

private:
    void FillList();
    void OnItemChanged(int index);
    void OnViewEdit();
    void ChooseStyle(int index);
};
