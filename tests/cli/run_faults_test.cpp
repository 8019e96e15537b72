// galvane-publish where the disk, the folders or the user get in the way: the run never loses,
// leaks or lies about the user's files.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "engine/directory.h"
#include "tests/cli/publish_runner.h"
#include "tests/support/gallery_links.h"
#include "tests/support/small_disk.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// Files a run may leave only while it works: its own and Vimbral's temporaries.
std::vector<std::string> Temporaries(const std::string& folder) {
    std::vector<std::string> found;
    for (const DirectoryEntry& entry : ListDirectory(folder)) {
        if (entry.name[0] == '.') {
            found.push_back(entry.name);
        }
    }
    return found;
}

class RunFaults : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_photos = new TempFolder;
        for (int i = 0; i < 20; ++i) {
            MakeJpeg(s_photos->path() + "/p" + std::to_string(10 + i) + ".jpg", "640x480", i);
        }
    }
    static void TearDownTestSuite() {
        delete s_photos;
        s_photos = nullptr;
    }
    // `count` copies of one large photo: a run over them lasts long enough to be interrupted.
    static void MakeBigPhotos(const TempFolder& folder, int count) {
        ASSERT_EQ(
            std::system(("convert -size 2400x1800 gradient:red-blue " + Quoted(folder / "b0.jpg")).c_str()),
            0);
        for (int i = 1; i < count; ++i) {
            fs::copy_file(folder / "b0.jpg", folder / ("b" + std::to_string(i) + ".jpg"));
        }
    }
    static TempFolder* s_photos;
    TempFolder out;
};
TempFolder* RunFaults::s_photos = nullptr;

TEST_F(RunFaults, AFullDiskIsReportedAndExitsWithOne) {
    const std::string dest = out.MakeFolder("disk");
    SmallDisk disk(dest, "size=320k");
    if (!disk.Mounted()) {
        GTEST_SKIP() << "cannot mount a tmpfs here (it needs root): the full-disk case is not tried";
    }
    const Outcome run =
        RunPublish({"--source", s_photos->path(), "--dest", dest, "--style", "Classic", "--quiet"});
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(Contains(run.output, "No space left on device")) << run.output;
    EXPECT_FALSE(Contains(run.output, "20 pictures converted")) << run.output;
    EXPECT_FALSE(Contains(run.output, "could not read")) << run.output;
    EXPECT_EQ(Temporaries(dest), std::vector<std::string>{});
}

// An unwritable destination is found before any picture is converted: exit 2, nothing written,
// the folder and the system's reason named.
TEST_F(RunFaults, AnUnwritableDestinationIsRefusedBeforeAnyWork) {
    const std::string dest = out.MakeFolder("locked");
    SmallDisk disk(dest, "size=1m");
    if (::geteuid() == 0) {
        if (!disk.Mounted()) {
            GTEST_SKIP() << "running as root without a tmpfs: no folder can be made unwritable";
        }
        disk.MakeReadOnly();
    } else {
        ::chmod(dest.c_str(), 0555);
    }
    const Outcome run =
        RunPublish({"--source", s_photos->path(), "--dest", dest, "--style", "Slides", "--quiet"});
    ::chmod(dest.c_str(), 0755);
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_TRUE(
        Contains(run.output, "the destination \"" + dest + "\" cannot be written: Read-only file system") ||
        Contains(run.output, "the destination \"" + dest + "\" cannot be written: Permission denied"))
        << run.output;
    EXPECT_TRUE(Contains(run.output, "nothing was done")) << run.output;
    EXPECT_FALSE(Contains(run.output, "pictures converted")) << run.output;
    EXPECT_FALSE(Contains(run.output, "main.htm")) << run.output;
    EXPECT_EQ(ListDirectory(dest).size(), 0u);
}

