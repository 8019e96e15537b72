// Publishing again over a gallery: what the gallery no longer holds goes, what is provably not
// Galvane's stays and is named, and nothing is written over silently.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <thread>

#include "engine/directory.h"
#include "tests/cli/publish_runner.h"
#include "tests/cli/variant_style.h"
#include "tests/support/gallery_links.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kRecord = ".galvane-manifest";

// The gallery's files, without the run's record.
std::set<std::string> GalleryFiles(const std::string& folder) {
    std::set<std::string> names;
    for (const DirectoryEntry& entry : ListDirectory(folder)) {
        if (!entry.isDirectory && entry.name != kRecord) {
            names.insert(entry.name);
        }
    }
    return names;
}

// Bytes and modification time of every file, the record included.
std::map<std::string, std::pair<std::string, long long>> Snapshot(const std::string& folder) {
    std::map<std::string, std::pair<std::string, long long>> files;
    for (const DirectoryEntry& entry : ListDirectory(folder)) {
        struct stat st {};
        const std::string path = JoinPath(folder, entry.name);
        if (!entry.isDirectory && ::stat(path.c_str(), &st) == 0) {
            files[entry.name] = {ReadFile(path), st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec};
        }
    }
    return files;
}

std::set<std::string> With(std::set<std::string> names, const std::set<std::string>& more) {
    names.insert(more.begin(), more.end());
    return names;
}

int Number(const std::string& output, const std::string& after) {
    std::smatch match;
    const std::regex pattern("(\\d+) " + after);
    return std::regex_search(output, match, pattern) ? std::stoi(match[1]) : -1;
}

class Prune : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_photos = new TempFolder;
        for (int i = 1; i <= 40; ++i) {
            MakeJpeg(s_photos->path() + "/p" + std::to_string(i) + ".jpg", "96x64", i);
        }
    }
    static void TearDownTestSuite() {
        delete s_photos;
        s_photos = nullptr;
    }

    // A source folder holding photos p1 .. p`count`.
    std::string Source(int count) {
        const std::string folder = out.MakeFolder("src" + std::to_string(++m_sources));
        for (int i = 1; i <= count; ++i) {
            const std::string name = "p" + std::to_string(i) + ".jpg";
            fs::copy_file(s_photos->path() + "/" + name, folder + "/" + name,
                          fs::copy_options::copy_symlinks);
        }
        return folder;
    }

    Outcome Publish(const std::string& source, const std::string& dest, std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"--source", source, "--dest", dest, "--quiet"};
        if (std::find(extra.begin(), extra.end(), "--style") == extra.end()) {
            args.insert(args.end(), {"--style", "Classic"});
        }
        args.insert(args.end(), extra.begin(), extra.end());
        return RunPublish(args);
    }

    // The files a fresh publication of the same source with the same options makes.
    std::set<std::string> Fresh(const std::string& source, const std::vector<std::string>& extra = {}) {
        const std::string dest = out / ("fresh" + std::to_string(++m_fresh));
        EXPECT_EQ(Publish(source, dest, extra).exitCode, 0);
        return GalleryFiles(dest);
    }

    static TempFolder* s_photos;
    TempFolder out;
    int m_sources = 0;
    int m_fresh = 0;
};
TempFolder* Prune::s_photos = nullptr;

// A style that asks for variants: a removed photo's WebP and double-size files go with it, a
// file of the user's under a variant's name stays.
TEST_F(Prune, RemovedPhotosTakeTheirVariantsWithThem) {
    const std::string source = Source(4);
    const std::string dest = out / "gallery";
    const TempFolder styles;
    const std::vector<std::string> style = {"--style", ClassicAskingForEveryVariant(styles), "--thumb",
                                            "40x40"};
    ASSERT_EQ(Publish(source, dest, style).exitCode, 0);
    ASSERT_TRUE(fs::exists(dest + "/thn_p4@2x.webp"));
    ASSERT_TRUE(fs::exists(dest + "/thn_p4@2x.jpg"));
    out.Write("gallery/p3-100w.webp", "mine");
    // What an earlier version made: the thumbnail at its box's size as WebP, marked as p1's variant.
    fs::copy_file(dest + "/thn_p1@2x.webp", dest + "/thn_p1.webp");
    fs::remove(source + "/p4.jpg");
    fs::remove(source + "/p3.jpg");

    const Outcome run = Publish(source, dest, style);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(GalleryFiles(dest), With(Fresh(source, style), {"p3-100w.webp"}));
    EXPECT_FALSE(fs::exists(dest + "/thn_p4@2x.webp"));
    EXPECT_FALSE(fs::exists(dest + "/thn_p1.webp"));
    EXPECT_FALSE(fs::exists(dest + "/thn_p4@2x.jpg"));
    EXPECT_TRUE(Contains(run.output, "kept: not made by Galvane: p3-100w.webp")) << run.output;
}

