#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "engine/directory.h"
#include "tests/support/small_disk.h"

#include "tests/wizard/wizard_test_support.h"

namespace {

class AddressesPageTest : public WizardTest {
protected:
    AddressesPageTest() {
        source.Write("picture.jpg", "x");
        OpenAt(CTrelliqSheet::kAddresses);
    }
    QLineEdit* Source() { return Find<QLineEdit>("sourceEdit"); }
    QLineEdit* Dest() { return Find<QLineEdit>("destEdit"); }
    QCheckBox* UseOriginal() { return Find<QCheckBox>("useOriginalCheck"); }
    void Type(QLineEdit* edit, const std::string& text) {
        QTest::keyClicks(edit, QString::fromStdString(text));
    }
    int Page() const { return sheet->GetActiveIndex(); }
};

}  // namespace

TEST_F(AddressesPageTest, NextNeedsTwoCharactersInBothFields) {
    EXPECT_EQ(Buttons(), kWizardBack);
    Type(Dest(), "/x");
    EXPECT_EQ(Buttons(), kWizardBack);
    Type(Source(), "/");
    EXPECT_EQ(Buttons(), kWizardBack);
    Type(Source(), "a");
    EXPECT_EQ(Buttons(), kWizardBack | kWizardNext);
    EXPECT_EQ(job.m_strSourceFolder, "/a");
    EXPECT_EQ(job.m_strDestFolder, "/x");
    QTest::keyClick(Dest(), Qt::Key_Backspace);
    EXPECT_EQ(Buttons(), kWizardBack);
    EXPECT_EQ(job.m_strDestFolder, "/");
}

TEST_F(AddressesPageTest, UseOriginalMakesTheDestinationFollowTheSource) {
    Type(Source(), "/pictures");
    UseOriginal()->click();
    EXPECT_EQ(Dest()->text(), "/pictures");
    EXPECT_TRUE(Dest()->isReadOnly());
    EXPECT_FALSE(Find<QPushButton>("destBrowseButton")->isEnabled());
    Type(Source(), "2");
    EXPECT_EQ(Dest()->text(), "/pictures2");
    EXPECT_EQ(job.m_strDestFolder, "/pictures2");
    EXPECT_EQ(job.m_strSourceFolder, "/pictures2");

    UseOriginal()->click();
    EXPECT_EQ(Dest()->text(), "/pictures2");
    EXPECT_FALSE(Dest()->isReadOnly());
    EXPECT_TRUE(Find<QPushButton>("destBrowseButton")->isEnabled());
}

TEST_F(AddressesPageTest, AlbumsCheckBoxIsOffByDefaultAndGoesIntoTheJob) {
    QCheckBox* albums = Find<QCheckBox>("albumsCheck");
    EXPECT_EQ(albums->text(), "Publish subfolders as albums");
    EXPECT_FALSE(albums->isChecked());
    EXPECT_FALSE(job.m_bAlbums);
    albums->click();
    EXPECT_TRUE(job.m_bAlbums);
    albums->click();
    EXPECT_FALSE(job.m_bAlbums);
}

// A folder of folders holds no pictures of its own: with albums off it is refused as ever, with
// albums on it is the gallery of its albums.
TEST_F(AddressesPageTest, AFolderOfAlbumsIsASourceOnlyWithAlbumsOn) {
    TempFolder folders;
    folders.Write("2026/Rome/a.jpg", "x");
    MessageBoxAnswerer boxes;
    Type(Source(), folders.path());
    Type(Dest(), dest.path());
    Press(WizardButton::Next);
    EXPECT_EQ(Page(), CTrelliqSheet::kAddresses);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_TRUE(boxes.seen()[0].text.contains("holds no pictures")) << boxes.seen()[0].text.toStdString();
    Find<QCheckBox>("albumsCheck")->click();
    Press(WizardButton::Next);
    EXPECT_EQ(Page(), CTrelliqSheet::kTitles);
    EXPECT_EQ(boxes.seen().size(), 1u);
}

