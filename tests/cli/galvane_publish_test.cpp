// Runs the real galvane-publish on real pictures with each bundled style.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "engine/directory.h"
#include "tests/cli/publish_runner.h"
#include "tests/support/ftp_test_server.h"
#include "tests/support/gallery_links.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// Six small pictures in the formats the scan admits, one of them unreadable.
void MakePictures(const TempFolder& dir) {
    const std::string folder = dir.path();
    const std::string make = "cd " + Quoted(folder) +
                             " && convert -size 320x240 gradient:red-blue a.jpg"
                             " && convert -size 200x300 gradient:green-yellow b.gif"
                             " && convert -size 160x120 plasma:fractal -seed 3 c.bmp"
                             " && convert -size 640x480 gradient:white-black d.tif"
                             " && convert -size 100x80 gradient:orange-purple e.pcx"
                             " && convert -size 90x90 gradient:navy-pink f.tga";
    ASSERT_EQ(std::system(make.c_str()), 0);
    dir.Write("broken.jpg", "this is not a picture");
}

std::vector<std::string> StyleNames() {
    return {"Classic", "Frames", "Slides"};
}

class GalvanePublish : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_photos = new TempFolder;
        MakePictures(*s_photos);
    }
    static void TearDownTestSuite() {
        delete s_photos;
        s_photos = nullptr;
    }
    static TempFolder* s_photos;
    TempFolder out;
};
TempFolder* GalvanePublish::s_photos = nullptr;

TEST_F(GalvanePublish, ListsTheBundledStyles) {
    const Outcome listed = RunPublish({"--list-styles"});
    EXPECT_EQ(listed.exitCode, 0);
    for (const std::string& name : StyleNames()) {
        EXPECT_NE(listed.output.find(name + "\t"), std::string::npos) << listed.output;
    }
}

TEST_F(GalvanePublish, EveryStylePublishesACompleteGallery) {
    for (const std::string& style : StyleNames()) {
        SCOPED_TRACE(style);
        const std::string dest = out / style;
        const Outcome run = RunPublish({"--source", s_photos->path(), "--dest", dest, "--style", style,
                                        "--large", "160x120", "--quiet"});
        ASSERT_EQ(run.exitCode, 0) << run.output;
        EXPECT_NE(run.output.find("6 pictures converted, 1 could not be read"), std::string::npos)
            << run.output;
        EXPECT_NE(run.output.find("could not read " + s_photos->path() + "/broken.jpg"), std::string::npos);
        EXPECT_TRUE(FileExists(dest + "/main.htm"));
        // The last line is the start page to open.
        EXPECT_TRUE(run.output.ends_with("\n" + dest + "/main.htm\n")) << run.output;
        for (const char* base : {"a", "b", "c", "d", "e", "f"}) {
            EXPECT_TRUE(FileExists(dest + "/thn_" + base + ".jpg")) << base;
            EXPECT_TRUE(FileExists(dest + "/" + base + ".jpg")) << base;
        }
        EXPECT_FALSE(FileExists(dest + "/thn_broken.jpg"));
        for (const DirectoryEntry& entry : ListDirectory(dest)) {
            EXPECT_EQ(entry.name.find(style == "Classic"  ? "classic-"
                                      : style == "Frames" ? "frames-"
                                                          : "slides-"),
                      std::string::npos)
                << "template left behind: " << entry.name;
        }
        // The unreadable picture is left out of the pages: no page names a file that is not there.
        EXPECT_EQ(DanglingLocalLinks(dest), std::vector<std::string>{});
    }
}

// A smaller gallery published over a larger one: the surplus pages go, the rest link up anew.
TEST_F(GalvanePublish, PagesOfAnEarlierLargerGalleryGo) {
    TempFolder few;
    fs::copy_file(s_photos->path() + "/a.jpg", few / "a.jpg");
    fs::copy_file(s_photos->path() + "/b.gif", few / "b.gif");
    const std::string dest = out / "gallery";
    ASSERT_EQ(
        RunPublish({"--source", s_photos->path(), "--dest", dest, "--style", "Slides", "--quiet"}).exitCode,
        0);
    ASSERT_TRUE(FileExists(dest + "/smallpage3.htm"));
    ASSERT_EQ(RunPublish({"--source", few.path(), "--dest", dest, "--style", "Slides", "--quiet"}).exitCode,
              0);
    EXPECT_FALSE(FileExists(dest + "/smallpage3.htm"));
    EXPECT_FALSE(FileExists(dest + "/largepage3.htm"));
    EXPECT_NE(ReadFile(dest + "/smallpage2.htm").find("main.htm"), std::string::npos);
}

