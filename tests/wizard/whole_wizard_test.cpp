#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "tests/support/gallery_links.h"
#include "tests/wizard/wizard_test_support.h"

namespace {

class WholeWizardTest : public WizardTest {
protected:
    template <typename T>
    T* Get(const char* name) {
        T* widget = Find<T>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void Next(int expectedPage) {
        Press(WizardButton::Next);
        ASSERT_EQ(sheet->GetActiveIndex(), expectedPage);
    }
};

}  // namespace

// A newcomer's way through the wizard: every page in turn with its own controls, five pictures of
// which one is moved to the front and one left out, the Classic style, and the gallery opened at the
// end.
TEST_F(WholeWizardTest, PublishesAReorderedGalleryFromWelcomeToFinish) {
    const char* names[] = {"beach.jpg", "dunes.jpg", "forest.jpg", "harbour.jpg", "meadow.jpg"};
    int hue = 0;
    for (const char* name : names) {
        WriteJpeg(source / name, 320, 240, QColor::fromHsv(hue += 60, 200, 220));
    }
    const std::string gallery = dest / "gallery";
    MessageBoxAnswerer boxes({QMessageBox::Yes});
    OpenedUrls opened;

    OpenAt(CTrelliqSheet::kWelcome);
    ASSERT_EQ(Buttons(), kWizardNext);
    Next(CTrelliqSheet::kStyle);

    auto* styles = Get<QTreeWidget>("styleList");
    styles->setCurrentItem(styles->findItems("Classic", Qt::MatchExactly).value(0));
    Next(CTrelliqSheet::kAddresses);

    QTest::keyClicks(Get<QLineEdit>("sourceEdit"), QString::fromStdString(source.path()));
    QTest::keyClicks(Get<QLineEdit>("destEdit"), QString::fromStdString(gallery));
    Next(CTrelliqSheet::kTitles);
    ASSERT_EQ(boxes.seen().size(), 1u);  // the destination is created on request

    Get<QLineEdit>("titleEdit")->selectAll();
    QTest::keyClicks(Get<QLineEdit>("titleEdit"), "Seaside");
    Next(CTrelliqSheet::kColors);
    Next(CTrelliqSheet::kImageSettings);
    Get<QLineEdit>("largeWidthEdit")->setText("160");
    Get<QLineEdit>("largeHeightEdit")->setText("120");
    Next(CTrelliqSheet::kImageOrder);

    auto* pictures = Get<QTreeWidget>("pictureList");
    ASSERT_EQ(pictures->topLevelItemCount(), 5);
    pictures->setCurrentItem(pictures->topLevelItem(3));  // harbour first
    for (int i = 0; i < 3; ++i) {
        Get<QPushButton>("moveUpButton")->click();
    }
    pictures->setCurrentItem(pictures->topLevelItem(2));  // dunes left out
    Get<QPushButton>("deleteButton")->click();
    ASSERT_EQ(pictures->topLevelItemCount(), 4);

    Press(WizardButton::Next);
    ASSERT_TRUE(WaitFor([&] { return sheet->GetActiveIndex() == CTrelliqSheet::kFinish; }));
    EXPECT_EQ(Get<QPushButton>("finishButton")->text(), "Complete");
    Press(WizardButton::Finish);
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    ASSERT_EQ(opened.urls.size(), 1u);
    EXPECT_EQ(opened.urls[0].toLocalFile().toStdString(), gallery + "/main.htm");
    EXPECT_EQ(boxes.seen().size(), 1u);

    // The gallery: its pages, the pictures in the new order, the left-out one absent.
    EXPECT_NE(ReadFile(gallery + "/main.htm").find("<title>Seaside</title>"), std::string::npos);
    EXPECT_EQ(
        ThumbnailLinks(gallery + "/indexpage1.htm"),
        (std::vector<std::string>{"thn_harbour.jpg", "thn_beach.jpg", "thn_forest.jpg", "thn_meadow.jpg"}));
    for (const char* base : {"harbour", "beach", "forest", "meadow"}) {
        EXPECT_TRUE(FileExists(gallery + "/thn_" + base + ".jpg")) << base;
        EXPECT_TRUE(FileExists(gallery + "/" + base + ".jpg")) << base;
    }
    EXPECT_FALSE(FileExists(gallery + "/thn_dunes.jpg"));
    EXPECT_TRUE(FileExists(gallery + "/imagepage4.htm"));
    EXPECT_FALSE(FileExists(gallery + "/imagepage5.htm"));
    EXPECT_NE(ReadFile(gallery + "/imagepage1.htm").find("harbour.jpg"), std::string::npos);
    EXPECT_TRUE(DanglingLocalLinks(gallery).empty());
    EXPECT_TRUE(FileExists(gallery + "/background.jpg"));  // the style's background, proposed and used
}