TEST_F(AddressesPageTest, BrowseFillsTheFieldsAndCancelledBrowseKeepsThem) {
    std::vector<QString> titles;
    QString answer = QString::fromStdString(source.path());
    sheet->m_addresses.m_browseForFolder = [&](QWidget*, const QString& title) {
        titles.push_back(title);
        return answer;
    };
    Find<QPushButton>("sourceBrowseButton")->click();
    answer = QString::fromStdString(dest.path());
    Find<QPushButton>("destBrowseButton")->click();
    answer.clear();
    Find<QPushButton>("sourceBrowseButton")->click();
    ASSERT_EQ(titles.size(), 3u);
    EXPECT_EQ(titles[0], "Choice source folder with images which will prepaping for your publication.");
    EXPECT_EQ(titles[1],
              "Choice destination folder. In this folder will be copying results of preparations.");
    EXPECT_EQ(Source()->text().toStdString(), source.path());
    EXPECT_EQ(job.m_strSourceFolder, source.path());
    EXPECT_EQ(job.m_strDestFolder, dest.path());
    EXPECT_EQ(Buttons(), kWizardBack | kWizardNext);
}

TEST_F(AddressesPageTest, TrailingSlashIsCutInTheJobOnly) {
    MessageBoxAnswerer boxes;
    Type(Source(), source.path() + "/");
    Type(Dest(), dest.path() + "/");
    Press(WizardButton::Next);
    EXPECT_TRUE(boxes.seen().empty());
    EXPECT_EQ(Page(), CTrelliqSheet::kTitles);
    EXPECT_EQ(job.m_strSourceFolder, source.path());
    EXPECT_EQ(job.m_strDestFolder, dest.path());
    EXPECT_EQ(Dest()->text().toStdString(), dest.path() + "/");
}

TEST_F(AddressesPageTest, MissingSourceIsRefused) {
    MessageBoxAnswerer boxes;
    Type(Source(), source / "missing");
    Type(Dest(), dest.path());
    Press(WizardButton::Next);
    EXPECT_EQ(Page(), CTrelliqSheet::kAddresses);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text,
              "Source folder is not found. Please enter correct path to your source folder with images.");
    EXPECT_EQ(boxes.seen()[0].caption, "Warning");
    EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Warning);
    EXPECT_EQ(boxes.seen()[0].buttons, QMessageBox::Ok);
}

// A source without pictures (an empty folder, a folder of other files, a file) would publish an
// empty gallery: each is refused with the folder's name and the reason.
TEST_F(AddressesPageTest, SourceWithoutPicturesIsRefused) {
    TempFolder empty;
    empty.Write("notes.txt", "x");
    empty.MakeFolder("holiday.jpg");
    MessageBoxAnswerer boxes;
    Type(Source(), empty.path());
    Type(Dest(), dest.path());
    Press(WizardButton::Next);
    EXPECT_EQ(Page(), CTrelliqSheet::kAddresses);

    Source()->clear();
    Type(Source(), source / "picture.jpg");
    Press(WizardButton::Next);
    EXPECT_EQ(Page(), CTrelliqSheet::kAddresses);
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[0].text,
              QString::fromStdString("Source folder \"" + empty.path() +
                                     "\" holds no pictures. Please choose a folder with JPEG, PNG, GIF, "
                                     "TIFF, BMP, PCX, TGA, WebP, HEIC or AVIF pictures."));
    EXPECT_EQ(boxes.seen()[0].caption, "Warning");
    EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Warning);
    EXPECT_EQ(boxes.seen()[0].buttons, QMessageBox::Ok);
    EXPECT_EQ(boxes.seen()[1].text,
              QString::fromStdString("Source folder \"" + (source / "picture.jpg") +
                                     "\" cannot be read: Not a directory. Please choose a folder you can "
                                     "read."));
    EXPECT_EQ(boxes.seen()[1].caption, "Warning");

    empty.Write("IMG_0001.JPG", "x");
    Source()->clear();
    Type(Source(), empty.path());
    Press(WizardButton::Next);
    EXPECT_EQ(Page(), CTrelliqSheet::kTitles);
    EXPECT_EQ(boxes.seen().size(), 2u);
}

