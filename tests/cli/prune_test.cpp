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
            fs::copy_file(s_photos->path() + "/" + name, folder + "/" + name, fs::copy_options::copy_symlinks);
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
