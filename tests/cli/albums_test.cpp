// Galleries of albums: a source of folders published with --albums, in each bundled style.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "engine/directory.h"
#include "tests/cli/publish_runner.h"
#include "tests/support/exiftool.h"
#include "tests/support/ftp_test_server.h"
#include "tests/support/gallery_links.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

const std::string kOdd = "Fam & #1 %x 'q\" \xC3\xA9t\xC3\xA9";

// Every file below `folder` by relative path: bytes, modification time and inode.
std::map<std::string, std::tuple<std::string, long long, ino_t>> TreeSnapshot(const std::string& folder) {
    std::map<std::string, std::tuple<std::string, long long, ino_t>> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        struct stat st {};
        if (entry.is_regular_file() && ::stat(entry.path().c_str(), &st) == 0) {
            files[fs::relative(entry.path(), folder).string()] = {
                ReadFile(entry.path()), st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec, st.st_ino};
        }
    }
    return files;
}

std::set<std::string> TreeFiles(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& [name, file] : TreeSnapshot(folder)) {
        names.insert(name);
    }
    return names;
}

std::string Decoded(const std::string& link) {
    std::string name;
    for (std::size_t i = 0; i < link.size(); ++i) {
        if (link[i] == '%' && i + 2 < link.size()) {
            name += static_cast<char>(std::stoi(link.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            name += link[i];
        }
    }
    return name;
}

// The pages reachable by local links from `start`, as normalised paths.
std::set<std::string> ReachablePages(const std::string& start) {
    std::set<std::string> seen{fs::path(start).lexically_normal().string()};
    std::deque<std::string> queue{*seen.begin()};
    while (!queue.empty()) {
        const fs::path page = queue.front();
        queue.pop_front();
        for (const std::string& link : LocalLinksOf(ReadFile(page.string()))) {
            const std::string target = (page.parent_path() / Decoded(link)).lexically_normal().string();
            if (MatchesWildcard("*.htm*", target) && fs::is_regular_file(target) &&
                seen.insert(target).second) {
                queue.push_back(target);
            }
        }
    }
    return seen;
}

// Whether a page of `folder` links to the start page of the folder above it.
bool LeadsUp(const std::string& folder) {
    const std::string up = (fs::path(folder).parent_path() / "main.htm").lexically_normal().string();
    for (const DirectoryEntry& entry : ListDirectory(folder)) {
        if (entry.isDirectory || !MatchesWildcard("*.htm*", entry.name)) {
            continue;
        }
        for (const std::string& link : LocalLinksOf(ReadFile(JoinPath(folder, entry.name)))) {
            if ((fs::path(folder) / Decoded(link)).lexically_normal().string() == up) {
                return true;
            }
        }
    }
    return false;
}

class Albums : public ::testing::Test {
protected:
    // Pictures at every level, a folder holding only albums, an empty folder, a hidden one, a
    // link back to the parent, a name needing escaping, cover.jpg and folder.png.
    void SetUp() override {
        source = out.MakeFolder("src");
        int seed = 0;
        for (const std::string& name : std::vector<std::string>{
                 "top.jpg", "2026/y.jpg", "2026/Rome/r.jpg", "2026/Rome/cover.jpg", "2026/Rome/Day 1/a.jpg",
                 "2026/Rome/Day 1/b.jpg", "Only albums/Inner/i.jpg", kOdd + "/o.jpg", kOdd + "/folder.png",
                 ".hidden/h.jpg"}) {
            const fs::path path = fs::path(source) / name;
            fs::create_directories(path.parent_path());
            // Made under a plain name: the picture tool reads "%" in a name as a format.
            const std::string made = out / (name.ends_with(".png") ? "made.png" : "made.jpg");
            MakeJpeg(made, "48x32", ++seed);
            fs::rename(made, path);
        }
        fs::create_directories(source + "/Empty");
        ASSERT_EQ(::symlink("..", (source + "/2026/Rome/back").c_str()), 0);
        albums = {"", "2026", "2026/Rome", "2026/Rome/Day 1", "Only albums", "Only albums/Inner", kOdd};
    }

    Outcome Publish(const std::string& dest, const std::string& style, std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"--source", source, "--dest", dest, "--quiet", "--style", style};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunPublish(args);
    }

    TempFolder out;
    std::string source;
    std::vector<std::string> albums;
};

TEST_F(Albums, EveryAlbumIsReachableFromTheTopAndLeadsBackUpInEachBundledStyle) {
    for (const std::string style : {"Classic", "Frames", "Slides"}) {
        SCOPED_TRACE(style);
        const std::string dest = out / ("gallery-" + style);
        const Outcome run = Publish(dest, style, {"--albums", "--title", "Top & more"});
        ASSERT_EQ(run.exitCode, 0) << run.output;
        for (const char* note : {"not an album: .hidden: a hidden folder",
                                 "not an album: 2026/Rome/back: reached again through a link",
                                 "not an album: Empty: holds no pictures and no albums"}) {
            EXPECT_TRUE(Contains(run.output, note)) << run.output;
        }
        const std::set<std::string> reached = ReachablePages(dest + "/main.htm");
        std::set<std::string> folders;
        for (const std::string& page : reached) {
            folders.insert(fs::relative(fs::path(page).parent_path(), dest).lexically_normal().string());
        }
        for (const std::string& album : albums) {
            const std::string folder = album.empty() ? dest : dest + "/" + album;
            EXPECT_TRUE(folders.contains(album.empty() ? "." : album)) << album;
            EXPECT_TRUE(reached.contains(folder + "/main.htm")) << album;
            EXPECT_EQ(DanglingLocalLinks(folder), std::vector<std::string>{}) << album;
            if (!album.empty()) {
                EXPECT_TRUE(LeadsUp(folder)) << album;
            }
        }
        EXPECT_FALSE(fs::exists(dest + "/Empty"));
        EXPECT_FALSE(fs::exists(dest + "/.hidden"));
        EXPECT_FALSE(fs::exists(dest + "/2026/Rome/back"));
        // Every picture in exactly one album: its thumbnail in its own folder and nowhere else.
        std::multiset<std::string> thumbnails;
        for (const std::string& file : TreeFiles(dest)) {
            if (fs::path(file).filename().string().starts_with("thn_") && file.ends_with(".jpg")) {
                thumbnails.insert(file);
            }
        }
        EXPECT_EQ(thumbnails,
                  (std::multiset<std::string>{"2026/Rome/Day 1/thn_a.jpg", "2026/Rome/Day 1/thn_b.jpg",
                                              "2026/Rome/thn_cover.jpg", "2026/Rome/thn_r.jpg",
                                              "2026/thn_y.jpg", kOdd + "/thn_folder.jpg", kOdd + "/thn_o.jpg",
                                              "Only albums/Inner/thn_i.jpg", "thn_top.jpg"}));
        // Titles escaped as text, encoded in addresses.
        std::string top;  // the top album's pages
        for (const DirectoryEntry& entry : ListDirectory(dest)) {
            if (MatchesWildcard("*.htm*", entry.name)) {
                top += ReadFile(JoinPath(dest, entry.name));
            }
        }
        EXPECT_TRUE(Contains(top, "Fam &amp; #1 %x &#39;q&quot; \xC3\xA9t\xC3\xA9") ||
                    Contains(top, "Fam &amp; #1 %x &#x27;q&quot; \xC3\xA9t\xC3\xA9"))
            << top;
        EXPECT_TRUE(Contains(top, "Fam%20%26%20%231%20%25x%20%27q%22%20%C3%A9t%C3%A9/main.htm")) << top;
    }
}

TEST_F(Albums, RepublishingUnchangedTouchesNoFile) {
    const std::string dest = out / "gallery";
    ASSERT_EQ(Publish(dest, "Classic", {"--albums"}).exitCode, 0);
    const auto before = TreeSnapshot(dest);
    const Outcome again = Publish(dest, "Classic", {"--albums"});
    ASSERT_EQ(again.exitCode, 0) << again.output;
    EXPECT_TRUE(Contains(again.output, "0 pictures converted")) << again.output;
    EXPECT_FALSE(Contains(again.output, "removed")) << again.output;
    EXPECT_TRUE(TreeSnapshot(dest) == before);
}

TEST_F(Albums, RemovingASubfolderRemovesExactlyItsAlbumAndGalvanesFilesOnly) {
    const std::string dest = out / "gallery";
    // Folders of the user's that albums are published into stay when their albums go.
    out.MakeFolder("gallery/2026/Rome/Day 1");
    ASSERT_EQ(Publish(dest, "Slides", {"--albums"}).exitCode, 0);
    out.Write("gallery/Only albums/Inner/mine.txt", "mine");
    out.Write("gallery/Mine/own.htm", "<p>my own page</p>");
    fs::remove_all(source + "/2026/Rome");
    fs::remove_all(source + "/Only albums");
    const auto before = TreeSnapshot(dest);

    const Outcome run = Publish(dest, "Slides", {"--albums"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(fs::is_empty(dest + "/2026/Rome/Day 1"));
    EXPECT_FALSE(fs::exists(dest + "/2026/Rome/main.htm"));
    EXPECT_TRUE(Contains(run.output, "kept: not made by Galvane: Only albums/Inner/mine.txt")) << run.output;
    const std::string fresh = out / "fresh";
    ASSERT_EQ(Publish(fresh, "Slides", {"--albums"}).exitCode, 0);
    std::set<std::string> expected = TreeFiles(fresh);
    expected.insert({"Only albums/Inner/mine.txt", "Only albums/Inner/.galvane-manifest",
                     "Only albums/.galvane-manifest", "Mine/own.htm"});
    EXPECT_EQ(TreeFiles(dest), expected);
    // What stays is what a fresh publication makes, byte for byte; pictures are not even rewritten.
    const auto after = TreeSnapshot(dest);
    const auto made = TreeSnapshot(fresh);
    for (const auto& [name, file] : made) {
        if (!name.ends_with(".galvane-manifest")) {
            EXPECT_EQ(std::get<0>(after.at(name)), std::get<0>(file)) << name;
        }
        if (name.ends_with(".jpg")) {
            EXPECT_TRUE(before.at(name) == after.at(name)) << name;
        }
    }
    // Once the user's file is gone, the emptied folders go with the next run.
    fs::remove(dest + "/Only albums/Inner/mine.txt");
    ASSERT_EQ(Publish(dest, "Slides", {"--albums"}).exitCode, 0);
    EXPECT_FALSE(fs::exists(dest + "/Only albums"));
    EXPECT_TRUE(fs::exists(dest + "/Mine/own.htm"));
}

// A copy of a style folder with every album block taken out of its templates.
std::string StyleWithoutAlbumBlocks(const std::string& style, const std::string& copy) {
    fs::copy(style, copy);
    for (const DirectoryEntry& entry : ListDirectory(copy)) {
        if (!MatchesWildcard("*.htm*", entry.name)) {
            continue;
        }
        std::string text = ReadFile(JoinPath(copy, entry.name));
        for (const std::string block : {"ALBUMS", "UP", "TRAIL"}) {
            const std::string open = "<!--GALVANE-" + block + "-->", close = "<!--/GALVANE-" + block + "-->";
            for (auto at = text.find(open); at != std::string::npos; at = text.find(open)) {
                text.erase(at, text.find(close, at) + close.size() - at);
            }
        }
        EXPECT_EQ(text.find("GALVANE-"), std::string::npos) << entry.name;
        std::ofstream(JoinPath(copy, entry.name), std::ios::binary | std::ios::trunc) << text;
    }
    return copy;
}

// Without the switch a bundled style makes exactly the pages it made before it knew albums: those
// of the same style with its album blocks taken out, byte for byte.
TEST_F(Albums, WithoutTheSwitchEachBundledStylePublishesAsWithoutAlbumBlocks) {
    for (const std::string style : {"Classic", "Frames", "Slides"}) {
        SCOPED_TRACE(style);
        const std::string folder = std::string(GALVANE_STYLES_DIR) + "/###" + style;
        const std::string plain = StyleWithoutAlbumBlocks(folder, out / ("plain###" + style));
        const std::string withBlocks = out / ("with-" + style), without = out / ("without-" + style);
        ASSERT_EQ(Publish(withBlocks, folder, {"--title", "T"}).exitCode, 0);
        ASSERT_EQ(Publish(without, plain, {"--title", "T"}).exitCode, 0);
        const auto a = TreeSnapshot(withBlocks), b = TreeSnapshot(without);
        ASSERT_EQ(a.size(), b.size());
        for (const auto& [name, file] : a) {
            ASSERT_TRUE(b.contains(name)) << name;
            EXPECT_EQ(std::get<0>(file), std::get<0>(b.at(name))) << name;
        }
        for (const DirectoryEntry& entry : ListDirectory(withBlocks)) {
            EXPECT_FALSE(entry.isDirectory) << entry.name;
        }
    }
}

// A source without subfolders makes the same gallery with the switch as without it.
TEST_F(Albums, AFlatSourceWithTheSwitchIsTheFlatGallery) {
    const std::string flat = out.MakeFolder("flat");
    fs::copy_file(source + "/top.jpg", flat + "/top.jpg");
    fs::copy_file(source + "/2026/y.jpg", flat + "/y.jpg");
    for (const std::string style : {"Classic", "Frames"}) {
        const std::vector<std::string> common = {"--source", flat, "--quiet", "--style", style};
        std::vector<std::string> plain = common, albums = common;
        plain.insert(plain.end(), {"--dest", out / ("plain-" + style)});
        albums.insert(albums.end(), {"--dest", out / ("albums-" + style), "--albums"});
        ASSERT_EQ(RunPublish(plain).exitCode, 0);
        ASSERT_EQ(RunPublish(albums).exitCode, 0);
        const auto a = TreeSnapshot(out / ("plain-" + style)), b = TreeSnapshot(out / ("albums-" + style));
        ASSERT_EQ(a.size(), b.size()) << style;
        for (const auto& [name, file] : a) {
            EXPECT_EQ(std::get<0>(file), std::get<0>(b.at(name))) << style << " " << name;
        }
    }
}

// A dry run of a gallery of albums writes nothing and names the files of every album.
TEST_F(Albums, ADryRunTouchesNothingAndNamesEveryAlbumsFiles) {
    const std::string dest = out / "gallery";
    const Outcome first = Publish(dest, "Classic", {"--albums", "--dry-run"});
    ASSERT_EQ(first.exitCode, 0) << first.output;
    EXPECT_FALSE(fs::exists(dest));
    EXPECT_TRUE(Contains(first.output, "would write 2026/Rome/Day 1/thn_a.jpg")) << first.output;
    EXPECT_TRUE(Contains(first.output, "would write Only albums/Inner/main.htm")) << first.output;
    ASSERT_EQ(Publish(dest, "Classic", {"--albums"}).exitCode, 0);
    fs::remove_all(source + "/2026/Rome");
    const auto before = TreeSnapshot(dest);
    const Outcome again = Publish(dest, "Classic", {"--albums", "--dry-run"});
    ASSERT_EQ(again.exitCode, 0) << again.output;
    EXPECT_TRUE(Contains(again.output, "would remove 2026/Rome/Day 1/thn_a.jpg")) << again.output;
    EXPECT_TRUE(Contains(again.output, "would remove 2026/Rome/")) << again.output;
    EXPECT_TRUE(TreeSnapshot(dest) == before);
}

TEST_F(Albums, WithoutTheSwitchSubfoldersStayOutOfTheGallery) {
    const std::string dest = out / "gallery";
    const Outcome run = Publish(dest, "Classic");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    for (const DirectoryEntry& entry : ListDirectory(dest)) {
        EXPECT_FALSE(entry.isDirectory) << entry.name;
    }
    EXPECT_FALSE(Contains(run.output, "not an album"));
    EXPECT_FALSE(Contains(ReadFile(dest + "/main.htm"), "2026"));
}

// A source holding only albums has no pictures of its own: refused without the switch, the
// gallery of its albums with it.
TEST_F(Albums, ASourceOfOnlyAlbumsIsPublishedWithTheSwitch) {
    source += "/Only albums";
    const std::string dest = out / "only";
    const Outcome flat = Publish(dest, "Classic");
    EXPECT_NE(flat.exitCode, 0);
    EXPECT_TRUE(Contains(flat.output, "holds no pictures")) << flat.output;
    const Outcome run = Publish(dest, "Classic", {"--albums"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(FileExists(dest + "/Inner/thn_i.jpg"));
    EXPECT_TRUE(Contains(ReadFile(dest + "/main.htm"), "Inner/main.htm"));
}

// Sorting by date sorts each album's pictures among themselves, at every depth.
TEST_F(Albums, SortByDateOrdersEveryAlbum) {
    ASSERT_TRUE(WriteTags(source + "/2026/Rome/r.jpg", {"-EXIF:DateTimeOriginal=2020:01:01 00:00:00"}));
    ASSERT_TRUE(WriteTags(source + "/2026/Rome/cover.jpg", {"-EXIF:DateTimeOriginal=2021:01:01 00:00:00"}));
    ASSERT_TRUE(WriteTags(source + "/2026/Rome/Day 1/a.jpg", {"-EXIF:DateTimeOriginal=2022:01:01 00:00:00"}));
    ASSERT_TRUE(WriteTags(source + "/2026/Rome/Day 1/b.jpg", {"-EXIF:DateTimeOriginal=2019:01:01 00:00:00"}));
    const std::string byName = out / "names";
    const std::string byDate = out / "dates";
    ASSERT_EQ(Publish(byName, "Classic", {"--albums"}).exitCode, 0);
    ASSERT_EQ(Publish(byDate, "Classic", {"--albums", "--sort", "date"}).exitCode, 0);
    const auto order = [](const std::string& page) {
        std::vector<std::string> thumbnails;
        for (const std::string& link : LocalLinksOf(ReadFile(page))) {
            if (link.starts_with("thn_") && link.ends_with(".jpg")) {
                thumbnails.push_back(link);
            }
        }
        return thumbnails;
    };
    EXPECT_EQ(order(byName + "/2026/Rome/indexpage1.htm"),
              (std::vector<std::string>{"thn_cover.jpg", "thn_r.jpg"}));
    EXPECT_EQ(order(byDate + "/2026/Rome/indexpage1.htm"),
              (std::vector<std::string>{"thn_r.jpg", "thn_cover.jpg"}));
    EXPECT_EQ(order(byName + "/2026/Rome/Day 1/indexpage1.htm"),
              (std::vector<std::string>{"thn_a.jpg", "thn_b.jpg"}));
    EXPECT_EQ(order(byDate + "/2026/Rome/Day 1/indexpage1.htm"),
              (std::vector<std::string>{"thn_b.jpg", "thn_a.jpg"}));
}

// The words of a picture in an album reach that album's picture page, as in a flat gallery.
TEST_F(Albums, CaptionsOfAlbumPicturesReachTheirPages) {
    std::ofstream(source + "/2026/y.jpg.txt") << "Rome & the river\n";
    const std::string dest = out / "words";
    ASSERT_EQ(Publish(dest, "Classic", {"--albums"}).exitCode, 0);
    bool found = false;
    for (const auto& entry : fs::directory_iterator(dest + "/2026")) {
        if (entry.path().filename().string().starts_with("imagepage")) {
            found =
                found || ReadFile(entry.path().string()).find("Rome &amp; the river") != std::string::npos;
        }
    }
    EXPECT_TRUE(found);
}

TEST_F(Albums, AGalleryOfAlbumsUploadsWholeAndASecondUploadSendsNothing) {
    FtpTestServer server;
    ASSERT_TRUE(server.IsRunning());
    const std::string dest = out / "gallery";
    const std::vector<std::string> login = {"--ftp-server", server.address(), "--ftp-login",
                                            FtpTestServer::kLogin};
    std::vector<std::string> publish = {"--albums", "--connections", "3"};
    publish.insert(publish.end(), login.begin(), login.end());
    const Outcome run = RunPublish(
        [&] {
            std::vector<std::string> args = {"--source", source,    "--dest", dest,
                                             "--quiet",  "--style", "Frames"};
            args.insert(args.end(), publish.begin(), publish.end());
            return args;
        }(),
        FtpTestServer::kPassword);
    ASSERT_EQ(run.exitCode, 0) << run.output;

    // Every file of every album, byte for byte; Galvane's own files stay local.
    std::map<std::string, std::string> local;
    for (const auto& [name, file] : TreeSnapshot(dest)) {
        if (!Contains("/" + name, "/.galvane-")) {
            local[name] = std::get<0>(file);
        }
    }
    std::map<std::string, std::string> remote;
    for (const auto& [name, file] : TreeSnapshot(server.home())) {
        remote[name] = std::get<0>(file);
    }
    ASSERT_EQ(remote.erase(".galvane-upload-record"), 1u);
    EXPECT_TRUE(remote == local);
    EXPECT_TRUE(local.contains(kOdd + "/main.htm"));
    EXPECT_TRUE(local.contains("2026/Rome/Day 1/thn_a.jpg"));
    EXPECT_TRUE(
        Contains(run.output, std::to_string(local.size()) + " sent, 0 unchanged, 0 removed, 0 failed"))
        << run.output;

    std::vector<std::string> again = {"--upload-only", dest};
    again.insert(again.end(), login.begin(), login.end());
    const Outcome second = RunPublish(again, FtpTestServer::kPassword);
    EXPECT_EQ(second.exitCode, 0) << second.output;
    EXPECT_TRUE(Contains(second.output, "0 sent, " + std::to_string(local.size()) + " unchanged, 0 removed"))
        << second.output;
}

}  // namespace