TEST_F(Prune, RemovedPhotosTakeTheirOutputsAndSurplusPagesWithThem) {
    const std::string source = Source(40);
    const std::string dest = out / "gallery";
    ASSERT_EQ(Publish(source, dest).exitCode, 0);
    ASSERT_TRUE(fs::exists(dest + "/imagepage40.htm"));
    const auto before = Snapshot(dest);
    // The user's own note, and a surplus page they changed.
    out.Write("gallery/notes.txt", "mine");
    fs::remove(dest + "/imagepage40.htm");
    out.Write("gallery/imagepage40.htm", before.at("imagepage40.htm").first + "<!-- edited -->");
    for (int i = 37; i <= 40; ++i) {
        fs::remove(source + "/p" + std::to_string(i) + ".jpg");
    }

    const Outcome run = Publish(source, dest);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(GalleryFiles(dest), With(Fresh(source), {"notes.txt", "imagepage40.htm"}));
    for (int i = 37; i <= 40; ++i) {
        const std::string n = std::to_string(i);
        EXPECT_FALSE(fs::exists(dest + "/p" + n + ".jpg"));
        EXPECT_FALSE(fs::exists(dest + "/thn_p" + n + ".jpg"));
    }
    EXPECT_FALSE(fs::exists(dest + "/imagepage37.htm"));
    EXPECT_TRUE(Contains(run.output, "kept: not made by Galvane: notes.txt")) << run.output;
    EXPECT_TRUE(Contains(run.output, "kept: not made by Galvane: imagepage40.htm")) << run.output;
    int gone = 0;
    for (const auto& [name, file] : before) {
        gone += fs::exists(dest + "/" + name) ? 0 : 1;
    }
    EXPECT_GE(gone, 8 + 3);
    EXPECT_EQ(Number(run.output, "stale files removed"), gone) << run.output;
    // No page links a removed photo; only the edited page, which the user keeps, links past the end.
    fs::remove(dest + "/imagepage40.htm");
    EXPECT_EQ(DanglingLocalLinks(dest), std::vector<std::string>{});
    // Every other picture and style file keeps its bytes and time.
    const auto after = Snapshot(dest);
    for (const auto& [name, file] : after) {
        if (!name.ends_with(".htm") && name != kRecord && name != "notes.txt") {
            EXPECT_EQ(before.at(name), file) << name;
        }
    }
    // Nothing more to remove, and the kept ones are named again.
    const Outcome again = Publish(source, dest);
    EXPECT_EQ(Number(again.output, "stale files removed"), -1) << again.output;
    EXPECT_TRUE(Contains(again.output, "kept: not made by Galvane: notes.txt")) << again.output;
}

}  // namespace

