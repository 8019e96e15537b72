// SFTP uploads against a local asyncssh server: arrival, the login, and the host key check.
#include <time.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "tests/ftp/upload_test_support.h"
#include "tests/support/sftp_test_server.h"

namespace {

using Calls = std::vector<std::string>;

class SftpTest : public ::testing::Test {
protected:
    void StartServer(const std::string& hostKey, int closeDelayMs = 0) {
        server = std::make_unique<SftpTestServer>(hostKey, closeDelayMs);
        ASSERT_TRUE(server->IsRunning()) << "the test SFTP server did not start";
    }

    FtpUploadInputs Inputs(const std::string& subfolder = "",
                           const std::string& password = FtpTestServer::kPassword) {
        return {local.path(), server->address(), FtpTestServer::kLogin, password, subfolder};
    }

    // One run with its own window, answering the host key question (if asked) with `trust`.
    Calls Run(const FtpUploadInputs& inputs, NewHostKey policy, bool answer = false) {
        RecordingWindow window;
        window.answer = answer;
        FtpUploader uploader(window);
        uploader.SetInputs(inputs);
        uploader.SetSettings({false, "", knownHosts, policy});
        uploader.Run();
        return window.Calls();
    }

    static std::vector<std::string> Questions(const Calls& calls) {
        std::vector<std::string> asked;
        for (const std::string& call : calls) {
            if (call.rfind("ask: ", 0) == 0) {
                asked.push_back(call);
            }
        }
        return asked;
    }

    std::string Remote(const std::string& relative) const { return server->home() + "/" + relative; }

    TempFolder keys;
    std::string hostKey = keys / "host_key";
    std::string knownHosts = keys / "ssh/known_hosts";
    TempFolder local;
    std::unique_ptr<SftpTestServer> server;
};

TEST_F(SftpTest, AnUnknownKeyIsAskedAboutOnceAddedOnYesAndFilesArriveByteIdentical) {
    StartServer(hostKey);
    const std::string bytes = PatternBytes(200000, 9);
    local.Write("a.bin", bytes);
    local.Write("\xC3\xA9t\xC3\xA9 2.txt", "summer");
    std::filesystem::create_directory(Remote("site"));

    const Calls first = Run(Inputs("site"), NewHostKey::Ask, true);

    const auto asked = Questions(first);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("SHA256:"), std::string::npos) << asked[0];
    EXPECT_NE(asked[0].find(" | Warning"), std::string::npos);
    EXPECT_TRUE(ReadFile(Remote("site/a.bin")) == bytes);
    EXPECT_EQ(ReadFile(Remote("site/\xC3\xA9t\xC3\xA9 2.txt")), "summer");
    EXPECT_EQ(first.back(), "status: Disconnect");
    EXPECT_TRUE(std::find(first.begin(), first.end(), "status: Transfer complete") != first.end());
    // Known from now on: no question the second time, even where an unknown key would stop the run.
    const Calls second = Run(Inputs("site"), NewHostKey::Refuse);
    EXPECT_TRUE(Questions(second).empty());
    EXPECT_TRUE(std::find(second.begin(), second.end(), "status: Transfer complete") != second.end())
        << second.back();
}

TEST_F(SftpTest, AnUnknownKeyDeclinedOrRefusedStopsTheRunBeforeTheLogin) {
    StartServer(hostKey);
    local.Write("a.txt", "a");

    for (const NewHostKey policy : {NewHostKey::Ask, NewHostKey::Refuse}) {
        const Calls calls = Run(Inputs(), policy, false);
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(Questions(calls).size(), policy == NewHostKey::Ask ? 1u : 0u);
        const std::string& last = calls.back();
        EXPECT_EQ(last.rfind("status: Terminate of connection ...\nthe server's host key SHA256:", 0), 0u)
            << last;
        EXPECT_NE(last.find("is not trusted"), std::string::npos) << last;
    }
    EXPECT_FALSE(FileExists(Remote("a.txt")));
    EXPECT_FALSE(FileExists(knownHosts));
}

TEST_F(SftpTest, AChangedKeyAlwaysStopsTheRun) {
    StartServer(hostKey);
    local.Write("a.txt", "a");
    ASSERT_FALSE(Questions(Run(Inputs(), NewHostKey::Trust)).size());
    ASSERT_TRUE(FileExists(Remote("a.txt")));
    // The entry names the host alone (curl writes no port), so a new server there with a new key is
    // the same server with a changed key.
    ASSERT_EQ(ReadFile(knownHosts).rfind("127.0.0.1 ", 0), 0u) << ReadFile(knownHosts);
    StartServer(keys / "new_host_key");

    for (const NewHostKey policy : {NewHostKey::Ask, NewHostKey::Trust}) {
        const Calls calls = Run(Inputs(), policy, true);
        EXPECT_TRUE(Questions(calls).empty());
        EXPECT_EQ(
            calls.back().rfind("status: Terminate of connection ...\nthe server's host key has changed", 0),
            0u)
            << calls.back();
    }
    EXPECT_FALSE(FileExists(Remote("a.txt")));
}

TEST_F(SftpTest, AWrongPasswordSaysLoginRefusedAndAMissingSubfolderIsCreatedOnYes) {
    StartServer(hostKey);
    local.Write("a.txt", "a");

    const Calls refused = Run(Inputs("", "wrong"), NewHostKey::Trust);
    EXPECT_EQ(refused.back(), "status: Terminate of connection ...\nlogin refused");

    const Calls created = Run(Inputs("new folder"), NewHostKey::Trust, true);
    EXPECT_EQ(Questions(created),
              (Calls{"ask: Can not found a subfolder. Want you create subfolder now? | Warning"}));
    EXPECT_EQ(ReadFile(Remote("new folder/a.txt")), "a");
}

double ProcessCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Waiting for a far server's answer to closing a file is a wait on the socket, not a loop around it:
// a busy loop there kept a processor busy for a round trip after every file, taking it from the
// server and the link. The server here answers each CLOSE 150 ms late.
TEST_F(SftpTest, WaitingForAFileToBeClosedDoesNotKeepTheProcessorBusy) {
    constexpr int kFiles = 20;
    StartServer(hostKey, 150);
    for (int i = 0; i < kFiles; ++i) {
        local.Write("p" + std::to_string(i) + ".htm", PatternBytes(3000, i));
    }
    const double before = ProcessCpuSeconds();
    const Calls calls = Run(Inputs(), NewHostKey::Trust);
    const double used = ProcessCpuSeconds() - before;

    ASSERT_NE(std::find(calls.begin(), calls.end(), "status: Transfer complete"), calls.end());
    for (int i = 0; i < kFiles; ++i) {
        EXPECT_EQ(ReadFile(Remote("p" + std::to_string(i) + ".htm")), PatternBytes(3000, i));
    }
    const std::vector<std::string> requests = server->Requests();
    EXPECT_GE(std::count(requests.begin(), requests.end(), "CLOSE"), kFiles);
    // 20 closes of 150 ms over the logins; the logins and the files themselves take about 20 ms of
    // processor time (a loop polling the socket without a timeout took 0.35 s with 10 files).
    EXPECT_LT(used, 0.2) << "processor seconds used by an upload that mostly waited";
}

}  // namespace
