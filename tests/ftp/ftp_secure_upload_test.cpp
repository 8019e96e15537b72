// FTPS and the passive-mode fall-back against a real server on 127.0.0.1.
#include <filesystem>

#include "ftp/upload_status_texts.h"
#include "tests/ftp/upload_test_support.h"
#include "tests/support/sftp_test_server.h"
#include "tests/support/vsftpd_test_server.h"

namespace {

using Calls = std::vector<std::string>;

// A certificate for 127.0.0.1 that the uploads trust through the CA file setting.
class FtpsTest : public UploadTest {
protected:
    void StartTlsServer(const std::string& certificateName = "127.0.0.1", bool expired = false) {
        ASSERT_TRUE(MakeTestCertificate(certificate, certificateName, expired));
        FtpTestServerOptions options;
        options.tlsCertificate = certificate;
        StartServer(options);
    }

    FtpUploadInputs FtpsInputs(const std::string& subfolder = "") const {
        FtpUploadInputs inputs = Inputs(subfolder);
        inputs.server = "ftps://" + inputs.server;
        return inputs;
    }

    // A run of its own, for the cases that each need their own server or settings.
    static Calls RunAlone(const FtpUploadInputs& inputs, const FtpUploadSettings& settings) {
        RecordingWindow caseWindow;
        FtpUploader caseUploader(caseWindow);
        caseUploader.SetInputs(inputs);
        caseUploader.SetSettings(settings);
        caseUploader.Run();
        return caseWindow.Statuses();
    }

    TempFolder certificates;
    std::string certificate = certificates / "server.pem";
};

TEST_F(FtpsTest, FilesArriveByteIdenticalOverRequiredTlsWithThePlainFtpReports) {
    ASSERT_TRUE(MakeTestCertificate(certificate, "127.0.0.1"));
    VsftpdTestServer vsftpd({certificate, false});
    ASSERT_TRUE(vsftpd.IsRunning());
    const std::string bytes = PatternBytes(300000, 5);
    local.Write("a.bin", bytes);
    local.Write("b.txt", "b");
    uploader.SetSettings({false, certificate, "", NewHostKey::Refuse});

    Upload({local.path(), "ftps://" + vsftpd.address(), VsftpdTestServer::kLogin, "x",
            VsftpdTestServer::kUploadFolder});

    EXPECT_EQ(window.Statuses(), (Calls{"Connecting...", "Connected", "Transfered 1 file(s) to 2",
                                        "Transfered 2 file(s) to 2", "Transfer complete", "Disconnect"}));
    EXPECT_TRUE(ReadFile(vsftpd.uploads() + "/a.bin") == bytes);
    EXPECT_EQ(ReadFile(vsftpd.uploads() + "/b.txt"), "b");
}

TEST_F(FtpsTest, PyftpdlibTakesTheLoginOverTlsOnly) {
    StartTlsServer();
    uploader.SetSettings({false, certificate, "", NewHostKey::Refuse});

    Upload(FtpsInputs());

    EXPECT_EQ(window.Statuses(), (Calls{"Connecting...", "Connected", "Transfer complete", "Disconnect"}));
    const auto commands = server->Commands();
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands[0], "AUTH TLS");  // before USER and PASS
    EXPECT_EQ(Count("PROT P"), 1);
}

TEST_F(FtpsTest, ACertificateThatCannotBeTrustedStopsTheRunBeforeTheLoginAndSaysWhy) {
    local.Write("a.txt", "a");
    StartTlsServer();
    // No CA file: the system's store does not know a self-signed certificate.
    EXPECT_EQ(RunAlone(FtpsInputs(), {}).back(),
              "Terminate of connection ...\nthe server's certificate is not trusted");
    EXPECT_EQ(Count("USER") + Count("PASS"), 0);

    StartTlsServer("localhost");  // trusted, but for another name than 127.0.0.1
    EXPECT_EQ(RunAlone(FtpsInputs(), {false, certificate, "", NewHostKey::Refuse}).back(),
              "Terminate of connection ...\nthe server's certificate is for another name");

    StartTlsServer("127.0.0.1", true);
    EXPECT_EQ(RunAlone(FtpsInputs(), {false, certificate, "", NewHostKey::Refuse}).back(),
              "Terminate of connection ...\nthe server's certificate has expired");
    EXPECT_FALSE(FileExists(Remote("a.txt")));
}