namespace {

TEST_F(Prune, SwitchesOfFormatAndStyleLeaveWhatAFreshPublicationMakes) {
    const std::string source = Source(6);
    const std::string dest = out / "gallery";
    ASSERT_EQ(Publish(source, dest).exitCode, 0);
    out.Write("gallery/notes.txt", "mine");
    const std::vector<std::vector<std::string>> steps = {
        {"--gif"}, {}, {"--style", "Frames"}, {"--style", "Slides", "--gif"}, {"--style", "Classic"}};
    for (const std::vector<std::string>& options : steps) {
        SCOPED_TRACE(options.empty() ? "jpeg" : options.back());
        const Outcome run = Publish(source, dest, options);
        ASSERT_EQ(run.exitCode, 0) << run.output;
        EXPECT_EQ(GalleryFiles(dest), With(Fresh(source, options), {"notes.txt"}));
        EXPECT_EQ(DanglingLocalLinks(dest), std::vector<std::string>{});
        EXPECT_TRUE(Contains(run.output, "kept: not made by Galvane: notes.txt")) << run.output;
        EXPECT_FALSE(Contains(run.output, "replaced, not made by Galvane")) << run.output;
    }
    EXPECT_EQ(ReadFile(dest + "/notes.txt"), "mine");
}

TEST_F(Prune, KeepStaleRemovesNothingAndALaterRunStillCan) {
    const std::string source = Source(5);
    const std::string dest = out / "gallery";
    ASSERT_EQ(Publish(source, dest).exitCode, 0);
    const std::set<std::string> five = GalleryFiles(dest);
    fs::remove(source + "/p5.jpg");
    const Outcome kept = Publish(source, dest, {"--keep-stale"});
    ASSERT_EQ(kept.exitCode, 0) << kept.output;
    EXPECT_EQ(GalleryFiles(dest), five);
    EXPECT_FALSE(Contains(kept.output, "removed")) << kept.output;
    const Outcome later = Publish(source, dest);
    EXPECT_EQ(GalleryFiles(dest), Fresh(source));
    // p5, thn_p5, p5's WebP twin, page 5 (p5 keeps its size, below every standard width: its WebP
    // list is the twin alone; thumbnails and pictures this small have no double or widths)
    EXPECT_TRUE(Contains(later.output, "4 stale files removed")) << later.output;
}

TEST_F(Prune, TemporariesOfAKilledRunGoButOtherHiddenFilesStay) {
    const std::string source = Source(3);
    const std::string dest = out / "gallery";
    ASSERT_EQ(Publish(source, dest).exitCode, 0);
    // What a run killed with SIGKILL leaves: the safe writer's and the picture library's.
    for (const std::string name : {".galvane-Ab12Cd", ".p1.jpg.vimbral-x9Y8z7", ".galvane-probe-QQ11ww"}) {
        out.Write("gallery/" + name, "partial");
    }
    out.Write("gallery/.galvane-upload-state", "another part's own file");
    out.Write("gallery/.hidden", "the user's");
    out.Write("gallery/.galvane-Ab12", "not mkstemp's");
    const Outcome run = Publish(source, dest);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    std::set<std::string> hidden;
    for (const std::string& name : GalleryFiles(dest)) {
        if (name[0] == '.') {
            hidden.insert(name);
        }
    }
    EXPECT_EQ(hidden, (std::set<std::string>{".galvane-Ab12", ".galvane-upload-state", ".hidden"}));
    EXPECT_TRUE(fs::exists(dest + "/" + kRecord));
    EXPECT_TRUE(Contains(run.output, "3 stale files removed")) << run.output;
}

TEST_F(Prune, FilesOfTheUsersAtOutputNamesAreReplacedAndNamed) {
    const std::string source = Source(3);
    const std::string dest = out.MakeFolder("gallery");
    MakeJpeg(dest + "/thn_p2.jpg", "30x30", 7);
    out.Write("gallery/main.htm", "another tool's start page");
    out.Write("gallery/classic.css", "my styles");
    const Outcome dry = Publish(source, dest, {"--dry-run"});
    EXPECT_TRUE(Contains(dry.output, "would replace, not made by Galvane: main.htm")) << dry.output;
    EXPECT_TRUE(Contains(dry.output, "would replace, not made by Galvane: thn_p2.jpg")) << dry.output;
    EXPECT_EQ(ReadFile(dest + "/main.htm"), "another tool's start page");

    const Outcome run = Publish(source, dest);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    for (const std::string name : {"main.htm", "thn_p2.jpg", "classic.css"}) {
        EXPECT_TRUE(Contains(run.output, std::string("replaced, not made by Galvane: ") + name))
            << run.output;
    }
    EXPECT_TRUE(Contains(run.output, "3 files replaced that Galvane had not made")) << run.output;
    EXPECT_NE(ReadFile(dest + "/main.htm"), "another tool's start page");
    // A re-publish of Galvane's own gallery names nothing, also after new settings.
    const Outcome again = Publish(source, dest, {"--thumb", "40x40", "--title", "New"});
    EXPECT_FALSE(Contains(again.output, "not made by Galvane")) << again.output;
    // So does one without the record (of an older version): its pages carry Galvane's credit line.
    fs::remove(dest + "/" + kRecord);
    const Outcome unrecorded = Publish(source, dest, {"--title", "Newer"});
    EXPECT_FALSE(Contains(unrecorded.output, "not made by Galvane")) << unrecorded.output;
    EXPECT_TRUE(fs::exists(dest + "/" + kRecord));
}

// A sized or WebP file is never written over a file the user put at its name: the dry run says
// the file is kept, as the run then keeps it, not that it would be replaced.
TEST_F(Prune, ADryRunSaysAUsersFileAtAVariantsNameIsKept) {
    const std::string source = Source(2);
    const std::string dest = out.MakeFolder("gallery");
    out.Write("gallery/thn_p1@2x.webp", "mine");
    const Outcome dry = Publish(source, dest, {"--dry-run", "--thumb", "40x40"});
    ASSERT_EQ(dry.exitCode, 0) << dry.output;
    EXPECT_TRUE(Contains(dry.output, "kept: not made by Galvane: thn_p1@2x.webp")) << dry.output;
    EXPECT_FALSE(Contains(dry.output, "would replace thn_p1@2x.webp")) << dry.output;
    EXPECT_FALSE(Contains(dry.output, "would replace, not made by Galvane: thn_p1@2x.webp")) << dry.output;
    EXPECT_TRUE(Contains(dry.output, "would write thn_p2@2x.webp")) << dry.output;
    EXPECT_EQ(Number(dry.output, "to replace"), 0) << dry.output;

    const Outcome run = Publish(source, dest, {"--thumb", "40x40"});
    EXPECT_EQ(ReadFile(dest + "/thn_p1@2x.webp"), "mine");
    EXPECT_TRUE(Contains(run.output, "thn_p1@2x.webp: a file that Galvane did not make has this name")) << run.output;
    EXPECT_FALSE(Contains(run.output, "replaced, not made by Galvane")) << run.output;
}

TEST_F(Prune, ADryRunTouchesNothingAndSaysWhatARunWouldDo) {
    const std::string source = Source(4);
    const std::string dest = out / "gallery";
    const Outcome empty = Publish(source, dest, {"--dry-run"});
    EXPECT_EQ(empty.exitCode, 0) << empty.output;
    EXPECT_FALSE(fs::exists(dest));
    EXPECT_TRUE(Contains(empty.output, "would write thn_p1.jpg")) << empty.output;
    EXPECT_TRUE(Contains(empty.output, "would write main.htm")) << empty.output;
    EXPECT_TRUE(Contains(empty.output, "would write classic.css")) << empty.output;

    ASSERT_EQ(Publish(source, dest).exitCode, 0);
    fs::remove(source + "/p4.jpg");
    MakeJpeg(source + "/p1.jpg", "96x64", 77);
    out.Write("gallery/notes.txt", "mine");
    const auto before = Snapshot(dest);
    const auto sourceBefore = Snapshot(source);
    const Outcome dry = Publish(source, dest, {"--dry-run", "--gif"});
    EXPECT_EQ(dry.exitCode, 0) << dry.output;
    EXPECT_EQ(Snapshot(dest), before);
    EXPECT_EQ(Snapshot(source), sourceBefore);
    for (const std::string line :
         {"would replace thn_p1.jpg", "would write p1.gif", "would remove p4.jpg", "would remove p1.jpg",
          "would remove thn_p4.jpg", "would remove imagepage4.htm", "kept: not made by Galvane: notes.txt"}) {
        EXPECT_TRUE(Contains(dry.output, line)) << line << "\n" << dry.output;
    }
    EXPECT_FALSE(Contains(dry.output, "would remove notes.txt")) << dry.output;
    // The run itself then does what the dry run said.
    const Outcome run = Publish(source, dest, {"--gif"});
    EXPECT_EQ(Number(run.output, "stale files removed"), Number(dry.output, "to remove")) << run.output;
}

TEST_F(Prune, SameFolderRunsRemoveOnlyMarkedThumbnailsAndPages) {
    const std::string source = Source(4);
    // A large picture of another gallery, mark and all, put among the photos: a source like any.
    const std::string other = out / "other";
    ASSERT_EQ(Publish(Source(6), other).exitCode, 0);
    fs::copy_file(other + "/p6.jpg", source + "/p6.jpg");
    const auto run = [&] {
        return RunPublish({"--source", source, "--use-original", "--style", "Classic", "--quiet"});
    };
    ASSERT_EQ(run().exitCode, 0);
    ASSERT_TRUE(fs::exists(source + "/thn_p6.jpg"));
    ASSERT_TRUE(fs::exists(source + "/imagepage5.htm"));
    const std::string p3 = ReadFile(source + "/p3.jpg");
    fs::remove(source + "/p4.jpg");
    fs::rename(source + "/p6.jpg", source + "/kept.txt");

    const Outcome again = run();
    ASSERT_EQ(again.exitCode, 0) << again.output;
    EXPECT_FALSE(fs::exists(source + "/thn_p4.jpg"));
    EXPECT_FALSE(fs::exists(source + "/thn_p6.jpg"));
    // (The style's pictures copied by the first run are sources of the second, as designed.)
    int thumbnails = 0, pages = 0;
    for (const std::string& name : GalleryFiles(source)) {
        thumbnails += name.starts_with("thn_") && name.ends_with(".jpg") ? 1 : 0;
        pages += name.starts_with("imagepage") ? 1 : 0;
    }
    EXPECT_EQ(pages, thumbnails);
    EXPECT_FALSE(fs::exists(source + "/imagepage" + std::to_string(thumbnails + 1) + ".htm"));
    EXPECT_EQ(ReadFile(source + "/p3.jpg"), p3);
    // The marked large picture the user renamed is theirs now; the photos are sources, never removed.
    EXPECT_TRUE(fs::exists(source + "/kept.txt"));
    for (const std::string name : {"p1.jpg", "p2.jpg", "p3.jpg"}) {
        EXPECT_TRUE(fs::exists(source + "/" + name)) << name;
    }
    EXPECT_EQ(DanglingLocalLinks(source), std::vector<std::string>{});
}

TEST_F(Prune, AnUnreadablePictureKeepsNoReadableOneOut) {
    const std::string source = Source(2);
    out.Write("src1/p1.JPG", "not a picture");
    out.Write("src1/p2.bmp", "nor this one");
    const std::string dest = out / "gallery";
    const Outcome run = Publish(source, dest);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "2 pictures converted, 2 could not be read")) << run.output;
    EXPECT_TRUE(Contains(run.output, "could not read " + source + "/p1.JPG")) << run.output;
    EXPECT_FALSE(Contains(run.output, "left out")) << run.output;
    EXPECT_TRUE(Contains(ReadFile(dest + "/imagepage1.htm"), "p1.jpg"));
    EXPECT_TRUE(fs::exists(dest + "/imagepage2.htm"));
}

