#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "engine/style_library.h"
#include "imaging/widgets/picture_preview.h"

#include "tests/wizard/wizard_test_support.h"

namespace {

class StylePageTest : public WizardTest {
protected:
    QTreeWidget* List() { return Find<QTreeWidget>("styleList"); }
    QPushButton* ViewEdit() { return Find<QPushButton>("viewEditButton"); }
    void Select(int row) { List()->setCurrentItem(List()->topLevelItem(row)); }
    QLabel* Hint() { return Find<QLabel>("pickHint"); }
    CPicturePreview* Preview() { return Find<CPicturePreview>("stylePreview"); }
    // Pixels of the list drawn in the selection colour: what makes a row look chosen.
    int HighlightedPixels() {
        const QImage shot = List()->viewport()->grab().toImage();
        const QColor highlight = List()->palette().color(QPalette::Active, QPalette::Highlight);
        const QColor inactive = List()->palette().color(QPalette::Inactive, QPalette::Highlight);
        int count = 0;
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x) {
                const QColor pixel = shot.pixelColor(x, y);
                count += pixel == highlight || pixel == inactive ? 1 : 0;
            }
        }
        return count;
    }
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
    EXPECT_EQ(Hint()->text(), "Pick a style in the list to go on.");
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
    EXPECT_EQ(Hint()->text(), "");
}

TEST_F(StylePageTest, ViewEditOpensTheStyleFolder) {
    OpenedUrls opened;
    OpenAt(CTrelliqSheet::kStyle);
    Select(0);
    ViewEdit()->click();
    ASSERT_EQ(opened.urls.size(), 1u);
    EXPECT_EQ(opened.urls[0].toLocalFile().toStdString(), BundledStyle("Classic"));
}

// Focus alone picks nothing and shows nothing as picked; a line says what to do. The first key
// or click picks a style, enables Next, hides the line and shows the style's preview.
TEST_F(StylePageTest, NothingLooksChosenUntilAPick) {
    OpenAt(CTrelliqSheet::kStyle);
    sheet->activateWindow();
    List()->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(List()->currentItem(), nullptr);
    EXPECT_TRUE(List()->selectedItems().isEmpty());
    EXPECT_EQ(HighlightedPixels(), 0);
    EXPECT_TRUE(Hint()->isVisible());
    EXPECT_EQ(Hint()->text(), "Pick a style in the list to go on.");
    EXPECT_EQ(Buttons(), kWizardBack);

    QTest::keyClick(List(), Qt::Key_Down);
    EXPECT_EQ(job.m_strStylePath, BundledStyle("Classic"));
    EXPECT_EQ(Buttons(), kWizardBack | kWizardNext);
    EXPECT_EQ(Hint()->text(), "Classic is chosen. Press Next to go on with it.");
    EXPECT_GT(HighlightedPixels(), 0);
    EXPECT_EQ(Preview()->path(), BundledStyle("Classic") + "/preview/preview.png");
    EXPECT_TRUE(WaitFor([&] { return Preview()->IsShown(); }, 20000));

    const QRect slides = List()->visualItemRect(List()->topLevelItem(2));
    // The column is wider than the list: click near the name, at its left.
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, QPoint(20, slides.center().y()));
    EXPECT_EQ(job.m_strStylePath, BundledStyle("Slides"));
    EXPECT_EQ(Preview()->path(), BundledStyle("Slides") + "/preview/preview.png");
    Press(WizardButton::Next);
    EXPECT_EQ(sheet->GetActiveIndex(), CTrelliqSheet::kAddresses);
}

// A style without a preview picture shows an empty preview, and still can be chosen.
TEST_F(StylePageTest, AStyleWithoutAPreviewShowsNone) {
    TempFolder folder;
    folder.Write("###Plain/plain-main.htm", "<MAIN-INDEX-PAGE><MAIN>");
    sheet->m_second.m_styleFolders = {folder.path()};
    OpenAt(CTrelliqSheet::kStyle);
    Select(0);
    EXPECT_EQ(Buttons(), kWizardBack | kWizardNext);
    EXPECT_EQ(Preview()->path(), "");
    EXPECT_FALSE(Preview()->IsDecoding());
    EXPECT_EQ(Hint()->text(), "Plain is chosen. Press Next to go on with it.");
}
