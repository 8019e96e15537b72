#include "engine/folder_checks.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/directory.h"
#include "tests/support/temp_folder.h"

namespace {

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const DirectoryEntry& entry : ListDirectory(folder)) {
        names.push_back(entry.name);
    }
    return names;
}

}  // namespace

// The probe is a file of its own: names already taken, as the probe would name itself, are left
// as they are, and nothing stays behind.
TEST(CanWriteIntoFolder, ProbesWithoutTouchingAnyFile) {
    TempFolder folder;
    const std::string prefix = std::string(kOwnFilePrefix) + "probe-" + std::to_string(::getpid()) + "-";
    for (int i = 0; i < 50; ++i) {
        folder.Write(prefix + std::to_string(i), "taken");
    }
    std::string reason;
    EXPECT_TRUE(CanWriteIntoFolder(folder.path(), reason)) << reason;
    EXPECT_EQ(Names(folder.path()).size(), 50u);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(ReadFile(folder / (prefix + std::to_string(i))), "taken");
    }
}

TEST(CanWriteIntoFolder, GivesTheSystemsReason) {
    TempFolder folder;
    std::string reason;
    EXPECT_FALSE(CanWriteIntoFolder(folder / "missing", reason));
    EXPECT_EQ(reason, "No such file or directory");
    EXPECT_FALSE(CanWriteIntoFolder(folder.Write("file", "x"), reason));
    EXPECT_EQ(reason, "Not a directory");
    if (::geteuid() != 0) {
        const std::string locked = folder.MakeFolder("locked");
        ::chmod(locked.c_str(), 0555);
        EXPECT_FALSE(CanWriteIntoFolder(locked, reason));
        EXPECT_EQ(reason, "Permission denied");
        ::chmod(locked.c_str(), 0755);
    }
}

// Only what the scan would list counts as a picture.
TEST(CheckSourcePictures, CountsWhatTheScanWouldList) {
    TempFolder folder;
    std::string reason;
    EXPECT_EQ(CheckSourcePictures(folder.path(), reason), SourceState::NoPictures);
    folder.Write("thn_old.jpg", "x");
    folder.Write("notes.txt", "x");
    folder.MakeFolder("album.jpg");
    EXPECT_EQ(CheckSourcePictures(folder.path(), reason), SourceState::NoPictures);
    folder.Write("IMG_1.HEIC", "x");
    EXPECT_EQ(CheckSourcePictures(folder.path(), reason), SourceState::HoldsPictures);

    EXPECT_EQ(CheckSourcePictures(folder / "missing", reason), SourceState::Unreadable);
    EXPECT_EQ(CheckSourcePictures(folder / "missing", reason, true), SourceState::Unreadable);
    EXPECT_EQ(reason, "No such file or directory");
    EXPECT_EQ(CheckSourcePictures(folder / "notes.txt", reason), SourceState::Unreadable);
    EXPECT_EQ(reason, "Not a directory");
}

// With albums, a folder of folders holds pictures when one of its albums does, at any depth;
// a hidden folder's pictures do not count.
TEST(CheckSourcePictures, WithAlbumsAPictureInAnyAlbumCounts) {
    TempFolder folder;
    std::string reason;
    folder.Write(".hidden/h.jpg", "x");
    folder.MakeFolder("2026/Empty");
    EXPECT_EQ(CheckSourcePictures(folder.path(), reason, true), SourceState::NoPictures);
    folder.Write("2026/Rome/Day 1/a.jpg", "x");
    EXPECT_EQ(CheckSourcePictures(folder.path(), reason, false), SourceState::NoPictures);
    EXPECT_EQ(CheckSourcePictures(folder.path(), reason, true), SourceState::HoldsPictures);
}
