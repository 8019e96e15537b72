#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include "imaging/widgets/color_example_static.h"
#include "tests/wizard/wizard_test_support.h"
#include "wizard/qt_bridge.h"

namespace {

class ColorsPageTest : public WizardTest {
protected:
    void OpenWithStyle(const std::vector<std::string>& files) {
        for (const std::string& name : files) {
            style.Write(name, "x");
        }
        job.m_strStylePath = style.path();
        OpenAt(CTrelliqSheet::kColors);
    }
    QCheckBox* UseBackground() { return Find<QCheckBox>("backgroundCheck"); }
    QLineEdit* Path() { return Find<QLineEdit>("backgroundPathEdit"); }
    QPushButton* Browse() { return Find<QPushButton>("backgroundBrowseButton"); }
    CColorExampleStatic* Example() { return Find<CColorExampleStatic>("colorExample"); }

    TempFolder style;
};

}  // namespace

TEST_F(ColorsPageTest, StyleBackgroundIsProposedAndShown) {
    OpenWithStyle({"background.jpg", "main.htm"});
    EXPECT_TRUE(UseBackground()->isChecked());
    EXPECT_EQ(Path()->text().toStdString(), style / "background.jpg");
    EXPECT_TRUE(Browse()->isEnabled());
    EXPECT_EQ(job.m_bUseBkgndImage, 1);
    EXPECT_EQ(job.m_strBkgndImage, style / "background.jpg");
    EXPECT_EQ(Example()->m_strBkgndImage, style / "background.jpg");
}

TEST_F(ColorsPageTest, AnyExtensionCountsAndWithoutOneNothingIsProposed) {
    OpenWithStyle({"background.txt"});
    EXPECT_EQ(job.m_strBkgndImage, style / "background.txt");
    sheet.reset();
    GetGalvaneApp()->ResetJob();
    sheet = std::make_unique<CTrelliqSheet>();
    job.m_strStylePath = dest.path();
    OpenAt(CTrelliqSheet::kColors);
    EXPECT_FALSE(UseBackground()->isChecked());
    EXPECT_FALSE(Browse()->isEnabled());
    EXPECT_FALSE(Path()->isEnabled());
    EXPECT_EQ(job.m_bUseBkgndImage, 0);
}

TEST_F(ColorsPageTest, SystemColoursAreTakenOnFirstShow) {
    OpenWithStyle({});
    const QPalette palette = QApplication::palette();
    EXPECT_EQ(job.m_crBkgndColor, ToColorRef(palette.color(QPalette::Base)));
    EXPECT_EQ(job.m_crTextColor, ToColorRef(palette.color(QPalette::Text)));
    EXPECT_EQ(Example()->m_crBkgndColor, job.m_crBkgndColor);
    EXPECT_EQ(Example()->m_crTextColor, job.m_crTextColor);
}

TEST_F(ColorsPageTest, ChooserOpensOnTheSystemColourAndCancelKeepsTheChoice) {
    OpenWithStyle({});
    std::vector<QColor> presets;
    QColor answer = Qt::red;
    sheet->m_colors.m_chooseColor = [&](const QColor& initial, QWidget*) {
        presets.push_back(initial);
        return answer;
    };
    Find<QPushButton>("bkgndColorButton")->click();
    EXPECT_EQ(job.m_crBkgndColor, MakeColorRef(255, 0, 0));
    EXPECT_EQ(Example()->m_crBkgndColor, MakeColorRef(255, 0, 0));
    answer = QColor();  // cancelled
    Find<QPushButton>("bkgndColorButton")->click();
    EXPECT_EQ(job.m_crBkgndColor, MakeColorRef(255, 0, 0));
    answer = QColor(0, 0, 255);
    Find<QPushButton>("textColorButton")->click();
    EXPECT_EQ(job.m_crTextColor, MakeColorRef(0, 0, 255));
    ASSERT_EQ(presets.size(), 3u);
    EXPECT_EQ(presets[0], SystemWindowColor());
    EXPECT_EQ(presets[1], SystemWindowColor());
    EXPECT_EQ(presets[2], SystemWindowTextColor());
}

TEST_F(ColorsPageTest, UncheckingKeepsThePathForLater) {
    OpenWithStyle({"background.gif"});
    UseBackground()->click();
    EXPECT_EQ(job.m_bUseBkgndImage, 0);
    EXPECT_EQ(job.m_strBkgndImage, style / "background.gif");
    EXPECT_FALSE(Browse()->isEnabled());
    EXPECT_EQ(Example()->m_strBkgndImage, "");
    // Coming back to the page still shows no picture while the box is unchecked.
    sheet->SetActivePage(CTrelliqSheet::kColors);
    EXPECT_EQ(Example()->m_strBkgndImage, "");
    UseBackground()->click();
    EXPECT_EQ(job.m_bUseBkgndImage, 1);
    EXPECT_EQ(Example()->m_strBkgndImage, style / "background.gif");
}

TEST_F(ColorsPageTest, BrowseUsesTheTranslatedFilterAndTakesTheFile) {
    OpenWithStyle({"background.jpg"});
    QString filterSeen;
    const std::string chosen = style.Write("tile.gif", "x");
    sheet->m_colors.m_chooseFile = [&](QWidget*, const QString& filter) {
        filterSeen = filter;
        return QString::fromStdString(chosen);
    };
    Browse()->click();
    EXPECT_EQ(filterSeen,
              "Backgroud files(*.gif;*.jpg) (*.gif *.GIF *.jpg *.JPG);;GIF Files(*.GIF) (*.GIF *.gif);;"
              "Jpeg Files(*.JPG) (*.JPG *.jpg)");
    EXPECT_EQ(Path()->text().toStdString(), chosen);
    EXPECT_EQ(job.m_strBkgndImage, chosen);
    EXPECT_EQ(Example()->m_strBkgndImage, chosen);
    Press(WizardButton::Next);
    EXPECT_EQ(sheet->GetActiveIndex(), CTrelliqSheet::kImageSettings);
}

TEST_F(ColorsPageTest, CheckedBoxWithoutAPictureIsRefused) {
    OpenWithStyle({});
    MessageBoxAnswerer boxes;
    UseBackground()->click();
    Press(WizardButton::Next);
    EXPECT_EQ(sheet->GetActiveIndex(), CTrelliqSheet::kColors);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text,
              "Background file is not exist. Input path to background image (press \"Browse\" button) or "
              "unselect \"Use background image\" checkbox.");
    EXPECT_EQ(boxes.seen()[0].caption, "Warning");
    EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Warning);
    UseBackground()->click();
    Press(WizardButton::Next);
    EXPECT_EQ(sheet->GetActiveIndex(), CTrelliqSheet::kImageSettings);
    EXPECT_EQ(boxes.seen().size(), 1u);
}
