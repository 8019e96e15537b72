// Uploads that fail: refused files, unusable inputs, lost and silent servers, and aborts.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

#include "tests/ftp/upload_test_support.h"

namespace {

using Calls = std::vector<std::string>;
using namespace std::chrono_literals;

// The general failure path; the reason follows on the status line's second line.
Calls GeneralFailure(const std::string& reason) {
    return {"status: Connecting...", "status: Terminate of connection ...", "status: Disconnect",
            "status: Terminate of connection ...\n" + reason};
}

// A TCP port on 127.0.0.1 that takes connections but never says a word.
class SilentListener {
public:
    SilentListener() : m_fd(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(m_fd, 4);
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~SilentListener() { ::close(m_fd); }
    std::string address() const { return "127.0.0.1:" + std::to_string(m_port); }

private:
    int m_fd;
    int m_port = 0;
};

TEST_F(UploadTest, RefusedFilesAreReportedAndTheNextOnesStillGo) {
    StartServer(Misbehaving(&FtpTestServerOptions::refuse, {"a-refused.bin", "c-refused.bin"}));
    for (const char* name : {"a-refused.bin", "b.bin", "c-refused.bin", "d.bin"}) {
        local.Write(name, name);
    }

    Upload(Inputs());

    // The first failure counts from 0; an empty subfolder shows as two slashes in a row.
    const std::string at = " \nto ftp://" + server->address() + "//";
    const std::string why = "\n553 Refused by the test server.";
    EXPECT_EQ(window.Statuses(),
              (Calls{"Connecting...", "Connected",
                     "File 0 transfer error [" + (local / "a-refused.bin") + at + "a-refused.bin]" + why,
                     "Transfered 2 file(s) to 4",
                     "File 2 transfer error [" + (local / "c-refused.bin") + at + "c-refused.bin]" + why,
                     "Transfered 4 file(s) to 4", "Transfer complete", "Disconnect"}));
    EXPECT_EQ(ReadFile(Remote("b.bin")), "b.bin");
    EXPECT_EQ(ReadFile(Remote("d.bin")), "d.bin");
    EXPECT_FALSE(FileExists(Remote("a-refused.bin")));
    EXPECT_EQ(uploader.FilesSent(), 2);
    EXPECT_EQ(uploader.FilesFailed(), 2);
    EXPECT_TRUE(uploader.Completed());
    EXPECT_EQ(Count("USER"), 1);  // a refusal keeps the connection
    for (const std::string& status : window.Statuses()) {
        EXPECT_EQ(status.find(FtpTestServer::kPassword), std::string::npos);
        EXPECT_EQ(status.find(FtpTestServer::kLogin), std::string::npos);
    }
}

TEST_F(UploadTest, ANameThatWouldSplitACommandIsNeverSent) {
    StartServer();
    std::filesystem::create_directory(Remote("site"));
    local.Write("keep.txt", "kept");
    local.Write("x\r\nDELE keep.txt", "x");

    Upload(Inputs("site"));

    EXPECT_EQ(window.Statuses(), (Calls{"Connecting...", "Connected", "Transfered 1 file(s) to 2",
                                        "File 1 transfer error [" + (local / "x\r\nDELE keep.txt") +
                                            " \nto ftp://" + server->address() + "/site/x\r\nDELE keep.txt]",
                                        "Transfer complete", "Disconnect"}));
    EXPECT_EQ(ReadFile(Remote("site/keep.txt")), "kept");
    EXPECT_EQ(Count("DELE"), 0);
}

TEST_F(UploadTest, ASubfolderThatWouldSplitACommandIsNeitherEnteredNorCreated) {
    StartServer();
    local.Write("keep.txt", "kept");
    std::filesystem::create_directory(Remote("x"));
    window.answer = true;

    Upload(Inputs("x\r\nRMD x"));

    EXPECT_EQ(window.Statuses().back(), "Can not create a subfolder");
    EXPECT_TRUE(FileExists(Remote("x")));
    EXPECT_EQ(Count("MKD") + Count("RMD") + Count("CWD"), 0);
}

TEST_F(UploadTest, AWrongPasswordAnUnknownHostAndAClosedPortEndOnTheGeneralFailurePath) {
    StartServer();
    FtpTestServer stopped;
    const std::string closedPort = stopped.address();
    stopped.Stop();
    // A 64-letter label is no DNS name: the lookup fails on this machine, no query leaves it.
    const std::string unknownHost = std::string(64, 'a') + ".invalid";
    const std::vector<std::pair<FtpUploadInputs, std::string>> cases = {
        {{local.path(), server->address(), FtpTestServer::kLogin, "wrong", ""}, "530 Authentication failed."},
        {{local.path(), unknownHost, FtpTestServer::kLogin, FtpTestServer::kPassword, ""}, "unknown host"},
        {{local.path(), closedPort, FtpTestServer::kLogin, FtpTestServer::kPassword, ""},
         "connection refused"},
    };
    for (const auto& [inputs, reason] : cases) {
        RecordingWindow caseWindow;
        FtpUploader caseUploader(caseWindow);
        caseUploader.SetInputs(inputs);
        caseUploader.Run();
        EXPECT_EQ(caseWindow.Calls(), GeneralFailure(reason)) << inputs.server;
        EXPECT_FALSE(caseUploader.Completed());
        EXPECT_EQ(caseWindow.Ends(), 1) << inputs.server;  // once, after the last status
        EXPECT_FALSE(caseWindow.Result().completed);
    }
}

TEST_F(UploadTest, InputsThatCannotFormAConnectionSayNoConnection) {
    StartServer();
    const std::string port = std::to_string(server->port());
    const std::vector<FtpUploadInputs> cases = {
        {local.path(), "", FtpTestServer::kLogin, FtpTestServer::kPassword, ""},
        {local.path(), "127.0.0.1:99999", FtpTestServer::kLogin, FtpTestServer::kPassword, ""},
        {local.path(), "127.0.0.1:", FtpTestServer::kLogin, FtpTestServer::kPassword, ""},
        {local.path(), "someone@127.0.0.1:" + port, FtpTestServer::kLogin, FtpTestServer::kPassword, ""},
        {local.path(), "127.0.0.1:" + port + "/pub", FtpTestServer::kLogin, FtpTestServer::kPassword, ""},
        {local.path(), server->address(), "galvane\r\nDELE x", FtpTestServer::kPassword, ""},
    };
    for (const FtpUploadInputs& inputs : cases) {
        RecordingWindow caseWindow;
        FtpUploader caseUploader(caseWindow);
        caseUploader.SetInputs(inputs);
        caseUploader.Run();
        EXPECT_EQ(caseWindow.Calls(), (Calls{"status: Connecting...", "status: Disconnect",
                                             "status: Can not create FTP connection"}))
            << inputs.server << " / " << inputs.login;
    }
    EXPECT_EQ(Count("USER"), 0);
}

// What a run shows when the connection goes away on every try of file "b.bin", the second of three,
// and the upload then goes on with the third.
Calls LostAtSecondFile(const TempFolder& local, const std::string& server, const std::string& reason) {
    return {"Connecting...",
            "Connected",
            "Transfered 1 file(s) to 3",
            "File 1 transfer error [" + (local / "b.bin") + " \nto ftp://" + server + "//b.bin]\n" + reason,
            "Transfered 3 file(s) to 3",
            "Transfer complete",
            "Disconnect"};
}

TEST_F(UploadTest, AFileWhoseEveryTryDropsTheConnectionFailsAloneAndTheRunGoesOn) {
    StartServer(Misbehaving(&FtpTestServerOptions::dropOn, {"b.bin"}));
    for (const char* name : {"a.bin", "b.bin", "c.bin"}) {
        local.Write(name, name);
    }

    Upload(Inputs());

    EXPECT_EQ(window.Statuses(),
              LostAtSecondFile(local, server->address(), "the server closed the connection"));
    EXPECT_EQ(ReadFile(Remote("a.bin")), "a.bin");
    EXPECT_EQ(ReadFile(Remote("c.bin")), "c.bin");
    // The first login, three more for b.bin, and one for c.bin after b.bin's last try.
    EXPECT_EQ(Count("USER"), 1 + 3 + 1);
    EXPECT_EQ(Count("STOR b.bin"), 1 + 3);
    EXPECT_EQ(uploader.FilesSent(), 2);
    EXPECT_EQ(uploader.FilesFailed(), 1);
    EXPECT_TRUE(uploader.Completed());
}

TEST_F(UploadTest, AServerThatIsGoneForGoodEndsTheRunAfterAFewTries) {
    StartServer();
    for (const char* name : {"a.bin", "b.bin", "c.bin"}) {
        local.Write(name, name);
    }
    window.onCall = [this](const std::string& line) {
        if (line == "status: Transfered 1 file(s) to 3") {
            server->Stop();
        }
    };

    Upload(Inputs());

    EXPECT_EQ(window.Statuses(), (Calls{"Connecting...", "Connected", "Transfered 1 file(s) to 3",
                                        "File 1 transfer error [" + (local / "b.bin") + " \nto ftp://" +
                                            server->address() + "//b.bin]\nconnection refused",
                                        "Terminate of connection ...", "Disconnect",
                                        "Terminate of connection ...\nconnection refused"}));
    EXPECT_EQ(uploader.FilesSent(), 1);
    EXPECT_EQ(uploader.FilesFailed(), 1);
    EXPECT_FALSE(uploader.Completed());
}

TEST_F(UploadTest, AServerThatStopsAnsweringTimesOutAndTheRunGoesOn) {
    StartServer(Misbehaving(&FtpTestServerOptions::stallOn, {"b.bin"}));
    for (const char* name : {"a.bin", "b.bin", "c.bin"}) {
        local.Write(name, name);
    }
    uploader.SetStallTimeout(1s);

    Upload(Inputs());

    EXPECT_EQ(window.Statuses(), LostAtSecondFile(local, server->address(), "timed out"));
    EXPECT_EQ(ReadFile(Remote("c.bin")), "c.bin");
}

TEST_F(UploadTest, AFileWhoseBytesStopMovingTimesOut) {
    StartServer(Misbehaving(&FtpTestServerOptions::stallDataOn, {"big.bin"}));
    local.Write("big.bin", PatternBytes(48u << 20, 3));  // more than the socket buffers hold
    uploader.SetStallTimeout(1s);

    Upload(Inputs());

    EXPECT_EQ(window.Statuses(), (Calls{"Connecting...", "Connected",
                                        "File 0 transfer error [" + (local / "big.bin") + " \nto ftp://" +
                                            server->address() + "//big.bin]\ntimed out",
                                        "Transfer complete", "Disconnect"}));
    EXPECT_EQ(uploader.FilesFailed(), 1);
    EXPECT_EQ(Count("STOR big.bin"), 1 + 3);
}

TEST_F(UploadTest, AServerThatNeverGreetsTimesOutAtConnect) {
    SilentListener silent;
    uploader.SetConnectTimeout(1s);  // covers the login too: the stall timeout never comes into it
    uploader.SetStallTimeout(600s);

    Upload({local.path(), silent.address(), "anyone", "anything", ""});

    EXPECT_EQ(window.Calls(), GeneralFailure("timed out"));
}

// Runs the upload on a thread and aborts it once the window has been told `line`.
void RunAndAbortAfter(FtpUploader& uploader, RecordingWindow& window, const std::string& line) {
    std::promise<void> seen;
    window.onCall = [&seen, line](const std::string& call) {
        if (call == line) {
            seen.set_value();
        }
    };
    auto run = std::async(std::launch::async, [&uploader] { uploader.Run(); });
    ASSERT_EQ(seen.get_future().wait_for(30s), std::future_status::ready) << "never saw " << line;
    std::this_thread::sleep_for(200ms);  // let the run go into its blocking request
    uploader.Abort();
    // The timeouts are ten minutes: only the abort can end the run this soon.
    ASSERT_EQ(run.wait_for(30s), std::future_status::ready) << "the aborted run did not return";
}

TEST_F(UploadTest, AbortEndsAStalledTransferAndLeavesTheWindowAlone) {
    StartServer(Misbehaving(&FtpTestServerOptions::stallOn, {"b.bin"}));
    for (const char* name : {"a.bin", "b.bin", "c.bin"}) {
        local.Write(name, name);
    }
    uploader.SetStallTimeout(600s);
    uploader.SetInputs(Inputs());

    RunAndAbortAfter(uploader, window, "position: 1");

    EXPECT_EQ(window.Calls().back(), "position: 1");
    EXPECT_EQ(window.Ends(), 0);
    EXPECT_EQ(uploader.FilesSent(), 1);
    EXPECT_FALSE(uploader.Completed());
    EXPECT_FALSE(FileExists(Remote("c.bin")));
}

TEST_F(UploadTest, AbortEndsTheWaitForAGreeting) {
    SilentListener silent;
    uploader.SetConnectTimeout(600s);
    uploader.SetStallTimeout(600s);
    uploader.SetInputs({local.path(), silent.address(), "anyone", "anything", ""});

    RunAndAbortAfter(uploader, window, "status: Connecting...");

    EXPECT_EQ(window.Calls().back(), "status: Connecting...");
}

TEST_F(UploadTest, AfterAnAbortRunReturnsWithoutAWord) {
    StartServer();
    local.Write("a.txt", "a");
    uploader.Abort();

    Upload(Inputs());

    EXPECT_TRUE(window.Calls().empty());
    EXPECT_EQ(window.Ends(), 0);
    EXPECT_EQ(Count("USER"), 0);
}

}  // namespace
