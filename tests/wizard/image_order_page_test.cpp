#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include "imaging/widgets/preview_static.h"
#include "tests/support/exiftool.h"
#include "tests/wizard/wizard_test_support.h"

namespace {

class ImageOrderPageTest : public WizardTest {
protected:
    // Pictures named after `names` (plus a thumbnail of an earlier run and a text file, which stay out).
    void OpenWith(const std::vector<std::string>& names) {
        int shade = 0;
        for (const std::string& name : names) {
            WriteJpeg(source / name, 60, 40, QColor::fromHsv((shade += 50) % 360, 200, 200));
        }
        WriteJpeg(source / "thn_old.jpg", 20, 20, Qt::gray);
        source.Write("notes.txt", "x");
        job.m_strSourceFolder = source.path();
        OpenAt(CTrelliqSheet::kImageOrder);
    }
    QTreeWidget* List() { return Find<QTreeWidget>("pictureList"); }
    void Click(const char* name) { Find<QPushButton>(name)->click(); }
    // The list as the page shows it, as bare names; it must match the picture list row by row.
    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        const ImageList& images = sheet->m_imageList;
        EXPECT_EQ(static_cast<std::size_t>(List()->topLevelItemCount()), images.GetSize());
        for (int i = 0; i < List()->topLevelItemCount(); ++i) {
            const std::string path = List()->topLevelItem(i)->text(0).toStdString();
            EXPECT_EQ(path, images.GetPathAt(static_cast<std::size_t>(i)));
            rows.push_back(path.substr(path.rfind('/') + 1));
        }
        return rows;
    }
    int Selected() {
        const QList<QTreeWidgetItem*> items = List()->selectedItems();
        EXPECT_EQ(items.size(), 1);
        EXPECT_EQ(List()->currentItem(), items.value(0));
        return items.isEmpty() ? -1 : List()->indexOfTopLevelItem(items[0]);
    }
    std::string Previewed() { return Find<CPreviewStatic>("preview")->path(); }
    using Names = std::vector<std::string>;
};

}  // namespace

TEST_F(ImageOrderPageTest, EnteringScansSelectsAndPreviewsTheFirstPicture) {
    OpenWith({"b.jpg", "a.jpg", "C.JPG"});
    EXPECT_EQ(List()->headerItem()->text(0), "Source images");
    EXPECT_EQ(Rows(), (Names{"a.jpg", "b.jpg", "C.JPG"}));
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(Previewed(), source / "a.jpg");
    List()->setCurrentItem(List()->topLevelItem(2));
    EXPECT_EQ(Previewed(), source / "C.JPG");
}

