// The image order page in a gallery of albums: the album chooser, moves and deletions within the
// chosen album, the last-picture rule per album, and what a real run publishes of them.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>

#include "imaging/widgets/picture_preview.h"
#include "tests/wizard/wizard_test_support.h"

namespace {

using Names = std::vector<std::string>;

class AlbumOrderPageTest : public WizardTest {
protected:
    AlbumOrderPageTest() {
        job.m_strSourceFolder = source.path();
        job.m_strDestFolder = dest.path();
        job.m_strStylePath = BundledStyle("Classic");
        job.m_nThumbMaxWidth = 100;
        job.m_nThumbMaxHeight = 100;
        job.m_nLargeMaxWidth = 200;
        job.m_nLargeMaxHeight = 200;
        job.m_nJpegQuality = 75;
        job.m_bAlbums = true;
        // The top with two pictures, A with three and the album B inside, C with one, and a hidden
        // folder that is no album.
        int shade = 0;
        for (const char* name : {"t1.jpg", "t2.jpg", "A/a1.jpg", "A/a2.jpg", "A/a3.jpg", "A/B/b1.jpg",
                                 "C/c1.jpg", ".hidden/h.jpg"}) {
            source.MakeFolder(std::string(name).substr(0, std::string(name).rfind('/') + 1));
            WriteJpeg(source / name, 60, 40, QColor::fromHsv((shade += 40) % 360, 200, 200));
        }
    }
    void Open() { OpenAt(CTrelliqSheet::kImageOrder); }
    QTreeWidget* List() { return Find<QTreeWidget>("pictureList"); }
    QComboBox* Chooser() { return Find<QComboBox>("albumChooser"); }
    void Click(const char* name) { Find<QPushButton>(name)->click(); }
    void Choose(int album) { Chooser()->setCurrentIndex(album); }
    void SelectRow(int row) { List()->setCurrentItem(List()->topLevelItem(row)); }
    // The rows of the list as names relative to the source.
    Names Rows() {
        Names rows;
        for (int i = 0; i < List()->topLevelItemCount(); ++i) {
            rows.push_back(List()->topLevelItem(i)->text(0).toStdString().substr(source.path().size() + 1));
        }
        return rows;
    }
    std::vector<QString> Choices() {
        std::vector<QString> texts;
        for (int i = 0; i < Chooser()->count(); ++i) {
            texts.push_back(Chooser()->itemText(i));
        }
        return texts;
    }
    std::string Previewed() { return Find<CPicturePreview>("preview")->path(); }
    QString Count() { return Find<QLabel>("pictureCount")->text(); }
    // Publishes through the progress page and waits for the finish page.
    void Publish() {
        Press(WizardButton::Next);
        ASSERT_TRUE(WaitFor([&] { return sheet->GetActiveIndex() == CTrelliqSheet::kFinish; }));
        ASSERT_TRUE(sheet->Publisher().Report().completed);
    }
    // The pictures an album's pages show, in page order: its index page's thumbnails, and the
    // large picture each picture page shows.
    Names Published(const std::string& album) {
        const std::string folder = album.empty() ? dest.path() : dest / album;
        Names thumbnails = ThumbnailLinks(folder + "/indexpage1.htm");
        for (std::size_t i = 0; i < thumbnails.size(); ++i) {
            const std::string large = thumbnails[i].substr(4);
            EXPECT_NE(
                ReadFile(folder + "/imagepage" + std::to_string(i + 1) + ".htm").find("\"" + large + "\""),
                std::string::npos)
                << album << " " << large;
        }
        EXPECT_FALSE(FileExists(folder + "/imagepage" + std::to_string(thumbnails.size() + 1) + ".htm"));
        return thumbnails;
    }
};

}  // namespace

TEST_F(AlbumOrderPageTest, ChoosingAnAlbumShowsItsPictures) {
    Open();
    ASSERT_FALSE(Chooser()->isHidden());
    EXPECT_FALSE(Find<QLabel>("albumLabel")->isHidden());
    EXPECT_EQ(Choices(), (std::vector<QString>{"Top album: 2 pictures, 2 albums", "A: 3 pictures, 1 album",
                                               "A/B: 1 picture", "C: 1 picture"}));
    EXPECT_EQ(Chooser()->currentIndex(), 0);
    EXPECT_EQ(Rows(), (Names{"t1.jpg", "t2.jpg"}));
    EXPECT_EQ(Count(), "2 pictures in this album, 7 in all 4 albums");
    Choose(1);
    EXPECT_EQ(Rows(), (Names{"A/a1.jpg", "A/a2.jpg", "A/a3.jpg"}));
    EXPECT_EQ(List()->currentItem(), List()->topLevelItem(0));
    EXPECT_TRUE(List()->topLevelItem(0)->isSelected());
    EXPECT_EQ(Previewed(), source / "A/a1.jpg");
    EXPECT_EQ(Count(), "3 pictures in this album, 7 in all 4 albums");
    Choose(2);
    EXPECT_EQ(Rows(), (Names{"A/B/b1.jpg"}));
    EXPECT_EQ(Previewed(), source / "A/B/b1.jpg");
    // Leaving the page and coming back keeps the chosen album.
    sheet->SetActivePage(CTrelliqSheet::kImageSettings);
    sheet->SetActivePage(CTrelliqSheet::kImageOrder);
    EXPECT_EQ(Chooser()->currentIndex(), 2);
    EXPECT_EQ(Rows(), (Names{"A/B/b1.jpg"}));
}