TEST_F(GalvanePublish, UseOriginalWritesOnlyThumbnailsIntoTheSource) {
    TempFolder source;
    fs::copy_file(s_photos->path() + "/a.jpg", source / "a.jpg");
    fs::copy_file(s_photos->path() + "/c.bmp", source / "c.bmp");
    const auto before = ReadFile(source / "a.jpg");
    ASSERT_EQ(
        RunPublish({"--source", source.path(), "--use-original", "--style", "Classic", "--quiet"}).exitCode,
        0);
    EXPECT_TRUE(FileExists(source / "thn_a.jpg"));
    EXPECT_TRUE(FileExists(source / "thn_c.jpg"));
    EXPECT_FALSE(FileExists(source / "c.jpg"));
    EXPECT_EQ(ReadFile(source / "a.jpg"), before);
}

TEST_F(GalvanePublish, PublishesThenUploadsTheGallery) {
    FtpTestServer server;
    ASSERT_TRUE(server.IsRunning());
    fs::create_directory(server.home() + "/site");
    const std::string dest = out / "gallery";
    const Outcome run = RunPublish(
        {"--source", s_photos->path(), "--dest", dest, "--style", "Classic", "--quiet", "--ftp-server",
         server.address(), "--ftp-login", FtpTestServer::kLogin, "--ftp-subfolder", "site"},
        FtpTestServer::kPassword);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("Transfer complete\nDisconnect\n"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find(FtpTestServer::kPassword), std::string::npos);
    for (const DirectoryEntry& entry : ListDirectory(dest)) {
        if (entry.name.rfind(".galvane-", 0) == 0) {
            EXPECT_FALSE(FileExists(server.home() + "/site/" + entry.name)) << entry.name;  // Galvane's own
            continue;
        }
        EXPECT_EQ(ReadFile(server.home() + "/site/" + entry.name), ReadFile(dest + "/" + entry.name))
            << entry.name;
    }
}

TEST_F(GalvanePublish, UploadOnlyReportsFailureInItsExitStatus) {
    FtpTestServer server;
    ASSERT_TRUE(server.IsRunning());
    TempFolder folder;
    folder.Write("index.htm", "hello");
    const std::vector<std::string> upload = {"--upload-only",  folder.path(), "--ftp-server",
                                             server.address(), "--ftp-login", FtpTestServer::kLogin};
    const Outcome first = RunPublish(upload, FtpTestServer::kPassword);
    EXPECT_EQ(first.exitCode, 0);
    EXPECT_NE(first.output.find("Disconnect\n1 sent, 0 unchanged, 0 removed, 0 failed\n"), std::string::npos)
        << first.output;
    EXPECT_EQ(ReadFile(server.home() + "/index.htm"), "hello");
    // Again: nothing to send; with --full, everything.
    const Outcome second = RunPublish(upload, FtpTestServer::kPassword);
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_NE(second.output.find("0 sent, 1 unchanged, 0 removed, 0 failed\n"), std::string::npos)
        << second.output;
    auto full = upload;
    full.insert(full.end(), {"--full", "--passive"});
    EXPECT_NE(RunPublish(full, FtpTestServer::kPassword).output.find("1 sent, 0 unchanged"),
              std::string::npos);
    // A page dropped from the folder stays with --keep-remote, and goes without it; a page changed
    // on the server is sent again and named.
    folder.Write("second.htm", "two");
    EXPECT_EQ(RunPublish(upload, FtpTestServer::kPassword).exitCode, 0);
    fs::remove(folder / "second.htm");
    {
        std::ofstream changed(server.home() + "/index.htm", std::ios::trunc);
        changed << "HELLO";
    }
    fs::last_write_time(server.home() + "/index.htm",
                        fs::file_time_type::clock::now() - std::chrono::hours(2));
    auto keep = upload;
    keep.push_back("--keep-remote");
    const Outcome kept = RunPublish(keep, FtpTestServer::kPassword);
    EXPECT_NE(kept.output.find("1 sent, 0 unchanged, 0 removed, 0 failed; replaced, changed on the server: "
                               "index.htm\n"),
              std::string::npos)
        << kept.output;
    EXPECT_EQ(ReadFile(server.home() + "/second.htm"), "two");
    EXPECT_EQ(ReadFile(server.home() + "/index.htm"), "hello");
    const Outcome removed = RunPublish(upload, FtpTestServer::kPassword);
    EXPECT_NE(removed.output.find("0 sent, 1 unchanged, 1 removed, 0 failed\n"), std::string::npos)
        << removed.output;
    EXPECT_FALSE(FileExists(server.home() + "/second.htm"));

    const Outcome refused = RunPublish(upload, "wrong password");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.output.find("Terminate of connection ...\n530 Authentication failed."),
              std::string::npos)
        << refused.output;
    EXPECT_NE(refused.output.find("galvane-publish: 530 Authentication failed.\n"), std::string::npos);
    EXPECT_EQ(refused.output.find("wrong password"), std::string::npos);

    // Missing subfolder, not to be created: nothing is sent.
    auto intoMissing = upload;
    intoMissing.insert(intoMissing.end(), {"--ftp-subfolder", "missing"});
    const Outcome declined = RunPublish(intoMissing, FtpTestServer::kPassword);
    EXPECT_EQ(declined.exitCode, 1);
    EXPECT_NE(declined.output.find("Can not found a subfolder"), std::string::npos) << declined.output;
    intoMissing.push_back("--create-subfolder");
    EXPECT_EQ(RunPublish(intoMissing, FtpTestServer::kPassword).exitCode, 0);
    EXPECT_EQ(ReadFile(server.home() + "/missing/index.htm"), "hello");

    // No password at all, and no terminal to ask on.
    EXPECT_EQ(RunPublish(upload).exitCode, 2);
    EXPECT_EQ(RunPublish({"--upload-only", folder.path(), "--ftp-login", "x"}, "p").exitCode, 2);
}

