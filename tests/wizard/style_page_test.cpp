#include <QPushButton>
#include <QTreeWidget>

#include "tests/wizard/wizard_test_support.h"

namespace {

class StylePageTest : public WizardTest {
protected:
    QTreeWidget* List() { return Find<QTreeWidget>("styleList"); }
    QPushButton* ViewEdit() { return Find<QPushButton>("viewEditButton"); }
    void Select(int row) { List()->setCurrentItem(List()->topLevelItem(row)); }
};

}  // namespace

TEST_F(StylePageTest, ListsTheBundledStylesAndWantsOneChosen) {
    OpenAt(CTrelliqSheet::kStyle);
    ASSERT_EQ(List()->topLevelItemCount(), 3);
    EXPECT_EQ(List()->headerItem()->text(0), "Styles");
    EXPECT_EQ(List()->topLevelItem(0)->text(0), "Classic");
    EXPECT_EQ(List()->topLevelItem(1)->text(0), "Frames");
    EXPECT_EQ(List()->topLevelItem(2)->text(0), "Slides");
    EXPECT_EQ(job.m_nStyleCount, 3);
    EXPECT_EQ(Buttons(), kWizardBack);
    EXPECT_FALSE(ViewEdit()->isEnabled());
    EXPECT_EQ(job.m_nSelectedStyle, -1);

    Select(1);
    EXPECT_EQ(Buttons(), kWizardBack | kWizardNext);
    EXPECT_TRUE(ViewEdit()->isEnabled());
    EXPECT_EQ(job.m_nSelectedStyle, 1);
    EXPECT_EQ(job.m_strStylePath, BundledStyle("Frames"));

    Select(2);
    EXPECT_EQ(job.m_nSelectedStyle, 2);
    EXPECT_EQ(job.m_strStylePath, BundledStyle("Slides"));
}

TEST_F(StylePageTest, DeselectingKeepsTheStyleUntilThePageIsEnteredAgain) {
    OpenAt(CTrelliqSheet::kStyle);
    Select(0);
    List()->clearSelection();
    EXPECT_EQ(Buttons(), kWizardBack | kWizardNext);
    EXPECT_EQ(job.m_strStylePath, BundledStyle("Classic"));

    Press(WizardButton::Back);
    Press(WizardButton::Next);
    EXPECT_EQ(sheet->GetActiveIndex(), CTrelliqSheet::kStyle);
    EXPECT_EQ(Buttons(), kWizardBack);
    EXPECT_FALSE(ViewEdit()->isEnabled());
}

TEST_F(StylePageTest, WithoutStylesOnlyBackCanBeUsed) {
    TempFolder empty;
    sheet->m_second.m_styleFolders = {empty.path()};
    OpenAt(CTrelliqSheet::kStyle);
    ASSERT_EQ(List()->topLevelItemCount(), 1);
    EXPECT_EQ(List()->topLevelItem(0)->text(0), "Styles not found");
    Select(0);
    EXPECT_EQ(Buttons(), kWizardBack);
    EXPECT_FALSE(ViewEdit()->isEnabled());
    EXPECT_EQ(job.m_nSelectedStyle, -1);
}

TEST_F(StylePageTest, ViewEditOpensTheStyleFolder) {
    OpenedUrls opened;
    OpenAt(CTrelliqSheet::kStyle);
    Select(0);
    ViewEdit()->click();
    ASSERT_EQ(opened.urls.size(), 1u);
    EXPECT_EQ(opened.urls[0].toLocalFile().toStdString(), BundledStyle("Classic"));
}
