#include "engine/source_scan.h"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace {

std::vector<std::string> Paths(const ImageList& list) {
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < list.GetSize(); ++i) {
        paths.push_back(list.GetPathAt(i));
    }
    return paths;
}

TEST(ScanSourceFolder, KeepsPicturesAndSkipsThumbnailsFoldersAndOtherFiles) {
    TempFolder dir;
    for (const char* name :
         {"a.JPG",     "b.gif",  "c.txt",  "thn_a.jpg", "Thn_x.jpg", "archive.tar.gif", "bare.", "photo.jpe",
          "photo.png", "noext",  "p.Jpeg", "q.TIFF",    "r.pcx",     "s.tga",           "t.bmp", "u.tif",
          "v.WebP",    "w.heic", "x.HEIF", "y.avif",    "z.jxl",     "thnx.jpg"}) {
        dir.Write(name, "x");
    }
    dir.MakeFolder("d.jpg");
    ImageList list;
    ScanSourceFolder(dir.path(), list);
    const std::string f = dir.path() + "/";
    EXPECT_EQ(Paths(list),
              (std::vector<std::string>{f + "a.JPG", f + "archive.tar.gif", f + "b.gif", f + "p.Jpeg",
                                        f + "photo.png", f + "q.TIFF", f + "r.pcx", f + "s.tga", f + "t.bmp",
                                        f + "thnx.jpg", f + "Thn_x.jpg", f + "u.tif", f + "v.WebP",
                                        f + "w.heic", f + "x.HEIF", f + "y.avif"}));
}

TEST(ScanSourceFolder, FolderWithTrailingSlashGetsNoSecondSlash) {
    TempFolder dir;
    dir.Write("a.jpg", "x");
    ImageList list;
    ScanSourceFolder(dir.path() + "/", list);
    EXPECT_EQ(Paths(list), std::vector<std::string>{dir.path() + "/a.jpg"});
}

TEST(ScanSourceFolder, RescanReplacesTheListAndDiscardsEdits) {
    TempFolder dir;
    dir.Write("a.jpg", "x");
    dir.Write("b.jpg", "x");
    ImageList list;
    ScanSourceFolder(dir.path(), list);
    std::swap(list.ElementAt(0).path, list.ElementAt(1).path);
    list.Add("/elsewhere/z.jpg");
    ScanSourceFolder(dir.path(), list);
    EXPECT_EQ(Paths(list), (std::vector<std::string>{dir.path() + "/a.jpg", dir.path() + "/b.jpg"}));
}

TEST(ScanSourceFolder, MissingOrUnreadableFolderGivesEmptyList) {
    ImageList list;
    list.Add("/old/a.jpg");
    ScanSourceFolder("/nonexistent/galvane", list);
    EXPECT_EQ(list.GetSize(), 0u);
    TempFolder dir;
    const std::string file = dir.Write("plain.jpg", "x");
    ScanSourceFolder(file, list);
    EXPECT_EQ(list.GetSize(), 0u);
}

TEST(ImageList, OperationsKeepOrderAndClampIndices) {
    ImageList list;
    EXPECT_EQ(list.GetPathAt(0), "");
    const std::string longPath = "/" + std::string(3000, 'p') + "/x.jpg";
    for (const std::string& p :
         {std::string("/a.jpg"), std::string("/b.jpg"), longPath, std::string("/d.jpg")}) {
        list.Add(p);
    }
    EXPECT_EQ(list.GetPathAt(2), longPath);  // whole paths, never cut
    EXPECT_EQ(list.GetPathAt(99), "/d.jpg");
    list.RemoveAt(1, 1);
    EXPECT_EQ(list.GetPathAt(1), longPath);
    list.RemoveAt(1, 10);
    EXPECT_EQ(list.GetSize(), 1u);
    list.RemoveAt(5, 1);
    EXPECT_EQ(list.GetSize(), 1u);
    list.RemoveAll();
    EXPECT_EQ(list.GetSize(), 0u);
}

}  // namespace