// The certificate file is read for the login and then kept: reading it again for every data
// connection, as curl does by default, costs ~20 ms a file with the system's bundle. Here it is
// gone once the first file has arrived, and the other files still go.
TEST_F(FtpsTest, TheCertificateFileIsReadOnceForTheWholeRun) {
    ASSERT_TRUE(MakeTestCertificate(certificate, "127.0.0.1"));
    VsftpdTestServer vsftpd({certificate, false});
    ASSERT_TRUE(vsftpd.IsRunning());
    const std::string trusted = certificates / "trusted.pem";
    std::filesystem::copy_file(certificate, trusted);
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        local.Write(name, name);
    }
    window.onCall = [&](const std::string& line) {
        if (line == "status: Transfered 1 file(s) to 3") {
            std::filesystem::remove(trusted);
        }
    };
    uploader.SetSettings({false, trusted, "", NewHostKey::Refuse});

    Upload({local.path(), "ftps://" + vsftpd.address(), VsftpdTestServer::kLogin, "x",
            VsftpdTestServer::kUploadFolder});

    EXPECT_FALSE(std::filesystem::exists(trusted));
    EXPECT_EQ(window.Statuses().back(), "Disconnect");
    EXPECT_EQ(uploader.FilesSent(), 3);
    EXPECT_EQ(ReadFile(vsftpd.uploads() + "/c.txt"), "c.txt");
}

TEST_F(FtpsTest, AServerWithoutTlsGetsNeitherLoginNorPassword) {
    StartServer();
    local.Write("a.txt", "a");

    EXPECT_EQ(RunAlone(FtpsInputs(), {}).back(),
              "Terminate of connection ...\nthe server does not offer TLS");
    EXPECT_EQ(Count("USER") + Count("PASS"), 0);
    EXPECT_FALSE(FileExists(Remote("a.txt")));
}

TEST_F(UploadTest, PassiveModeIsUsedFromTheStartWhenAskedFor) {
    StartServer();
    local.Write("a.txt", "a");
    local.Write("b.txt", "b");
    uploader.SetSettings({true, "", "", NewHostKey::Refuse});

    Upload(Inputs());

    EXPECT_EQ(window.Statuses(), (Calls{"Connecting...", "Connected", "Transfered 1 file(s) to 2",
                                        "Transfered 2 file(s) to 2", "Transfer complete", "Disconnect"}));
    // The record and the listing, each file, then the listing and the record again.
    EXPECT_EQ(Count("EPSV") + Count("PASV"), 2 + 2 + 2);
    EXPECT_EQ(Count("EPRT") + Count("PORT"), 0);
    EXPECT_EQ(ReadFile(Remote("b.txt")), "b");
}

TEST_F(UploadTest, VsftpdRefusingPortMakesTheRunPassive) {
    VsftpdTestServer vsftpd({"", true});
    ASSERT_TRUE(vsftpd.IsRunning());
    local.Write("a.txt", "a");
    local.Write("b.txt", "b");

    Upload({local.path(), vsftpd.address(), VsftpdTestServer::kLogin, "x", VsftpdTestServer::kUploadFolder});

    EXPECT_EQ(window.Statuses(), (Calls{"Connecting...", "Connected", upload_status::kPassiveFallback,
                                        "Transfered 1 file(s) to 2", "Transfered 2 file(s) to 2",
                                        "Transfer complete", "Disconnect"}));
    EXPECT_EQ(ReadFile(vsftpd.uploads() + "/a.txt"), "a");
    EXPECT_EQ(ReadFile(vsftpd.uploads() + "/b.txt"), "b");
}

TEST_F(UploadTest, ActiveModeRefusedFallsBackToPassiveOnceAndSendsEveryFile) {
    FtpTestServerOptions options;
    options.refuseActive = true;
    StartServer(options);
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        local.Write(name, name);
    }

    Upload(Inputs());

    EXPECT_EQ(window.Statuses(), (Calls{"Connecting...", "Connected", upload_status::kPassiveFallback,
                                        "Transfered 1 file(s) to 3", "Transfered 2 file(s) to 3",
                                        "Transfered 3 file(s) to 3", "Transfer complete", "Disconnect"}));
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        EXPECT_EQ(ReadFile(Remote(name)), name);
    }
    EXPECT_TRUE(uploader.FellBackToPassive());
    EXPECT_EQ(uploader.FilesSent(), 3);
    EXPECT_EQ(uploader.FilesFailed(), 0);
    // Active mode is tried for reading the record only; the same login carries on.
    EXPECT_LE(Count("EPRT"), 1);
    EXPECT_LE(Count("PORT"), 1);
    EXPECT_EQ(Count("EPSV") + Count("PASV"), 2 + 3 + 2);  // record and listing, the files, both again
    EXPECT_EQ(Count("USER"), 1);
}

}  // namespace
