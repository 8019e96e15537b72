// Several logins at once (the default four) against real servers: every file arrives whole and once,
// the window sees the designed texts in order, the questions come once, a dropped login is made again
// while the others go on, and an abort ends every login.
#include <algorithm>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "ftp/upload_record.h"
#include "tests/ftp/upload_test_support.h"
#include "tests/support/sftp_test_server.h"
#include "tests/support/vsftpd_test_server.h"

namespace {

using namespace std::chrono_literals;
using Calls = std::vector<std::string>;

// One server of a kind with what an upload to it needs; `logins` counts the USER commands it got,
// where it keeps a log.
struct Target {
    FtpUploadInputs inputs;
    FtpUploadSettings settings;
    std::function<std::string(const std::string&)> remote;
    std::function<int()> logins;
    std::shared_ptr<void> running;
};

struct TargetKind {
    std::string name;
    std::function<Target(const std::string& localFolder)> make;
};

int CountUser(const FtpTestServer& server) {
    const auto commands = server.Commands();
    return static_cast<int>(std::count_if(commands.begin(), commands.end(), [](const std::string& line) {
        return line.rfind("USER ", 0) == 0;
    }));
}

// pyftpdlib holds a data connection back for about two seconds once it has taken twice this many
// bytes: a 300 KB file then takes two seconds, and one login could not send every file before the
// others have logged in.
constexpr int kSlowData = 128 << 10;

Target Pyftpdlib(const std::string& folder, FtpUploadSettings settings) {
    FtpTestServerOptions options;
    options.dataLimit = kSlowData;
    auto server = std::make_shared<FtpTestServer>(options);
    const std::string home = server->home();
    FtpTestServer* raw = server.get();
    return {{folder, server->address(), FtpTestServer::kLogin, FtpTestServer::kPassword, ""},
            settings,
            [home](const std::string& name) { return home + "/" + name; },
            [raw] { return CountUser(*raw); },
            server};
}

std::vector<TargetKind> Kinds() {
    return {
        {"Ftp", [](const std::string& folder) { return Pyftpdlib(folder, {}); }},
        {"FtpPassive",
         [](const std::string& folder) {
             FtpUploadSettings settings;
             settings.passive = true;
             return Pyftpdlib(folder, settings);
         }},
        // vsftpd, as the benchmark's FTPS server: pyftpdlib's TLS loses data connections now and then,
        // with one login as with four.
        {"VsftpdFtps",
         [](const std::string& folder) {
             auto certificates = std::make_shared<TempFolder>();
             const std::string certificate = *certificates / "server.pem";
             EXPECT_TRUE(MakeTestCertificate(certificate, "127.0.0.1", false));
             auto server = std::make_shared<VsftpdTestServer>(VsftpdTestServerOptions{certificate});
             const std::string uploads = server->uploads();
             FtpUploadSettings settings;
             settings.caFile = certificate;
             return Target{
                 {folder, "ftps://" + server->address(), VsftpdTestServer::kLogin, "x",
                  VsftpdTestServer::kUploadFolder},
                 settings,
                 [uploads](const std::string& name) { return uploads + "/" + name; },
                 nullptr,
                 std::make_shared<std::pair<std::shared_ptr<TempFolder>, std::shared_ptr<VsftpdTestServer>>>(
                     certificates, server)};
         }},
        {"VsftpdActive",
         [](const std::string& folder) {
             auto server = std::make_shared<VsftpdTestServer>();
             const std::string uploads = server->uploads();
             return Target{
                 {folder, server->address(), VsftpdTestServer::kLogin, "x", VsftpdTestServer::kUploadFolder},
                 {},
                 [uploads](const std::string& name) { return uploads + "/" + name; },
                 nullptr,
                 server};
         }},
        {"Sftp",
         [](const std::string& folder) {
             auto keys = std::make_shared<TempFolder>();
             auto server = std::make_shared<SftpTestServer>(*keys / "host_key");
             const std::string home = server->home();
             FtpUploadSettings settings{false, "", *keys / "known_hosts", NewHostKey::Trust};
             return Target{
                 {folder, server->address(), FtpTestServer::kLogin, FtpTestServer::kPassword, ""},
                 settings,
                 [home](const std::string& name) { return home + "/" + name; },
                 nullptr,
                 std::make_shared<std::pair<std::shared_ptr<TempFolder>, std::shared_ptr<SftpTestServer>>>(
                     keys, server)};
         }},
    };
}

// The designed status texts of a run that sends `count` files without a failure.
Calls DesignedStatuses(int count) {
    Calls statuses = {"Connecting...", "Connected"};
    for (int i = 1; i <= count; ++i) {
        statuses.push_back("Transfered " + std::to_string(i) + " file(s) to " + std::to_string(count));
    }
    statuses.insert(statuses.end(), {"Transfer complete", "Disconnect"});
    return statuses;
}

// The progress positions the window was given, in order.
std::vector<int> Positions(const Calls& calls) {
    std::vector<int> positions;
    for (const std::string& call : calls) {
        if (call.rfind("position: ", 0) == 0) {
            positions.push_back(std::stoi(call.substr(10)));
        }
    }
    return positions;
}

class EveryProtocol : public ::testing::TestWithParam<TargetKind> {
protected:
    TempFolder local;
    Target target = GetParam().make(local.path());
};

TEST_P(EveryProtocol, FourLoginsDeliverEveryFileWholeOnceWithTheDesignedTexts) {
    constexpr int kFiles = 24;
    std::map<std::string, std::string> files;
    for (int i = 0; i < kFiles; ++i) {
        // Small pages and a few larger pictures, so that the logins finish out of order.
        const std::size_t size = i % 6 == 0 ? (400u << 10) + static_cast<std::size_t>(i) : 50u + 37u * i;
        files["file" + std::to_string(i) + (i % 6 == 0 ? ".jpg" : ".htm")] = PatternBytes(size, 100 + i);
    }
    for (const auto& [name, bytes] : files) {
        local.Write(name, bytes);
    }

    RecordingWindow window;
    FtpUploader uploader(window);
    uploader.SetInputs(target.inputs);
    uploader.SetSettings(target.settings);
    ASSERT_EQ(target.settings.connections, 4);
    uploader.Run();

    for (const auto& [name, bytes] : files) {
        EXPECT_TRUE(ReadFile(target.remote(name)) == bytes) << name;  // no megabyte of bytes in the log
    }
    EXPECT_EQ(window.Statuses(), DesignedStatuses(kFiles));
    const std::vector<int> positions = Positions(window.Calls());
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(positions.back(), kFiles);
    EXPECT_TRUE(window.Saw("range: " + std::to_string(kFiles)));
    EXPECT_EQ(window.Ends(), 1);
    EXPECT_EQ(window.Result().sent, kFiles);
    EXPECT_EQ(window.Result().failed, 0);
    EXPECT_TRUE(window.Result().completed);
    if (target.logins) {
        EXPECT_EQ(target.logins(), 4);
    }
    // The record, written once at the end, vouches for every file: the next run sends nothing.
    const auto record = ParseUploadRecord(ReadFile(target.remote(kUploadRecordName)));
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->size(), files.size());
    RecordingWindow again;
    FtpUploader second(again);
    second.SetInputs(target.inputs);
    second.SetSettings(target.settings);
    second.Run();
    EXPECT_EQ(again.Result().sent, 0);
    EXPECT_EQ(again.Result().skipped, kFiles);
    EXPECT_EQ(again.Statuses(), DesignedStatuses(kFiles));
}

