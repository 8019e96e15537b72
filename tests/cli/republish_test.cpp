// Publishing a gallery again: what did not change is left as it was, to the file's time stamp,
// and what changed is remade, and nothing else.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#include "engine/directory.h"
#include "tests/cli/publish_runner.h"
#include "tests/cli/variant_style.h"
#include "tests/support/exiftool.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// The test style that asks for every variant.

// Every file of the folder with its modification time and inode: a file written again, even with
// the same bytes, shows up as a change.
using Stamps = std::map<std::string, std::pair<long long, ino_t>>;

Stamps StampsOf(const std::string& folder) {
    Stamps stamps;
    for (const DirectoryEntry& entry : ListDirectory(folder)) {
        struct stat st {};
        // The record of what a run wrote changes with the pages; it is no file of the gallery.
        if (entry.name == ".galvane-manifest") {
            continue;
        }
        if (::stat((folder + "/" + entry.name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            stamps[entry.name] = {st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec, st.st_ino};
        }
    }
    return stamps;
}

std::set<std::string> Changed(const Stamps& before, const Stamps& after) {
    std::set<std::string> changed;
    for (const auto& [name, stamp] : after) {
        const auto was = before.find(name);
        if (was == before.end() || was->second != stamp) {
            changed.insert(name);
        }
    }
    for (const auto& [name, stamp] : before) {
        if (!after.contains(name)) {
            changed.insert(name);
        }
    }
    return changed;
}

class Republish : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 4; ++i) {
            MakeJpeg(source / ("p" + std::to_string(i) + ".jpg"), "320x240", i);
        }
    }
    Outcome Publish(std::vector<std::string> extra = {}, const std::string& style = "Classic") {
        std::vector<std::string> args = {"--source", source.path(), "--dest",  dest.path(), "--style",
                                         style,      "--large",     "200x200", "--quiet"};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunPublish(args);
    }
    TempFolder source;
    TempFolder dest;
};

TEST_F(Republish, AnUnchangedSecondRunTouchesNoFile) {
    const Outcome first = Publish();
    ASSERT_EQ(first.exitCode, 0) << first.output;
    EXPECT_TRUE(Contains(first.output, "4 pictures converted")) << first.output;
    const Stamps before = StampsOf(dest.path());
    ASSERT_TRUE(before.contains("thn_p0.jpg"));
    ASSERT_TRUE(before.contains("main.htm"));

    const Outcome second = Publish();
    ASSERT_EQ(second.exitCode, 0) << second.output;
    EXPECT_TRUE(Contains(second.output, "0 pictures converted")) << second.output;
    EXPECT_TRUE(Contains(second.output, "4 pictures up to date")) << second.output;
    EXPECT_EQ(Changed(before, StampsOf(dest.path())), std::set<std::string>{});
}

TEST_F(Republish, EachChangeRemakesExactlyTheOutputsItAffects) {
    ASSERT_EQ(Publish().exitCode, 0);

    // Another photo under the same name and of the same size.
    Stamps before = StampsOf(dest.path());
    MakeJpeg(source / "p2.jpg", "320x240", 99);
    Outcome run = Publish();
    EXPECT_TRUE(Contains(run.output, "1 pictures converted")) << run.output;
    // Its designed outputs and the WebP copies Classic asks for.
    const std::set<std::string> p2 = {"p2.jpg", "thn_p2.jpg", "p2-200w.webp", "p2-320w.webp",
                                      "thn_p2@2x.webp"};
    EXPECT_EQ(Changed(before, StampsOf(dest.path())), p2);

    // A new title changes the pages only.
    before = StampsOf(dest.path());
    run = Publish({"--title", "Another title"});
    EXPECT_TRUE(Contains(run.output, "0 pictures converted")) << run.output;
    for (const std::string& name : Changed(before, StampsOf(dest.path()))) {
        EXPECT_TRUE(name.ends_with(".htm")) << name;
    }
    EXPECT_TRUE(Changed(before, StampsOf(dest.path())).contains("main.htm"));

    // Another thumbnail box remakes every thumbnail and no large picture.
    before = StampsOf(dest.path());
    run = Publish({"--title", "Another title", "--thumb", "50x50"});
    std::set<std::string> changed = Changed(before, StampsOf(dest.path()));
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(changed.contains("thn_p" + std::to_string(i) + ".jpg"));
        EXPECT_FALSE(changed.contains("p" + std::to_string(i) + ".jpg"));
    }

    // --rebuild converts everything again.
    before = StampsOf(dest.path());
    run = Publish({"--title", "Another title", "--thumb", "50x50", "--rebuild"});
    EXPECT_TRUE(Contains(run.output, "4 pictures converted")) << run.output;
    changed = Changed(before, StampsOf(dest.path()));
    EXPECT_TRUE(changed.contains("thn_p0.jpg"));
    EXPECT_TRUE(changed.contains("p3.jpg"));
}

