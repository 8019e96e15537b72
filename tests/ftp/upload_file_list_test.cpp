#include "ftp/upload_file_list.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/temp_folder.h"

namespace {

TEST(ListUploadFiles, GivesTheRegularFilesAsFullPathsInEnumerationOrder) {
    TempFolder folder;
    for (const char* name : {"b.jpg", "A.txt", ".hidden", "a.txt", "_z"}) {
        folder.Write(name, "x");
    }
    folder.Write("sub/inner.txt", "x");
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink((folder / "b.jpg").c_str(), (folder / "link.jpg").c_str()), 0);
    ASSERT_EQ(::symlink((folder / "missing").c_str(), (folder / "dangling").c_str()), 0);
    ASSERT_EQ(::symlink((folder / "sub").c_str(), (folder / "sublink").c_str()), 0);

    const std::vector<UploadFile> files = ListUploadFiles(folder.path());
    std::vector<std::string> paths;
    for (const UploadFile& file : files) {
        paths.push_back(file.path);
    }
    EXPECT_EQ(paths, (std::vector<std::string>{folder / ".hidden", folder / "A.txt", folder / "a.txt",
                                               folder / "b.jpg", folder / "link.jpg", folder / "_z"}));
}

TEST(ListUploadFiles, GivesEachFilesSizeAndTimeAndALinksFromItsTarget) {
    TempFolder folder;
    folder.Write("photo.jpg", "12345");
    const timespec times[2] = {{1'600'000'000, 0}, {1'600'000'000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (folder / "photo.jpg").c_str(), times, 0), 0);
    ASSERT_EQ(::symlink((folder / "photo.jpg").c_str(), (folder / "same.jpg").c_str()), 0);

    const std::vector<UploadFile> files = ListUploadFiles(folder.path());
    ASSERT_EQ(files.size(), 2u);
    for (const UploadFile& file : files) {
        EXPECT_EQ(file.size, 5) << file.path;
        EXPECT_EQ(file.modified, 1'600'000'000) << file.path;
    }
}

TEST(ListUploadFiles, LeavesOutGalvanesOwnFilesWhateverTheirKind) {
    TempFolder folder;
    for (const char* name : {".galvane-Ab12Cd", ".galvane-manifest", ".galvane-upload-record",
                             ".photo.jpg.vimbral-x1Y2z3", "index.htm", ".vimbral-abcdef",
                             ".photo.jpg.vimbral-x1Y2z", "photo.jpg.vimbral-x1Y2z3", "galvane-notes.txt"}) {
        folder.Write(name, "x");
    }
    std::vector<std::string> names;
    for (const UploadFile& file : ListUploadFiles(folder.path())) {
        names.push_back(file.name);
        EXPECT_EQ(file.path, folder / file.name);
    }
    // Only a dot, a name, ".vimbral-" and six characters is Vimbral's; anything else is the user's.
    EXPECT_EQ(names,
              (std::vector<std::string>{".photo.jpg.vimbral-x1Y2z", ".vimbral-abcdef", "galvane-notes.txt",
                                        "index.htm", "photo.jpg.vimbral-x1Y2z3"}));
    EXPECT_TRUE(IsGalvaneOwnName(".galvane-"));
    EXPECT_FALSE(IsGalvaneOwnName(".galvane"));
}

TEST(ListUploadFiles, GivesNothingForAnEmptyMissingOrBlankFolder) {
    TempFolder folder;
    folder.Write("only/inside.txt", "x");
    EXPECT_TRUE(ListUploadFiles(folder.path()).empty());
    EXPECT_TRUE(ListUploadFiles(folder / "missing").empty());
    EXPECT_TRUE(ListUploadFiles("").empty());  // never the working folder
}

}  // namespace