INSTANTIATE_TEST_SUITE_P(Servers, EveryProtocol, ::testing::ValuesIn(Kinds()),
                         [](const auto& info) { return info.param.name; });

// Four logins, the windows' default.
class ParallelUploadTest : public UploadTest {
protected:
    ParallelUploadTest() { uploader.SetSettings({}); }
};

TEST_F(ParallelUploadTest, TheHostKeyAndSubfolderQuestionsComeOnceBeforeAnyFile) {
    TempFolder keys;
    SftpTestServer sftp(keys / "host_key");
    ASSERT_TRUE(sftp.IsRunning());
    for (int i = 0; i < 12; ++i) {
        local.Write("p" + std::to_string(i) + ".htm", PatternBytes(3000, i));
    }
    window.answer = true;
    uploader.SetSettings({false, "", keys / "known_hosts", NewHostKey::Ask});

    Upload({local.path(), sftp.address(), FtpTestServer::kLogin, FtpTestServer::kPassword, "site"});

    const Calls calls = window.Calls();
    std::vector<std::size_t> asks;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].rfind("ask: ", 0) == 0) {
            asks.push_back(i);
        }
    }
    ASSERT_EQ(asks.size(), 2u);  // the host key, then the subfolder
    EXPECT_NE(calls[asks[0]].find("host key"), std::string::npos) << calls[asks[0]];
    EXPECT_NE(calls[asks[1]].find("Can not found a subfolder"), std::string::npos) << calls[asks[1]];
    const auto firstFile = std::find(calls.begin(), calls.end(), "status: Transfered 1 file(s) to 12");
    ASSERT_NE(firstFile, calls.end());
    EXPECT_LT(asks[1], static_cast<std::size_t>(firstFile - calls.begin()));
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(ReadFile(sftp.home() + "/site/p" + std::to_string(i) + ".htm"), PatternBytes(3000, i));
    }
    EXPECT_EQ(window.Result().sent, 12);
}