// Ctrl-C halfway: the count is that of the pictures converted before the run stopped, and nothing
// is removed.
TEST_F(Prune, AnInterruptedRunCountsWhatItConvertedAndRemovesNothing) {
    const std::string source = out.MakeFolder("big");
    ASSERT_EQ(
        std::system(("convert -size 2400x1800 gradient:red-blue " + Quoted(source + "/b0.jpg")).c_str()), 0);
    for (int i = 1; i < 40; ++i) {
        fs::copy_file(source + "/b0.jpg", source + "/b" + std::to_string(i) + ".jpg");
    }
    const std::string dest = out / "gallery";
    out.Write("gallery/thn_gone.jpg", "");
    ASSERT_EQ(Publish(Source(1), dest).exitCode, 0);  // a gallery to re-publish over
    const std::string log = out / "run.log";
    const pid_t pid =
        StartPublish({"--source", source, "--dest", dest, "--style", "Classic", "--quiet"}, log);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!fs::exists(dest + "/thn_b3.jpg") && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::kill(pid, SIGINT);
    EXPECT_EQ(WaitForPublish(pid), 130);
    const std::string output = ReadFile(log);
    int thumbnails = 0;
    for (const std::string& name : GalleryFiles(dest)) {
        thumbnails += name.starts_with("thn_b") && name.ends_with(".jpg") ? 1 : 0;
    }
    EXPECT_GT(thumbnails, 0);
    EXPECT_LT(thumbnails, 40);
    EXPECT_EQ(Number(output, "pictures converted"), thumbnails) << output;
    EXPECT_TRUE(fs::exists(dest + "/thn_p1.jpg"));
    EXPECT_TRUE(fs::exists(dest + "/main.htm"));
}

}  // namespace
