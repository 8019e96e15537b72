#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QTest>

#include "engine/program_info.h"
#include "tests/wizard/wizard_test_support.h"
#include "wizard/galvane_app.h"
#include "wizard/logo_link.h"
#include "wizard/property_page_ext.h"
#include "wizard/property_sheet_ext.h"
#include "wizard/welcome_picture.h"

namespace {

// A page that counts its hooks and may refuse to be left.
class CountingPage : public CPropertyPageExt {
public:
    CountingPage() : CPropertyPageExt("countingPage") {}
    void OnInitDialog() override { ++inits; }
    bool OnSetActive() override {
        ++activations;
        return true;
    }
    bool OnWizardNext() override { return allowNext; }
    bool OnWizardBack() override { return allowBack; }
    int inits = 0;
    int activations = 0;
    bool allowNext = true;
    bool allowBack = true;
};

class FrameTest : public ::testing::Test {
protected:
    FrameTest() : sheet("Frame") {
        for (CountingPage* page : {&first, &second, &third}) {
            sheet.AddPage(page);
        }
        sheet.show();
    }
    QPushButton* Button(const char* name) { return sheet.findChild<QPushButton*>(name); }

    // The pages go before the sheet that would otherwise delete them as its children.
    CPropertySheetExt sheet;
    CountingPage first, second, third;
};

}  // namespace

TEST_F(FrameTest, ButtonsFollowTheMaskExactly) {
    struct Case {
        int mask;
        bool back, nextShown, nextEnabled, finishShown;
    };
    for (const Case& c : {Case{0, false, true, false, false}, Case{kWizardBack, true, true, false, false},
                          Case{kWizardNext, false, true, true, false},
                          Case{kWizardBack | kWizardNext, true, true, true, false},
                          Case{kWizardFinish, false, false, false, true},
                          Case{kWizardBack | kWizardFinish, true, false, false, true}}) {
        sheet.SetWizardButtons(c.mask);
        SCOPED_TRACE(c.mask);
        EXPECT_EQ(sheet.GetWizardButtons(), c.mask);
        EXPECT_EQ(Button("backButton")->isEnabled(), c.back);
        EXPECT_EQ(Button("nextButton")->isVisible(), c.nextShown);
        EXPECT_EQ(Button("nextButton")->isEnabled(), c.nextEnabled);
        EXPECT_EQ(Button("finishButton")->isVisible(), c.finishShown);
        EXPECT_TRUE(Button("cancelButton")->isEnabled());
    }
    sheet.SetFinishText("Complete");
    EXPECT_EQ(Button("finishButton")->text(), "Complete");
}

TEST_F(FrameTest, PagesAreSetUpOnceAndActivatedOnEveryEntry) {
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    EXPECT_EQ(first.inits, 1);
    EXPECT_EQ(second.inits, 0);
    sheet.PressButton(WizardButton::Next);
    sheet.PressButton(WizardButton::Back);
    sheet.PressButton(WizardButton::Next);
    EXPECT_EQ(sheet.GetActiveIndex(), 1);
    EXPECT_EQ(first.inits, 1);
    EXPECT_EQ(first.activations, 2);
    EXPECT_EQ(second.inits, 1);
    EXPECT_EQ(second.activations, 2);
}

TEST_F(FrameTest, RefusingPageOrDisabledButtonKeepsThePage) {
    first.allowNext = false;
    sheet.PressButton(WizardButton::Next);
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    first.allowNext = true;
    sheet.SetWizardButtons(kWizardBack);
    sheet.PressButton(WizardButton::Next);
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    sheet.SetWizardButtons(kWizardBack | kWizardNext);
    sheet.PressButton(WizardButton::Next);
    second.allowBack = false;
    sheet.PressButton(WizardButton::Back);
    EXPECT_EQ(sheet.GetActiveIndex(), 1);
    EXPECT_EQ(second.activations, 1);
}

TEST_F(FrameTest, CancelClosesWithoutAQuestion) {
    MessageBoxAnswerer boxes;
    sheet.PressButton(WizardButton::Next);
    sheet.PressButton(WizardButton::Cancel);
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(sheet.result(), QDialog::Rejected);
    EXPECT_TRUE(boxes.seen().empty());
}

class TrelliqFrameTest : public WizardTest {};

TEST_F(TrelliqFrameTest, SheetHasCaptionIconNinePagesAndNoHelpButton) {
    OpenAt(0);
    EXPECT_EQ(sheet->windowTitle(), "Galvane");
    EXPECT_FALSE(sheet->windowIcon().isNull());
    EXPECT_FALSE(sheet->windowFlags() & Qt::WindowContextHelpButtonHint);
    ASSERT_EQ(sheet->GetPageCount(), 9);
    const char* names[] = {"welcomePage",       "stylePage",      "addressesPage", "titlesPage", "colorsPage",
                           "imageSettingsPage", "imageOrderPage", "progressPage",  "finishPage"};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(sheet->GetPage(i)->objectName(), names[i]);
    }
    EXPECT_EQ(QImage(":/galvane/galvane.png").size(), QSize(128, 128));
}

TEST_F(TrelliqFrameTest, F1OpensTheHelpPage) {
    OpenedUrls opened;
    OpenAt(CTrelliqSheet::kAddresses);
    sheet->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(sheet.get()));
    QTest::keyClick(sheet.get(), Qt::Key_F1);
    ASSERT_EQ(opened.urls.size(), 1u);
    EXPECT_TRUE(opened.urls[0].toLocalFile().endsWith("/galvane.html"));
    EXPECT_EQ(opened.urls[0].toLocalFile().toStdString(), GetGalvaneApp()->m_strHelpPath);
}

TEST_F(TrelliqFrameTest, WelcomePageOffersOnlyNextAndWritesTheVersion) {
    OpenAt(0);
    EXPECT_EQ(Buttons(), kWizardNext);
    EXPECT_EQ(WelcomePicture::VersionText(), "version 3.21  ");
    auto* picture = Find<WelcomePicture>("welcomePicture");
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->size(), QSize(499, 250));
    // The version is drawn over the picture in its lower right corner, and nowhere else.
    const QImage drawn = picture->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage plain = QImage(":/galvane/welcome.png").convertToFormat(QImage::Format_RGB32);
    auto changed = [&](QRect area) {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                count += drawn.pixel(x, y) != plain.pixel(x, y);
            }
        }
        return count;
    };
    EXPECT_GT(changed(QRect(380, 232, 119, 18)), 20);
    EXPECT_EQ(changed(QRect(0, 0, 499, 220)), 0);
    Press(WizardButton::Next);
    EXPECT_EQ(sheet->GetActiveIndex(), CTrelliqSheet::kStyle);
}

TEST_F(TrelliqFrameTest, LogoIsAHandThatOpensTheHomePage) {
    OpenedUrls opened;
    OpenAt(0);
    auto* logo = Find<LogoLink>("logoLink");
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->size(), QSize(115, 41));
    EXPECT_EQ(logo->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(logo, Qt::LeftButton, {}, QPoint(10, 10));
    ASSERT_EQ(opened.urls.size(), 1u);
    EXPECT_EQ(opened.urls[0].toString().toStdString(), kHomePage);
}
