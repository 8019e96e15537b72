#include "engine/album_tree.h"

#include "engine/directory.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace {

std::vector<std::string> Titles(const std::vector<Album>& albums) {
    std::vector<std::string> titles;
    for (const Album& album : albums) {
        titles.push_back(album.title);
    }
    return titles;
}

std::vector<std::string> LeftOut(const AlbumScan& scan) {
    std::vector<std::string> lines;
    for (const FileProblem& p : scan.foldersLeftOut) {
        lines.push_back(p.name + ": " + p.reason);
    }
    return lines;
}

TEST(ScanAlbums, TreeOfAlbumsAtEveryDepthLeavesOutEmptyHiddenLinkedAndDestination) {
    TempFolder src;
    src.Write("top.jpg", "x");
    src.Write("2026/Rome/Day 1/a.jpg", "x");
    src.Write("2026/Rome/r.png", "x");
    src.Write("2026/Rome/notes.txt", "x");
    src.MakeFolder("2026/Rome/Empty/Emptier");
    src.Write("Family/Birthdays/b.gif", "x");
    src.Write(".hidden/h.jpg", "x");
    src.Write("www/thn_x.jpg", "x");
    src.Write("thumbs only/thn_y.jpg", "x");
    ASSERT_EQ(::symlink("..", (src / "2026/Rome/back up").c_str()), 0);
    ASSERT_EQ(::symlink((src / "Family").c_str(), (src / "Family again").c_str()), 0);

    const AlbumScan scan = ScanAlbums(src.path(), {src / "www"});
    ASSERT_EQ(scan.top.pictures.GetSize(), 1u);
    EXPECT_EQ(scan.top.pictures.GetPathAt(0), src / "top.jpg");
    EXPECT_EQ(Titles(scan.top.albums), (std::vector<std::string>{"2026", "Family"}));
    const Album& year = scan.top.albums[0];
    EXPECT_EQ(year.pictures.GetSize(), 0u);  // a folder holding only albums is an album
    ASSERT_EQ(Titles(year.albums), (std::vector<std::string>{"Rome"}));
    const Album& rome = year.albums[0];
    EXPECT_EQ(rome.relativePath, "2026/Rome");
    ASSERT_EQ(Titles(rome.albums), (std::vector<std::string>{"Day 1"}));
    EXPECT_EQ(rome.albums[0].relativePath, "2026/Rome/Day 1");
    EXPECT_EQ(rome.albums[0].pictures.GetPathAt(0), src / "2026/Rome/Day 1/a.jpg");
    EXPECT_EQ(scan.top.PicturesInTree(), 4);
    EXPECT_EQ(scan.top.Walk().size(), 6u);

    EXPECT_EQ(LeftOut(scan), (std::vector<std::string>{
                                 ".hidden: a hidden folder",
                                 "2026/Rome/back up: reached again through a link",
                                 "2026/Rome/Empty/Emptier: holds no pictures and no albums",
                                 "2026/Rome/Empty: holds no pictures and no albums",
                                 "Family again: reached again through a link",
                                 "thumbs only: holds no pictures and no albums",
                                 "www: the destination folder",
                             }));
}

TEST(ScanAlbums, FlatSourceIsOneAlbumAsBefore) {
    TempFolder src;
    src.Write("b.jpg", "x");
    src.Write("a.jpg", "x");
    const AlbumScan scan = ScanAlbums(src.path());
    EXPECT_TRUE(scan.top.albums.empty());
    EXPECT_TRUE(scan.foldersLeftOut.empty());
    ASSERT_EQ(scan.top.pictures.GetSize(), 2u);
    EXPECT_EQ(scan.top.pictures.GetPathAt(0), src / "a.jpg");
}

TEST(CoverOf, NamedCoverThenFirstPictureThenFirstAlbumsCover) {
    TempFolder src;
    src.Write("A/a.jpg", "x");
    src.Write("A/Cover.JPG", "x");
    src.Write("B/a.jpg", "x");
    src.Write("B/folder.png", "x");
    src.Write("C/b.jpg", "x");
    src.Write("C/a.jpg", "x");
    src.Write("D/E/e.jpg", "x");
    src.Write("D/F/cover.jpg", "x");
    src.Write("D/covered.jpg.txt", "x");
    const AlbumScan scan = ScanAlbums(src.path());
    ASSERT_EQ(scan.top.albums.size(), 4u);
    const auto coverName = [](const Album& album) {
        const AlbumCover cover = CoverOf(album);
        return cover.album == nullptr
                   ? std::string("-")
                   : cover.album->relativePath + ":" +
                         std::string(FileNameOf(cover.album->pictures.GetPathAt(cover.index)));
    };
    EXPECT_EQ(coverName(scan.top.albums[0]), "A:Cover.JPG");
    EXPECT_EQ(coverName(scan.top.albums[1]), "B:folder.png");
    EXPECT_EQ(coverName(scan.top.albums[2]), "C:a.jpg");
    EXPECT_EQ(coverName(scan.top.albums[3]), "D/E:e.jpg");  // the first album's, not a later named one
    EXPECT_EQ(coverName(scan.top), "A:Cover.JPG");
    Album empty;
    EXPECT_EQ(coverName(empty), "-");
}

}  // namespace