TEST_F(ParallelUploadTest, TheSubfolderIsMadeOnceAndEveryLoginSendsIntoIt) {
    FtpTestServerOptions options;
    options.dataLimit = kSlowData;
    StartServer(options);
    for (int i = 0; i < 4; ++i) {
        local.Write("p" + std::to_string(i) + ".jpg", PatternBytes(300000, i));
    }
    window.answer = true;

    Upload(Inputs("site"));

    EXPECT_EQ(Count("MKD"), 1);
    EXPECT_EQ(Count("USER"), 4);
    EXPECT_EQ(Count("CWD site"), 2 + 3);  // the first login before and after MKD, each other one once
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(ReadFile(Remote("site/p" + std::to_string(i) + ".jpg")) == PatternBytes(300000, i));
        EXPECT_EQ(Count("STOR p" + std::to_string(i) + ".jpg"), 1);
    }
}

// What each file costs with four logins in passive mode: one passive request and one STOR, and
// nothing else per file (no TYPE, CWD, SIZE or MDTM), however the files are spread over the logins.
TEST_F(ParallelUploadTest, FourLoginsSpendOnePassiveRequestAndOneStorPerFile) {
    StartServer();
    std::map<std::string, std::string> files;
    for (int i = 0; i < 16; ++i) {
        // The large files first, as a gallery lists its pictures before its pages.
        const std::size_t size = i < 4 ? (200u << 10) + static_cast<std::size_t>(i) : 100u + 7u * i;
        files[(i < 4 ? "a" : "b") + std::to_string(i)] = PatternBytes(size, i);
    }
    for (const auto& [name, bytes] : files) {
        local.Write(name, bytes);
    }
    FtpUploadSettings settings;
    settings.passive = true;
    uploader.SetSettings(settings);

    Upload(Inputs());

    EXPECT_EQ(window.Statuses(), DesignedStatuses(16));
    for (const auto& [name, bytes] : files) {
        EXPECT_TRUE(ReadFile(Remote(name)) == bytes) << name;
        EXPECT_EQ(Count("STOR " + name), 1) << name;
    }
    const int logins = Count("USER");
    EXPECT_EQ(logins, 4);
    // Beside the files: the record read and written, and the listing before and after.
    EXPECT_EQ(Count("STOR"), 16 + 1);
    EXPECT_EQ(Count("PASV") + Count("EPSV"), 16 + 4);
    EXPECT_LE(Count("TYPE"), logins + 4);  // once per login, and the main login's switches for listings
    EXPECT_EQ(Count("CWD"), 0);
    EXPECT_EQ(Count("SIZE"), 0);
    EXPECT_EQ(Count("MDTM"), 0);
    EXPECT_EQ(Count("MFMT"), 0);
}

TEST_F(ParallelUploadTest, ADropOnOneLoginIsMadeGoodWhileTheOthersGoOn) {
    FtpTestServerOptions options;
    options.dropOnceAfter = {"big.bin=300000"};
    StartServer(options);
    const std::string big = PatternBytes(3u << 20, 9);
    local.Write("big.bin", big);
    for (int i = 0; i < 16; ++i) {
        local.Write("s" + std::to_string(i) + ".htm", PatternBytes(5000, i));
    }

    Upload(Inputs());

    EXPECT_EQ(window.Statuses(), DesignedStatuses(17));
    EXPECT_EQ(ReadFile(Remote("big.bin")), big);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(ReadFile(Remote("s" + std::to_string(i) + ".htm")), PatternBytes(5000, i));
        EXPECT_EQ(Count("STOR s" + std::to_string(i) + ".htm"), 1);  // no other login started over
    }
    EXPECT_EQ(uploader.FilesSent(), 17);
    EXPECT_EQ(uploader.FilesFailed(), 0);
    EXPECT_EQ(Count("STOR big.bin"), 2);
    EXPECT_LE(Count("USER"), 4 + 1);  // the dropped login alone logged in again
}

TEST_F(ParallelUploadTest, AnAbortEndsEveryLoginAndLeavesTheWindowAlone) {
    StartServer(Misbehaving(&FtpTestServerOptions::stallOn, {"b.bin"}));
    for (const char* name : {"a.bin", "b.bin", "c.bin", "d.bin", "e.bin", "f.bin"}) {
        local.Write(name, name);
    }
    uploader.SetStallTimeout(600s);
    uploader.SetInputs(Inputs());
    // Every file but the stalled one is through: the other logins wait for the run to end.
    std::promise<void> seen;
    window.onCall = [&seen](const std::string& call) {
        if (call == "status: Transfered 5 file(s) to 6") {
            seen.set_value();
        }
    };
    auto run = std::async(std::launch::async, [this] { uploader.Run(); });
    ASSERT_EQ(seen.get_future().wait_for(30s), std::future_status::ready);
    std::this_thread::sleep_for(200ms);
    const std::size_t callsBefore = window.Calls().size();

    uploader.Abort();

    ASSERT_EQ(run.wait_for(30s), std::future_status::ready) << "the aborted run did not return";
    EXPECT_EQ(window.Calls().size(), callsBefore);
    EXPECT_EQ(window.Ends(), 0);
    EXPECT_EQ(uploader.FilesSent(), 5);
    EXPECT_FALSE(uploader.Completed());
    EXPECT_FALSE(FileExists(Remote(kUploadRecordName)));  // a run that did not finish writes no record
}

}  // namespace