// A source without pictures (empty, other files only, or not a folder) ends with exit 2 before
// the destination is even made.
TEST_F(RunFaults, ASourceWithoutPicturesIsRefusedBeforeAnyWork) {
    TempFolder empty;
    empty.Write("notes.txt", "x");
    const std::string dest = out / "gallery";
    Outcome run = RunPublish({"--source", empty.path(), "--dest", dest, "--style", "Classic", "--quiet"});
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_TRUE(
        Contains(run.output, "the source \"" + empty.path() + "\" holds no pictures; nothing was done"))
        << run.output;
    EXPECT_FALSE(fs::exists(dest));

    const std::string locked = out.MakeFolder("unreadable");
    MakeJpeg(locked + "/a.jpg", "64x48", 1);
    ::chmod(locked.c_str(), 0);
    run = RunPublish({"--source", locked, "--dest", dest, "--style", "Classic", "--quiet"});
    ::chmod(locked.c_str(), 0755);
    if (::geteuid() != 0) {
        EXPECT_EQ(run.exitCode, 2) << run.output;
        EXPECT_TRUE(Contains(run.output, "cannot be read: Permission denied")) << run.output;
        EXPECT_FALSE(fs::exists(dest));
    } else {
        // Root reads any folder: the picture is published.
        EXPECT_EQ(run.exitCode, 0) << run.output;
    }
}

TEST_F(RunFaults, AFolderThatHoldsAnotherStyleIsRefused) {
    const std::string other = out.MakeFolder("###Other");
    out.Write("###Other/other-main.htm", "<MAIN-SMALL-LARGE><MAIN>");
    const Outcome run =
        RunPublish({"--source", s_photos->path(), "--dest", other, "--style", "Classic", "--quiet"});
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_TRUE(Contains(run.output, "holds a style")) << run.output;
    EXPECT_EQ(ReadFile(other + "/other-main.htm"), "<MAIN-SMALL-LARGE><MAIN>");
    EXPECT_EQ(ListDirectory(other).size(), 1u);
}

// A style's links and special files: a link within the style is copied, one to a private file
// elsewhere is not, and a FIFO (in the style or in the destination) neither hangs the run nor is
// replaced.
TEST_F(RunFaults, SymlinksAndFifosNeverLeakOrHang) {
    const std::string style = out.MakeFolder("###Linked");
    for (const auto& entry : fs::directory_iterator(fs::path(GALVANE_PUBLISH).parent_path() / "###Classic")) {
        if (!entry.is_regular_file()) {
            continue;  // the preview folder, which no gallery gets
        }
        fs::copy_file(entry.path(), style + "/" + entry.path().filename().string());
    }
    const std::string secret = out.Write("private/secret.txt", "my password");
    fs::create_symlink(secret, style + "/secret.txt");
    fs::create_symlink("classic.css", style + "/alias.css");
    ASSERT_EQ(::mkfifo((style + "/pipe.css").c_str(), 0644), 0);
    const std::string dest = out.MakeFolder("gallery");
    ASSERT_EQ(::mkfifo((dest + "/notes.htm").c_str(), 0644), 0);

    const Outcome run =
        RunPublish({"--source", s_photos->path(), "--dest", dest, "--style", style, "--quiet"}, "", 120);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_FALSE(fs::exists(dest + "/secret.txt"));
    EXPECT_EQ(ReadFile(dest + "/alias.css"), ReadFile(style + "/classic.css"));
    EXPECT_TRUE(Contains(run.output, "left out " + style + "/secret.txt")) << run.output;
    EXPECT_TRUE(Contains(run.output, "left out " + style + "/pipe.css: not a regular file")) << run.output;
    EXPECT_TRUE(Contains(run.output, "left out " + dest + "/notes.htm: not a regular file")) << run.output;
    EXPECT_TRUE(fs::is_fifo(dest + "/notes.htm"));
    EXPECT_TRUE(fs::exists(dest + "/main.htm"));
}