// Moves, a deletion and Sort by Date in A change A's pages and nothing else of the gallery.
TEST_F(AlbumOrderPageTest, ReorderAndDeleteWithinAnAlbumChangeOnlyThatAlbum) {
    Open();
    Choose(1);
    SelectRow(2);
    Click("moveUpButton");
    Click("moveUpButton");
    EXPECT_EQ(Rows(), (Names{"A/a3.jpg", "A/a1.jpg", "A/a2.jpg"}));
    SelectRow(1);
    QTest::keyClick(List(), Qt::Key_Delete);
    EXPECT_EQ(Rows(), (Names{"A/a3.jpg", "A/a2.jpg"}));
    EXPECT_EQ(Previewed(), source / "A/a2.jpg");
    EXPECT_EQ(Choices()[1], "A: 2 pictures, 1 album");
    EXPECT_EQ(Count(), "2 pictures in this album, 6 in all 4 albums");
    // The other albums are as they were.
    Choose(0);
    EXPECT_EQ(Rows(), (Names{"t1.jpg", "t2.jpg"}));
    Choose(3);
    EXPECT_EQ(Rows(), (Names{"C/c1.jpg"}));
    Choose(1);
    EXPECT_EQ(Rows(), (Names{"A/a3.jpg", "A/a2.jpg"}));
    Publish();
    EXPECT_EQ(Published(""), (Names{"thn_t1.jpg", "thn_t2.jpg"}));
    EXPECT_EQ(Published("A"), (Names{"thn_a3.jpg", "thn_a2.jpg"}));
    EXPECT_EQ(Published("A/B"), (Names{"thn_b1.jpg"}));
    EXPECT_EQ(Published("C"), (Names{"thn_c1.jpg"}));
    EXPECT_FALSE(FileExists(dest / "A/thn_a1.jpg"));
    EXPECT_TRUE(FileExists(source / "A/a1.jpg"));
    EXPECT_FALSE(FileExists(dest / ".hidden"));
}

// An album's last picture stays unless the album holds albums; then the album shows only those.
TEST_F(AlbumOrderPageTest, TheLastPictureRuleHoldsPerAlbum) {
    Open();
    MessageBoxAnswerer boxes;
    Choose(3);  // C: one picture, no albums
    Click("deleteButton");
    EXPECT_EQ(Rows(), (Names{"C/c1.jpg"}));
    Choose(2);  // A/B likewise
    QTest::keyClick(List(), Qt::Key_Delete);
    EXPECT_EQ(Rows(), (Names{"A/B/b1.jpg"}));
    ASSERT_EQ(boxes.seen().size(), 2u);
    for (const SeenBox& box : boxes.seen()) {
        EXPECT_EQ(box.text, "Last file can not be removed");
        EXPECT_EQ(box.caption, "Information");
    }

    // A holds B: all three of its pictures may go, and so may the top album's two.
    Choose(1);
    for (int i = 0; i < 3; ++i) {
        Click("deleteButton");
    }
    EXPECT_EQ(List()->topLevelItemCount(), 0);
    EXPECT_EQ(Previewed(), "");
    EXPECT_EQ(Choices()[1], "A: 0 pictures, 1 album");
    Click("deleteButton");
    Click("moveUpButton");
    Click("sortByDateButton");
    Choose(0);
    SelectRow(1);
    Click("deleteButton");
    Click("deleteButton");
    EXPECT_EQ(List()->topLevelItemCount(), 0);
    EXPECT_EQ(Count(), "0 pictures in this album, 2 in all 4 albums");
    EXPECT_EQ(boxes.seen().size(), 2u);

    Publish();
    EXPECT_EQ(Published(""), Names{});
    EXPECT_EQ(Published("A"), Names{});
    EXPECT_EQ(Published("A/B"), (Names{"thn_b1.jpg"}));
    EXPECT_EQ(Published("C"), (Names{"thn_c1.jpg"}));
    // The emptied albums still lead on to their albums.
    EXPECT_NE(ReadFile(dest / "main.htm").find("href=\"A/main.htm\""), std::string::npos);
    EXPECT_NE(ReadFile(dest / "A/main.htm").find("href=\"B/main.htm\""), std::string::npos);
    EXPECT_FALSE(FileExists(dest / "thn_t1.jpg"));
}

