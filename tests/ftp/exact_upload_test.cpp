// Uploads that stay exact: every kind of server gets a same-size edit, files Galvane sent and the
// gallery dropped are taken down (and nothing else), changes made on the server are noticed, and a
// dropped connection is made again.
#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>

#include "ftp/upload_record.h"
#include "tests/ftp/upload_test_support.h"
#include "tests/support/sftp_test_server.h"
#include "tests/support/vsftpd_test_server.h"

namespace {

using Calls = std::vector<std::string>;

void SetModified(const std::string& path, std::time_t time) {
    const timespec times[2] = {{time, 0}, {time, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

// One server of a kind, with what an upload to it needs.
struct ServerUnderTest {
    std::function<std::string(const std::string&)> remote;  // a file's path on the server's disk
    FtpUploadInputs inputs;
    FtpUploadSettings settings;
    std::shared_ptr<void> running;  // keeps the server (and its keys) alive
};

using ServerMaker = std::function<ServerUnderTest(const std::string& localFolder)>;

ServerMaker Pyftpdlib(FtpTestServerOptions options) {
    return [options](const std::string& folder) {
        auto server = std::make_shared<FtpTestServer>(options);
        const std::string home = server->home();
        return ServerUnderTest{
            [home](const std::string& name) { return home + "/" + name; },
            {folder, server->address(), FtpTestServer::kLogin, FtpTestServer::kPassword, ""},
            {},
            server};
    };
}

struct ServerKind {
    std::string name;
    ServerMaker make;
};

std::vector<ServerKind> ServerKinds() {
    FtpTestServerOptions noMfmt;
    noMfmt.noMfmt = true;
    FtpTestServerOptions listOnly;
    listOnly.listOnly = true;
    FtpTestServerOptions clockAhead;
    clockAhead.noMfmt = true;
    clockAhead.clockOffset = 3600;
    FtpTestServerOptions listingOff;
    listingOff.listingOffset = -3600;
    return {
        {"Pyftpdlib", Pyftpdlib({})},
        {"NoMfmt", Pyftpdlib(noMfmt)},
        {"ListOnly", Pyftpdlib(listOnly)},
        {"ClockAnHourAhead", Pyftpdlib(clockAhead)},
        {"ListingAnHourOff", Pyftpdlib(listingOff)},
        {"Vsftpd",
         [](const std::string& folder) {
             auto server = std::make_shared<VsftpdTestServer>();
             const std::string uploads = server->uploads();
             return ServerUnderTest{
                 [uploads](const std::string& name) { return uploads + "/" + name; },
                 {folder, server->address(), VsftpdTestServer::kLogin, "x", VsftpdTestServer::kUploadFolder},
                 {},
                 server};
         }},
        {"Sftp",
         [](const std::string& folder) {
             auto keys = std::make_shared<TempFolder>();
             auto server = std::make_shared<SftpTestServer>(*keys / "host_key");
             const std::string home = server->home();
             FtpUploadSettings settings{false, "", *keys / "known_hosts", NewHostKey::Trust};
             auto both =
                 std::make_shared<std::pair<std::shared_ptr<TempFolder>, std::shared_ptr<SftpTestServer>>>(
                     keys, server);
             return ServerUnderTest{
                 [home](const std::string& name) { return home + "/" + name; },
                 {folder, server->address(), FtpTestServer::kLogin, FtpTestServer::kPassword, ""},
                 settings,
                 both};
         }},
    };
}

class EveryServer : public ::testing::TestWithParam<ServerKind> {
protected:
    // One run on a window of its own; the counts of the latest run stay readable.
    Calls Run(bool keepRemote = false) {
        RecordingWindow window;
        FtpUploader uploader(window);
        uploader.SetInputs(server.inputs);
        FtpUploadSettings settings = server.settings;
        settings.keepRemote = keepRemote;
        uploader.SetSettings(settings);
        uploader.Run();
        result = window.Result();
        return window.Statuses();
    }

    TempFolder local;
    ServerUnderTest server = GetParam().make(local.path());
    UploadResult result;
};

TEST_P(EveryServer, ASameSizeEditInTheSameSecondIsSentAndARemovedFileTakenDown) {
    const std::time_t time = std::time(nullptr) - 30;
    for (const char* name : {"a.htm", "b.jpg", "c.jpg"}) {
        local.Write(name, std::string(100, name[0]));
        SetModified(local / name, time);
    }
    Run();
    ASSERT_TRUE(result.completed);
    ASSERT_EQ(result.sent, 3);

    // The same size and the same time to the second: only the bytes differ.
    local.Write("b.jpg", std::string(100, 'B'));
    SetModified(local / "b.jpg", time);
    Run();
    EXPECT_EQ(result.sent, 1);
    EXPECT_EQ(result.skipped, 2);
    EXPECT_EQ(ReadFile(server.remote("b.jpg")), std::string(100, 'B'));

    // Unchanged now; then a dropped file goes, and a file another tool put there stays.
    Run();
    EXPECT_EQ(result.sent, 0);
    EXPECT_EQ(result.skipped, 3);
    std::filesystem::remove(local / "c.jpg");
    {
        std::ofstream other(server.remote("other tool.txt"));
        other << "not Galvane's";
    }
    Run();
    EXPECT_EQ(result.removed, 1);
    EXPECT_EQ(result.failed, 0);
    EXPECT_FALSE(FileExists(server.remote("c.jpg")));
    EXPECT_EQ(ReadFile(server.remote("other tool.txt")), "not Galvane's");
    EXPECT_EQ(ReadFile(server.remote("a.htm")), std::string(100, 'a'));
}

INSTANTIATE_TEST_SUITE_P(Servers, EveryServer, ::testing::ValuesIn(ServerKinds()),
                         [](const auto& info) { return info.param.name; });

// Three files uploaded once to a pyftpdlib server; `Again` runs another upload on a fresh window.
class ExactUploadTest : public UploadTest {
protected:
    void SendThree(FtpTestServerOptions options = {}) {
        StartServer(std::move(options));
        for (const char* name : {"a.htm", "b.jpg", "c.jpg"}) {
            local.Write(name, std::string(100, name[0]));
            SetModified(local / name, std::time(nullptr) - 3600);
        }
        Upload(Inputs());
        ASSERT_EQ(uploader.FilesSent(), 3);
    }

    Calls Again(bool keepRemote = false) {
        RecordingWindow again;
        FtpUploader second(again);
        second.SetInputs(Inputs());
        FtpUploadSettings settings;  // four logins
        settings.keepRemote = keepRemote;
        second.SetSettings(settings);
        second.Run();
        result = again.Result();
        return again.Statuses();
    }

    UploadResult result;
};

// The first upload into an empty folder, over one login: the designed commands (nothing but the
// transfer for each file), with the record read before the listing, and the listing and the record
// written after the files.
TEST_F(ExactUploadTest, AFirstUploadAddsOnlyTheRecordAndOneListingToTheDesignedCommands) {
    StartServer();
    local.Write("a.htm", "a");
    local.Write("b.jpg", "b");

    Upload(Inputs());

    Calls commands;
    for (const std::string& command : server->Commands()) {
        commands.push_back(command.rfind("EPRT ", 0) == 0 ? "EPRT" : command);
    }
    // clang-format off
    EXPECT_EQ(commands, (Calls{"USER photographer", "PASS ******", "PWD",
                               "EPRT", "TYPE I", "RETR .galvane-upload-record",
                               "EPRT", "TYPE A", "MLSD",
                               "EPRT", "TYPE I", "STOR a.htm",
                               "EPRT", "STOR b.jpg",
                               "EPRT", "TYPE A", "MLSD",
                               "EPRT", "TYPE I", "STOR .galvane-upload-record", "QUIT"}));
    // clang-format on
}

TEST_F(ExactUploadTest, AFileChangedOnTheServerIsReplacedAndNamedAndOneDroppedLocallyIsKeptAndNamed) {
    SendThree();
    // Someone edits two files on the server, keeping their size; c.jpg is then dropped locally.
    for (const char* name : {"b.jpg", "c.jpg"}) {
        std::ofstream(Remote(name), std::ios::trunc) << std::string(100, 'x');
        SetModified(Remote(name), std::time(nullptr) - 100);
    }
    std::filesystem::remove(local / "c.jpg");

    Again();

    EXPECT_EQ(result.sent, 1);
    EXPECT_EQ(result.removed, 0);
    EXPECT_EQ(result.replacedChanged, std::vector<std::string>{"b.jpg"});
    EXPECT_EQ(result.keptChanged, std::vector<std::string>{"c.jpg"});
    EXPECT_EQ(ReadFile(Remote("b.jpg")), std::string(100, 'b'));
    EXPECT_EQ(ReadFile(Remote("c.jpg")), std::string(100, 'x'));

    // c.jpg is no longer Galvane's: a later run leaves it alone without a word.
    Again();
    EXPECT_TRUE(FileExists(Remote("c.jpg")));
    EXPECT_TRUE(result.keptChanged.empty());
    EXPECT_TRUE(result.replacedChanged.empty());
}

TEST_F(ExactUploadTest, KeepRemoteDeletesNothingAndALaterRunStillKnowsGalvanesFiles) {
    SendThree();
    std::filesystem::remove(local / "c.jpg");

    Again(true);
    EXPECT_EQ(result.removed, 0);
    EXPECT_TRUE(FileExists(Remote("c.jpg")));
    EXPECT_EQ(Count("DELE"), 0);

    Again();
    EXPECT_EQ(result.removed, 1);
    EXPECT_FALSE(FileExists(Remote("c.jpg")));
    EXPECT_EQ(Count("DELE c.jpg"), 1);
}

TEST_F(ExactUploadTest, ARunWithAFailedFileDeletesNothing) {
    FtpTestServerOptions options;
    options.diskFullOn = {"d.jpg"};
    SendThree(options);
    std::filesystem::remove(local / "c.jpg");
    local.Write("d.jpg", "new");

    const Calls statuses = Again();

    EXPECT_EQ(result.failed, 1);
    EXPECT_EQ(result.removed, 0);
    EXPECT_TRUE(FileExists(Remote("c.jpg")));
    EXPECT_EQ(Count("DELE"), 0);
    EXPECT_NE(std::find(statuses.begin(), statuses.end(),
                        "File 2 transfer error [" + (local / "d.jpg") + " \nto ftp://" + server->address() +
                            "//d.jpg]\n552 Exceeded storage allocation."),
              statuses.end());
    // Once the file goes, so does the dropped one: the record still holds it.
    std::filesystem::remove(local / "d.jpg");
    Again();
    EXPECT_EQ(result.removed, 1);
    EXPECT_FALSE(FileExists(Remote("c.jpg")));
}

TEST_F(ExactUploadTest, ADropInTheMiddleOfAFileIsMadeGoodAndTheRunCompletes) {
    FtpTestServerOptions options;
    options.dropOnceAfter = {"big.bin=300000"};
    StartServer(options);
    const std::string big = PatternBytes(3u << 20, 7);
    local.Write("a.htm", "a");
    local.Write("big.bin", big);
    local.Write("c.htm", "c");

    Upload(Inputs());

    EXPECT_EQ(window.Statuses(),
              (Calls{"Connecting...", "Connected", "Transfered 1 file(s) to 3", "Transfered 2 file(s) to 3",
                     "Transfered 3 file(s) to 3", "Transfer complete", "Disconnect"}));
    EXPECT_EQ(ReadFile(Remote("big.bin")), big);
    EXPECT_EQ(ReadFile(Remote("c.htm")), "c");
    EXPECT_EQ(uploader.FilesSent(), 3);
    EXPECT_EQ(uploader.FilesFailed(), 0);
    EXPECT_EQ(Count("USER"), 2);
    EXPECT_EQ(Count("STOR big.bin"), 2);
}

TEST_F(ExactUploadTest, AFileThatDropsTheConnectionOnEveryTryFailsWithAPlainReason) {
    FtpTestServerOptions options;
    options.dropAfter = {"big.bin=300000"};
    StartServer(options);
    local.Write("big.bin", PatternBytes(3u << 20, 8));
    local.Write("c.htm", "c");

    Upload(Inputs());

    EXPECT_EQ(window.Statuses(),
              (Calls{"Connecting...", "Connected",
                     "File 0 transfer error [" + (local / "big.bin") + " \nto ftp://" + server->address() +
                         "//big.bin]\nthe server closed the connection",
                     "Transfered 2 file(s) to 2", "Transfer complete", "Disconnect"}));
    EXPECT_EQ(ReadFile(Remote("c.htm")), "c");
}

TEST_F(ExactUploadTest, GalvanesOwnFilesAreNeverSentNorTheRecordTakenForAFile) {
    StartServer();
    local.Write("index.htm", "page");
    for (const char* name : {".galvane-Ab12Cd", ".galvane-manifest", ".index.htm.vimbral-x1Y2z3"}) {
        local.Write(name, "temporary");
    }

    Upload(Inputs());

    EXPECT_EQ(window.Result().sent, 1);
    EXPECT_EQ(Count("STOR"), 2);  // the page and the record
    EXPECT_EQ(Count("STOR index.htm"), 1);
    EXPECT_EQ(Count("STOR .galvane-upload-record"), 1);
    const auto record = ParseUploadRecord(ReadFile(Remote(".galvane-upload-record")));
    ASSERT_TRUE(record.has_value());
    ASSERT_EQ(record->size(), 1u);
    EXPECT_EQ(record->begin()->first, "index.htm");
    EXPECT_EQ(record->begin()->second.size, 4);
}

}  // namespace