// The user's own background.jpg and classic.css in the source folder stay theirs, and the pages
// show the sources themselves, whatever their extension, in JPEG and in GIF mode.
TEST_F(RunFaults, SameFolderRunsKeepTheUsersFilesAndLinkTheirPictures) {
    for (const std::string mode : {"--quality", "--gif"}) {
        SCOPED_TRACE(mode);
        TempFolder source;
        MakeJpeg(source / "Shore.JPG", "320x240", 1);
        MakeJpeg(source / "Hill.jpeg", "200x300", 2);
        ASSERT_EQ(
            std::system(("convert -size 120x80 gradient:red-blue " + Quoted(source / "Dune.bmp")).c_str()),
            0);
        MakeJpeg(source / "background.jpg", "100x100", 3);
        source.Write("classic.css", "my own styles");
        const std::string photo = ReadFile(source / "background.jpg");
        std::vector<std::string> args = {
            "--source", source.path() + "/.", "--use-original", "--style", "Classic", "--quiet", mode};
        if (mode == "--quality") {
            args.push_back("80");
        }
        const Outcome run = RunPublish(args);
        EXPECT_EQ(run.exitCode, 0) << run.output;
        EXPECT_EQ(ReadFile(source / "background.jpg"), photo);
        EXPECT_EQ(ReadFile(source / "classic.css"), "my own styles");
        EXPECT_TRUE(Contains(run.output, "background.jpg: a file of the source folder has this name"))
            << run.output;
        EXPECT_EQ(DanglingLocalLinks(source.path()), std::vector<std::string>{});
        // background.jpg, a picture of the user's, comes first.
        EXPECT_TRUE(Contains(ReadFile(source / "imagepage2.htm"), "src=\"Dune.bmp\""));
        EXPECT_TRUE(Contains(ReadFile(source / "imagepage4.htm"), "src=\"Shore.JPG\""));
        EXPECT_FALSE(fs::exists(source / "Dune.jpg"));
        EXPECT_FALSE(fs::exists(source / "Dune.gif"));
    }
}

TEST_F(RunFaults, PicturesSharingOutputNamesLeaveTheLaterOneOut) {
    TempFolder source;
    MakeJpeg(source / "dup.jpg", "320x240", 5);
    ASSERT_EQ(std::system(("convert -size 200x100 gradient:red-blue " + Quoted(source / "dup.tif")).c_str()),
              0);
    const std::string dest = out / "gallery";
    const Outcome run =
        RunPublish({"--source", source.path(), "--dest", dest, "--style", "Classic", "--quiet"});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "1 pictures converted")) << run.output;
    EXPECT_TRUE(Contains(run.output, "left out " + source / "dup.tif")) << run.output;
    EXPECT_FALSE(fs::exists(dest + "/imagepage2.htm"));
    // The photo shown is the one of dup.jpg: 320 x 240, not the 200 x 100 of dup.tif.
    EXPECT_EQ(
        std::system(("test \"$(identify -format %w " + Quoted(dest + "/dup.jpg") + ")\" = 320").c_str()), 0);
}

// Ctrl-C or a TERM signal during the run: it stops at its next safe point, removes its temporaries
// and says how it ended.
TEST_F(RunFaults, SignalsCancelTheRunWithoutLeavingATemporary) {
    TempFolder big;
    MakeBigPhotos(big, 60);
    for (const auto& [signal, code] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
        SCOPED_TRACE(signal);
        const std::string dest = out.MakeFolder("sig" + std::to_string(signal));
        const std::string log = out / ("sig" + std::to_string(signal) + ".log");
        const pid_t pid =
            StartPublish({"--source", big.path(), "--dest", dest, "--style", "Classic", "--quiet"}, log);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!fs::exists(dest + "/thn_b0.jpg") && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ::kill(pid, signal);
        EXPECT_EQ(WaitForPublish(pid), code) << ReadFile(log);
        EXPECT_TRUE(Contains(ReadFile(log), "cancelled")) << ReadFile(log);
        EXPECT_EQ(Temporaries(dest), std::vector<std::string>{});
        EXPECT_FALSE(fs::exists(dest + "/main.htm"));
    }
}

TEST_F(RunFaults, ASecondRunIntoTheSameDestinationRefusesAtOnce) {
    TempFolder big;
    MakeBigPhotos(big, 50);
    const std::string dest = out.MakeFolder("shared");
    const std::string log = out / "first.log";
    const pid_t first =
        StartPublish({"--source", big.path(), "--dest", dest, "--style", "Classic", "--quiet"}, log);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!fs::exists(dest + "/thn_b0.jpg") && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const Outcome second =
        RunPublish({"--source", s_photos->path(), "--dest", dest, "--style", "Slides", "--quiet"});
    EXPECT_EQ(WaitForPublish(first), 0) << ReadFile(log);
    EXPECT_EQ(second.exitCode, 2) << second.output;
    EXPECT_TRUE(Contains(second.output, "another publication is running")) << second.output;
    EXPECT_FALSE(fs::exists(dest + "/smallpage1.htm"));
    EXPECT_FALSE(fs::exists(dest + "/thn_p10.jpg"));
    EXPECT_TRUE(fs::exists(dest + "/indexpage1.htm"));
}

}  // namespace