TEST_F(GalvanePublish, BadInputExitsWithTwoAndWritesNothing) {
    const std::string dest = out / "gallery";
    const std::vector<std::vector<std::string>> bad = {
        {"--source", out / "missing", "--dest", dest, "--style", "Classic"},
        {"--source", s_photos->path(), "--dest", dest, "--style", "Baroque"},
        {"--source", s_photos->path(), "--dest", out / "no/parent", "--style", "Classic"},
        {"--source", s_photos->path(), "--dest", dest, "--style", "Classic", "--thumb", "100"},
        {"--source", s_photos->path(), "--dest", dest, "--style", "Classic", "--bg-color", "red"},
        {"--source", s_photos->path(), "--dest", dest, "--style", "Classic", "--quality", "200"},
        {"--source", s_photos->path(), "--dest", dest},
    };
    for (const auto& args : bad) {
        const Outcome run = RunPublish(args);
        EXPECT_EQ(run.exitCode, 2) << run.output;
        EXPECT_NE(run.output.find("galvane-publish: "), std::string::npos);
        EXPECT_FALSE(FileExists(dest));
    }
}

// The program's own stderr for a refused value: one line, no usage after it.
TEST_F(GalvanePublish, ARefusedValueIsOneLineAndNoUsage) {
    const std::string dest = out / "gallery";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--quality", "150"}, "--quality takes 0 to 100"},
        {{"--large", "800"}, "--large takes WIDTHxHEIGHT, for example 1024x768"},
        {{"--ftp-server"}, "--ftp-server needs a value"},
        {{"--connections", "0"}, "--connections takes a whole number from 1 to 8 (got \"0\")"},
        {{"--connections", "9"}, "--connections takes a whole number from 1 to 8 (got \"9\")"},
    };
    for (const auto& [extra, expected] : cases) {
        std::vector<std::string> args = {"--source", s_photos->path(), "--dest", dest, "--style", "Classic"};
        args.insert(args.end(), extra.begin(), extra.end());
        const Outcome run = RunPublish(args);
        EXPECT_EQ(run.exitCode, 2) << run.output;
        EXPECT_TRUE(Contains(run.output, "galvane-publish: " + expected)) << run.output;
        EXPECT_TRUE(Contains(run.output, ". Try 'galvane-publish --help'.\n")) << run.output;
        EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
        EXPECT_FALSE(Contains(run.output, "usage:")) << run.output;
        EXPECT_FALSE(FileExists(dest));
    }
}

}  // namespace