TEST_F(ImageOrderPageTest, MovesStopAtTheEnds) {
    OpenWith({"a.jpg", "b.jpg", "c.jpg"});
    Click("moveUpButton");
    EXPECT_EQ(Rows(), (Names{"a.jpg", "b.jpg", "c.jpg"}));
    List()->setCurrentItem(List()->topLevelItem(2));
    Click("moveDownButton");
    EXPECT_EQ(Rows(), (Names{"a.jpg", "b.jpg", "c.jpg"}));
    Click("moveUpButton");
    EXPECT_EQ(Rows(), (Names{"a.jpg", "c.jpg", "b.jpg"}));
    EXPECT_EQ(Selected(), 1);
    Click("moveDownButton");
    EXPECT_EQ(Rows(), (Names{"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_EQ(Selected(), 2);
    EXPECT_EQ(Previewed(), source / "c.jpg");
}

TEST_F(ImageOrderPageTest, ThirdOfFiveMovedUpTwiceBecomesFirst) {
    OpenWith({"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"});
    List()->setCurrentItem(List()->topLevelItem(2));
    Click("moveUpButton");
    Click("moveUpButton");
    EXPECT_EQ(Rows(), (Names{"c.jpg", "a.jpg", "b.jpg", "d.jpg", "e.jpg"}));
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(Previewed(), source / "c.jpg");
}

TEST_F(ImageOrderPageTest, DeleteSelectsTheNeighbourAndKeepsTheLastPicture) {
    OpenWith({"a.jpg", "b.jpg", "c.jpg"});
    MessageBoxAnswerer boxes;
    Click("deleteButton");
    EXPECT_EQ(Rows(), (Names{"b.jpg", "c.jpg"}));
    EXPECT_EQ(Selected(), 0);
    List()->setCurrentItem(List()->topLevelItem(1));
    Click("deleteButton");
    EXPECT_EQ(Rows(), (Names{"b.jpg"}));
    EXPECT_EQ(Selected(), 0);
    EXPECT_TRUE(boxes.seen().empty());
    Click("deleteButton");
    EXPECT_EQ(Rows(), (Names{"b.jpg"}));
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "Last file can not be removed");
    EXPECT_EQ(boxes.seen()[0].caption, "Information");
    EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::NoIcon);
    EXPECT_TRUE(FileExists(source / "a.jpg"));
}

TEST_F(ImageOrderPageTest, OrderSurvivesRevisitsUntilTheSourceChanges) {
    OpenWith({"a.jpg", "b.jpg", "c.jpg"});
    List()->setCurrentItem(List()->topLevelItem(2));
    Click("moveUpButton");
    Click("deleteButton");
    EXPECT_EQ(Rows(), (Names{"a.jpg", "b.jpg"}));
    sheet->SetActivePage(CTrelliqSheet::kImageSettings);
    sheet->SetActivePage(CTrelliqSheet::kImageOrder);
    EXPECT_EQ(Rows(), (Names{"a.jpg", "b.jpg"}));

    TempFolder other;
    WriteJpeg(other / "z.jpg", 30, 30, Qt::blue);
    job.m_strSourceFolder = other.path();
    sheet->SetActivePage(CTrelliqSheet::kImageOrder);
    EXPECT_EQ(Rows(), (Names{"z.jpg"}));
}

TEST_F(ImageOrderPageTest, EmptyFolderGivesAnEmptyListAndIdleButtons) {
    job.m_strSourceFolder = source.path();
    job.m_strDestFolder = dest.path();
    OpenAt(CTrelliqSheet::kImageOrder);
    MessageBoxAnswerer boxes;
    for (const char* button : {"moveUpButton", "moveDownButton", "deleteButton"}) {
        Click(button);
    }
    EXPECT_EQ(List()->topLevelItemCount(), 0);
    EXPECT_TRUE(boxes.seen().empty());
    Press(WizardButton::Next);
    EXPECT_TRUE(WaitFor([&] { return sheet->GetActiveIndex() == CTrelliqSheet::kFinish; }));
}

// The pictures' words on the page: the sort button and the caption under the preview.
TEST_F(ImageOrderPageTest, SortByDateKeepsTheSelectedPictureAndUndatedOnesLast) {
    OpenWith({"a.jpg", "b.jpg", "c.jpg", "d.jpg"});
    ASSERT_TRUE(WriteTags(source / "a.jpg", {"-EXIF:DateTimeOriginal=2022:01:01 00:00:00"}));
    ASSERT_TRUE(WriteTags(source / "c.jpg", {"-EXIF:DateTimeOriginal=2020:01:01 00:00:00"}));
    ASSERT_TRUE(WriteTags(source / "d.jpg", {"-EXIF:ModifyDate=1999:01:01 00:00:00"}));
    source.Write("b.jpg.xmp",
                 "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
                 "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
                 "xmlns:photoshop='http://ns.adobe.com/photoshop/1.0/' "
                 "photoshop:DateCreated='2021-06-01'/></rdf:RDF></x:xmpmeta>");
    List()->setCurrentItem(List()->topLevelItem(0));
    Click("sortByDateButton");
    EXPECT_EQ(Rows(), (Names{"c.jpg", "b.jpg", "a.jpg", "d.jpg"}));
    EXPECT_EQ(Selected(), 2);
    EXPECT_EQ(Previewed(), source / "a.jpg");
    // Moving still works on the sorted list.
    Click("moveUpButton");
    EXPECT_EQ(Rows(), (Names{"c.jpg", "a.jpg", "b.jpg", "d.jpg"}));
}

TEST_F(ImageOrderPageTest, TheCaptionStandsUnderThePreviewAsPlainText) {
    OpenWith({"a.jpg", "b.jpg", "c.jpg"});
    ASSERT_TRUE(WriteTags(source / "b.jpg",
                          {"-IPTC:Caption-Abstract=<b>Not bold</b> & more", "-XMP-dc:Title=Evening"}));
    source.Write("c.jpg.txt", std::string(1000, 'x'));
    auto* caption = Find<QLabel>("previewCaption");
    EXPECT_EQ(caption->text(), "");
    List()->setCurrentItem(List()->topLevelItem(1));
    EXPECT_EQ(caption->text(), QString::fromUtf8("Evening \u2013 <b>Not bold</b> & more"));
    EXPECT_EQ(caption->textFormat(), Qt::PlainText);
    List()->setCurrentItem(List()->topLevelItem(2));
    EXPECT_EQ(caption->text(), QString(300, 'x') + QString::fromUtf8("\u2026"));
    EXPECT_EQ(caption->toolTip(), QString(1000, 'x'));
}