// A destination on a read-only file system is refused before any work, with the system's reason;
// a writable one is checked without leaving anything behind.
TEST_F(AddressesPageTest, ReadOnlyDestinationIsRefused) {
    const std::string locked = dest.MakeFolder("locked");
    SmallDisk disk(locked, "size=64k");
    if (!disk.Mounted() || !disk.MakeReadOnly()) {
        GTEST_SKIP()
            << "cannot mount a read-only tmpfs here (it needs root): the read-only case is not tried";
    }
    MessageBoxAnswerer boxes;
    Type(Source(), source.path());
    Type(Dest(), locked);
    Press(WizardButton::Next);
    EXPECT_EQ(Page(), CTrelliqSheet::kAddresses);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text,
              QString::fromStdString("Destination folder \"" + locked +
                                     "\" cannot be written: Read-only file system. Please choose a folder "
                                     "you can write to."));
    EXPECT_EQ(boxes.seen()[0].caption, "Warning");
    EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Warning);

    Dest()->clear();
    Type(Dest(), dest.path());
    Press(WizardButton::Next);
    EXPECT_EQ(Page(), CTrelliqSheet::kTitles);
    EXPECT_EQ(boxes.seen().size(), 1u);
    std::vector<std::string> left;
    for (const DirectoryEntry& entry : ListDirectory(dest.path())) {
        left.push_back(entry.name);
    }
    EXPECT_EQ(left, std::vector<std::string>{"locked"});
}

TEST_F(AddressesPageTest, MissingDestinationIsCreatedOnlyWhenTheUserAgrees) {
    MessageBoxAnswerer boxes({QMessageBox::No, QMessageBox::Yes});
    const std::string wanted = dest / "gallery";
    Type(Source(), source.path());
    Type(Dest(), wanted);
    Press(WizardButton::Next);
    EXPECT_EQ(Page(), CTrelliqSheet::kAddresses);
    EXPECT_FALSE(std::filesystem::exists(wanted));
    Press(WizardButton::Next);
    EXPECT_EQ(Page(), CTrelliqSheet::kTitles);
    EXPECT_TRUE(std::filesystem::is_directory(wanted));
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[0].text, "Destination folder is not found. Want you create specified folder?");
    EXPECT_EQ(boxes.seen()[0].caption, "Warning");
    EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Question);
    EXPECT_EQ(boxes.seen()[0].buttons, QMessageBox::Yes | QMessageBox::No);
}

// Going on into a folder that could not be made would publish nothing and call it a success.
TEST_F(AddressesPageTest, DestinationThatCannotBeCreatedKeepsThePage) {
    MessageBoxAnswerer boxes({QMessageBox::Yes});
    Type(Source(), source.path());
    Type(Dest(), dest / "no/such/parent");
    Press(WizardButton::Next);
    EXPECT_EQ(Page(), CTrelliqSheet::kAddresses);
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[1].text,
              "Can not create destination folder. Please enter correct path to your destination folder.");
    EXPECT_EQ(boxes.seen()[1].caption, "Warning");
}

// A run into the style's own folder would delete the style's templates.
TEST_F(AddressesPageTest, StyleFolderAsDestinationIsRefused) {
    TempFolder style;
    style.Write("main.htm", "<MAIN-INDEX-PAGE><MAIN>");
    job.m_strStylePath = style.path();
    MessageBoxAnswerer boxes;
    Type(Source(), source.path());
    Type(Dest(), style.path() + "/");
    Press(WizardButton::Next);
    EXPECT_EQ(Page(), CTrelliqSheet::kAddresses);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].caption, "Warning");
    EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(FileExists(style / "main.htm"));
}

// Any style's folder, not only the chosen one's: a folder named with "###" that holds a template.
TEST_F(AddressesPageTest, AnotherStylesFolderAsDestinationIsRefused) {
    TempFolder parent;
    const std::string other = parent.MakeFolder("###Other");
    parent.Write("###Other/other-main.htm", "<MAIN-SMALL-LARGE><MAIN>");
    job.m_strStylePath = BundledStyle("Classic");
    MessageBoxAnswerer boxes;
    Type(Source(), source.path());
    Type(Dest(), other);
    Press(WizardButton::Next);
    EXPECT_EQ(Page(), CTrelliqSheet::kAddresses);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(
        boxes.seen()[0].text,
        "Destination folder holds a style. Please select other destination folder for results of work.");
    EXPECT_EQ(boxes.seen()[0].caption, "Warning");
    EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Warning);
    EXPECT_EQ(ReadFile(other + "/other-main.htm"), "<MAIN-SMALL-LARGE><MAIN>");
}