// With albums off the page is the one list of the source's own pictures, as ever.
TEST_F(AlbumOrderPageTest, AlbumsOffShowsTheTopListAsBefore) {
    job.m_bAlbums = false;
    Open();
    MessageBoxAnswerer boxes;
    EXPECT_TRUE(Chooser()->isHidden());
    EXPECT_TRUE(Find<QLabel>("albumLabel")->isHidden());
    EXPECT_EQ(Rows(), (Names{"t1.jpg", "t2.jpg"}));
    EXPECT_EQ(Count(), "2 pictures");
    EXPECT_TRUE(sheet->Publisher().m_albumLists.empty());
    Click("deleteButton");
    Click("deleteButton");
    EXPECT_EQ(Rows(), (Names{"t2.jpg"}));
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "Last file can not be removed");
    Publish();
    EXPECT_EQ(Published(""), (Names{"thn_t2.jpg"}));
    EXPECT_FALSE(FileExists(dest / "A"));
}

// Back on the addresses page, the album check box and the source rebuild the view; the top album
// keeps the user's order while the source stays.
TEST_F(AlbumOrderPageTest, TheCheckBoxAndTheSourceRebuildTheView) {
    Open();
    Click("moveDownButton");
    Choose(1);
    Click("moveDownButton");
    EXPECT_EQ(Rows(), (Names{"A/a2.jpg", "A/a1.jpg", "A/a3.jpg"}));

    sheet->SetActivePage(CTrelliqSheet::kAddresses);
    Find<QCheckBox>("albumsCheck")->click();
    ASSERT_FALSE(job.m_bAlbums);
    sheet->SetActivePage(CTrelliqSheet::kImageOrder);
    EXPECT_TRUE(Chooser()->isHidden());
    EXPECT_EQ(Rows(), (Names{"t2.jpg", "t1.jpg"}));
    EXPECT_EQ(Count(), "2 pictures");

    sheet->SetActivePage(CTrelliqSheet::kAddresses);
    Find<QCheckBox>("albumsCheck")->click();
    sheet->SetActivePage(CTrelliqSheet::kImageOrder);
    EXPECT_FALSE(Chooser()->isHidden());
    EXPECT_EQ(Chooser()->currentIndex(), 0);
    EXPECT_EQ(Rows(), (Names{"t2.jpg", "t1.jpg"}));
    Choose(1);
    EXPECT_EQ(Rows(), (Names{"A/a1.jpg", "A/a2.jpg", "A/a3.jpg"}));

    TempFolder other;
    other.MakeFolder("X");
    WriteJpeg(other / "X/x.jpg", 30, 30, Qt::blue);
    job.m_strSourceFolder = other.path();
    sheet->SetActivePage(CTrelliqSheet::kImageOrder);
    EXPECT_EQ(Choices(), (std::vector<QString>{"Top album: 0 pictures, 1 album", "X: 1 picture"}));
    EXPECT_EQ(List()->topLevelItemCount(), 0);
    EXPECT_EQ(Previewed(), "");
}

// A top album left without pictures because it held albums gets them back when albums are
// switched off: the last-picture rule of the one list holds again.
TEST_F(AlbumOrderPageTest, AnEmptiedTopAlbumIsFilledAgainWithAlbumsOff) {
    Open();
    Click("deleteButton");
    Click("deleteButton");
    ASSERT_EQ(List()->topLevelItemCount(), 0);
    sheet->SetActivePage(CTrelliqSheet::kAddresses);
    Find<QCheckBox>("albumsCheck")->click();
    sheet->SetActivePage(CTrelliqSheet::kImageOrder);
    EXPECT_EQ(Rows(), (Names{"t1.jpg", "t2.jpg"}));
    EXPECT_EQ(Previewed(), source / "t1.jpg");
}

// The progress page counts every picture of every album, in one run.
TEST_F(AlbumOrderPageTest, TheProgressPageCountsThePicturesOfAllAlbums) {
    Open();
    Choose(1);
    Click("deleteButton");
    std::vector<std::string> lines;
    auto* line = Find<QLabel>("pictureLine");
    QObject::connect(Find<QProgressBar>("progressBar"), &QProgressBar::valueChanged,
                     [&](int) { lines.push_back(line->text().toStdString()); });
    Publish();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "6 of 6: c1.jpg");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "3 of 6: a2.jpg"), lines.end());
}