// A style that asks for every variant: a changed photo remakes all of its files and no other
// photo's; the pages that show it are written again.
TEST_F(Republish, AChangedPhotoRemakesAllItsVariantsAndNothingElse) {
    const TempFolder styles;
    const std::string every = ClassicAskingForEveryVariant(styles);
    ASSERT_EQ(Publish({}, every).exitCode, 0);
    const Stamps before = StampsOf(dest.path());
    ASSERT_TRUE(before.contains("p1-320w.webp"));
    MakeJpeg(source / "p2.jpg", "320x240", 99);
    const Outcome run = Publish({}, every);
    EXPECT_TRUE(Contains(run.output, "1 pictures converted")) << run.output;
    std::set<std::string> pictures;
    for (const std::string& name : Changed(before, StampsOf(dest.path()))) {
        if (!name.ends_with(".htm")) {
            pictures.insert(name);
        }
    }
    EXPECT_EQ(pictures, (std::set<std::string>{"p2.jpg", "thn_p2.jpg", "p2-200w.webp", "p2-320w.jpg",
                                               "p2-320w.webp", "thn_p2@2x.jpg", "thn_p2@2x.webp"}));
}

TEST_F(Republish, ACutOutputIsRemade) {
    ASSERT_EQ(Publish().exitCode, 0);
    const std::string thumbnail = dest / "thn_p1.jpg";
    fs::resize_file(thumbnail, fs::file_size(thumbnail) / 2);
    const Outcome run = Publish();
    EXPECT_TRUE(Contains(run.output, "1 pictures converted")) << run.output;
    EXPECT_TRUE(Contains(run.output, "3 pictures up to date")) << run.output;
}

// Captions: an edited caption remakes the pages that show that picture's words (its picture page
// and the index page whose thumbnail carries it as alternative text), and nothing else.
TEST_F(Republish, AnEditedCaptionRemakesExactlyThePagesShowingIt) {
    source.Write("p1.jpg.txt", "First words");
    ASSERT_EQ(Publish().exitCode, 0);
    EXPECT_TRUE(Contains(ReadFile(dest / "imagepage2.htm"), "First words"));
    Stamps before = StampsOf(dest.path());

    source.Write("p1.jpg.txt", "Second words");
    ASSERT_EQ(Publish().exitCode, 0);
    EXPECT_EQ(Changed(before, StampsOf(dest.path())),
              (std::set<std::string>{"imagepage2.htm", "indexpage1.htm"}));
    EXPECT_TRUE(Contains(ReadFile(dest / "imagepage2.htm"), "Second words"));
    EXPECT_TRUE(Contains(ReadFile(dest / "indexpage1.htm"), "alt=\"Second words\""));

    // A caption written into the picture itself, its modification time and size kept (the same
    // number of letters): the two pages are remade all the same.
    ASSERT_TRUE(WriteTags(source / "p2.jpg", {"-XMP-dc:Description=Third words"}));
    ASSERT_EQ(Publish().exitCode, 0);
    before = StampsOf(dest.path());
    struct stat st {};
    ASSERT_EQ(::stat((source / "p2.jpg").c_str(), &st), 0);
    ASSERT_TRUE(WriteTags(source / "p2.jpg", {"-P", "-XMP-dc:Description=Fifth words"}));
    struct stat edited {};
    ASSERT_EQ(::stat((source / "p2.jpg").c_str(), &edited), 0);
    ASSERT_EQ(edited.st_mtim.tv_sec, st.st_mtim.tv_sec);
    ASSERT_EQ(edited.st_size, st.st_size);
    ASSERT_EQ(Publish().exitCode, 0);
    // exiftool keeps the time to the second, not to the nanosecond the outputs record: the
    // picture counts as another file and its own outputs are made again too.
    EXPECT_EQ(Changed(before, StampsOf(dest.path())),
              (std::set<std::string>{"imagepage3.htm", "indexpage1.htm", "p2.jpg", "thn_p2.jpg",
                                     "p2-200w.webp", "p2-320w.webp", "thn_p2@2x.webp"}));
    EXPECT_TRUE(Contains(ReadFile(dest / "imagepage3.htm"), "Fifth words"));

    // Removing the sidecar takes the caption away again.
    before = StampsOf(dest.path());
    fs::remove(source / "p1.jpg.txt");
    ASSERT_EQ(Publish().exitCode, 0);
    EXPECT_EQ(Changed(before, StampsOf(dest.path())),
              (std::set<std::string>{"imagepage2.htm", "indexpage1.htm"}));
    EXPECT_FALSE(Contains(ReadFile(dest / "imagepage2.htm"), "Second words"));
}

}  // namespace
