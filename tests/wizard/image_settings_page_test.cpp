#include <QLineEdit>
#include <QRadioButton>

#include "tests/wizard/wizard_test_support.h"

namespace {

class ImageSettingsPageTest : public WizardTest {
protected:
    void Open(const std::string& sourceFolder, const std::string& destFolder) {
        job.m_strSourceFolder = sourceFolder;
        job.m_strDestFolder = destFolder;
        OpenAt(CTrelliqSheet::kImageSettings);
    }
    QLineEdit* Edit(const char* name) { return Find<QLineEdit>(name); }
    QRadioButton* Gif() { return Find<QRadioButton>("gifRadio"); }
    QRadioButton* Jpg() { return Find<QRadioButton>("jpgRadio"); }
    void ExpectRefused(const char* field, const QString& text, const MessageBoxAnswerer& boxes) {
        EXPECT_EQ(sheet->GetActiveIndex(), CTrelliqSheet::kImageSettings);
        ASSERT_EQ(boxes.seen().size(), 1u);
        EXPECT_EQ(boxes.seen()[0].text, text);
        EXPECT_EQ(boxes.seen()[0].caption, "Galvane");
        EXPECT_EQ(sheet->focusWidget(), Edit(field));
    }
};

}  // namespace

TEST_F(ImageSettingsPageTest, FreshPageProposesItsDefaults) {
    Open("/a", "/b");
    EXPECT_EQ(Edit("thumbWidthEdit")->text(), "100");
    EXPECT_EQ(Edit("thumbHeightEdit")->text(), "100");
    EXPECT_EQ(Edit("largeWidthEdit")->text(), "0");
    EXPECT_EQ(Edit("largeHeightEdit")->text(), "0");
    EXPECT_TRUE(Jpg()->isChecked());
    EXPECT_FALSE(Gif()->isChecked());
    EXPECT_EQ(Edit("qualityEdit")->text(), "75");
    EXPECT_TRUE(Edit("qualityEdit")->isEnabled());
    Edit("largeWidthEdit")->setText("800");
    Edit("largeHeightEdit")->setText(" 600 ");
    Press(WizardButton::Next);
    EXPECT_EQ(sheet->GetActiveIndex(), CTrelliqSheet::kImageOrder);
    EXPECT_EQ(job.m_nThumbMaxWidth, 100);
    EXPECT_EQ(job.m_nThumbMaxHeight, 100);
    EXPECT_EQ(job.m_nLargeMaxWidth, 800);
    EXPECT_EQ(job.m_nLargeMaxHeight, 600);
    EXPECT_EQ(job.m_nJpegQuality, 75);
}

TEST_F(ImageSettingsPageTest, OriginalSourceDisablesTheLargePictureSettings) {
    Open("/photos", "/photos");
    for (const char* name : {"largeWidthEdit", "largeHeightEdit", "qualityEdit"}) {
        EXPECT_FALSE(Edit(name)->isEnabled()) << name;
    }
    EXPECT_FALSE(Gif()->isEnabled());
    EXPECT_FALSE(Jpg()->isEnabled());
    EXPECT_TRUE(Edit("thumbWidthEdit")->isEnabled());
    Edit("thumbWidthEdit")->setText("64");
    Press(WizardButton::Next);
    EXPECT_EQ(job.m_nThumbMaxWidth, 64);
}

TEST_F(ImageSettingsPageTest, FormatIsCarriedInTheQuality) {
    Open("/a", "/b");
    Edit("qualityEdit")->setText("90");
    Gif()->click();
    EXPECT_EQ(Edit("qualityEdit")->text(), "0");
    EXPECT_FALSE(Edit("qualityEdit")->isEnabled());
    Jpg()->click();
    EXPECT_EQ(Edit("qualityEdit")->text(), "75");
    EXPECT_TRUE(Edit("qualityEdit")->isEnabled());
    Gif()->click();
    Press(WizardButton::Next);
    EXPECT_EQ(job.m_nJpegQuality, 0);
}

TEST_F(ImageSettingsPageTest, EmptyOrNegativeSizeIsRefused) {
    Open("/a", "/b");
    for (const char* text : {"", "-5"}) {
        MessageBoxAnswerer boxes;
        Edit("thumbHeightEdit")->setText(text);
        Press(WizardButton::Next);
        ExpectRefused("thumbHeightEdit", "Please enter a positive integer.", boxes);
    }
    EXPECT_EQ(job.m_nThumbMaxHeight, 0);
}

TEST_F(ImageSettingsPageTest, QualityAboveHundredIsRefused) {
    Open("/a", "/b");
    MessageBoxAnswerer boxes;
    Edit("qualityEdit")->setText("101");
    Press(WizardButton::Next);
    ExpectRefused("qualityEdit", "Please enter an integer between 0 and 100.", boxes);
    EXPECT_EQ(job.m_nJpegQuality, 0);
}

TEST_F(ImageSettingsPageTest, BackLeavesTheJobAlone) {
    Open("/a", "/b");
    sheet->SetWizardButtons(kWizardBack | kWizardNext);
    Edit("thumbWidthEdit")->setText("50");
    Press(WizardButton::Back);
    EXPECT_EQ(sheet->GetActiveIndex(), CTrelliqSheet::kColors);
    EXPECT_EQ(job.m_nThumbMaxWidth, 0);
    sheet->SetActivePage(CTrelliqSheet::kImageSettings);
    EXPECT_EQ(Edit("thumbWidthEdit")->text(), "50");
}
