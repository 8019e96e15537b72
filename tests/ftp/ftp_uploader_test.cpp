// Uploads that reach the server: what arrives, and what the window is told.
#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "tests/ftp/upload_test_support.h"

namespace {

using Calls = std::vector<std::string>;

TEST_F(UploadTest, FilesArriveByteIdenticalInTheLoginFolderWithThePlainFtpReports) {
    StartServer();
    std::string allBytes;
    for (int round = 0; round < 64; ++round) {
        for (int value = 0; value < 256; ++value) {
            allBytes += static_cast<char>(value);
        }
    }
    const std::string holiday = "\xC3\xA9t\xC3\xA9 \xC3\xA0 la plage.jpg";  // "été à la plage.jpg"
    const std::map<std::string, std::string> files = {
        {"all bytes.bin", allBytes},
        {"empty.txt", ""},
        {holiday, PatternBytes(70000, 1)},
        {"#50% off;type=a.txt", "line one\r\nline two\n"},
    };
    for (const auto& [name, content] : files) {
        local.Write(name, content);
    }

    Upload(Inputs());

    for (const auto& [name, content] : files) {
        ASSERT_TRUE(FileExists(Remote(name))) << name;
        EXPECT_EQ(ReadFile(Remote(name)), content) << name;
    }
    // Enumeration order: '#' < 'A' < 'E' < the UTF-8 lead byte of 'é'.
    EXPECT_EQ(window.Calls(),
              (Calls{"status: Connecting...", "status: Connected", "range: 4", "position: 0", "position: 0",
                     "status: Transfered 1 file(s) to 4", "position: 1", "status: Transfered 2 file(s) to 4",
                     "position: 2", "status: Transfered 3 file(s) to 4", "position: 3",
                     "status: Transfered 4 file(s) to 4", "position: 4", "status: Transfer complete",
                     "status: Disconnect"}));
    EXPECT_EQ(uploader.FilesSent(), 4);
    EXPECT_EQ(uploader.FilesFailed(), 0);
    EXPECT_TRUE(uploader.Completed());
    EXPECT_EQ(window.Ends(), 1);
    EXPECT_TRUE(window.Result().completed);
    EXPECT_EQ(window.Result().sent, 4);
    // One login for the whole run, no folder change with an empty subfolder, names sent as they are.
    EXPECT_EQ(Count("USER"), 1);
    EXPECT_EQ(Count("CWD"), 0);
    EXPECT_EQ(Count("STOR " + holiday), 1);
    EXPECT_EQ(Count("STOR #50% off;type=a.txt"), 1);
    EXPECT_EQ(Count("QUIT"), 1);
}

TEST_F(UploadTest, AFiftyMegabyteFileArrivesWhole) {
    StartServer();
    const std::string big = PatternBytes(50u << 20, 7);
    local.Write("big.bin", big);

    Upload(Inputs());

    EXPECT_EQ(window.Statuses(), (Calls{"Connecting...", "Connected", "Transfered 1 file(s) to 1",
                                        "Transfer complete", "Disconnect"}));
    EXPECT_TRUE(ReadFile(Remote("big.bin")) == big);
}

TEST_F(UploadTest, TwoThousandSmallFilesGoOverOneLoginIntoTheSubfolder) {
    StartServer();
    std::filesystem::create_directory(Remote("site"));
    for (int i = 0; i < 2000; ++i) {
        local.Write("small" + std::to_string(i) + ".txt", PatternBytes(100 + i % 300, i));
    }

    Upload(Inputs("site"));

    for (int i = 0; i < 2000; ++i) {
        const std::string name = "small" + std::to_string(i) + ".txt";
        ASSERT_EQ(ReadFile(Remote("site/" + name)), PatternBytes(100 + i % 300, i)) << name;
    }
    const Calls statuses = window.Statuses();
    ASSERT_EQ(statuses.size(), 2u + 2000u + 2u);
    EXPECT_EQ(statuses[2], "Transfered 1 file(s) to 2000");
    EXPECT_EQ(statuses[2001], "Transfered 2000 file(s) to 2000");
    EXPECT_EQ(uploader.FilesSent(), 2000);
    EXPECT_EQ(Count("USER"), 1);
    EXPECT_EQ(Count("STOR"), 2000 + 1);  // and the upload's record
    // The folder is entered once; every file then goes to the current folder by its bare name.
    EXPECT_EQ(Count("CWD site"), 1);
    EXPECT_EQ(Count("STOR small0.txt"), 1);
}

TEST_F(UploadTest, SubfoldersGoIntoTheirFoldersAndWhatIsNotARegularFileIsLeftOut) {
    StartServer();
    local.Write("a.txt", "a");
    local.Write("inner/b.txt", "b");
    local.Write("z.txt", "z");
    ASSERT_EQ(::mkfifo((local / "pipe").c_str(), 0600), 0);  // opening it would block the run

    Upload(Inputs());

    EXPECT_TRUE(FileExists(Remote("a.txt")));
    EXPECT_TRUE(FileExists(Remote("z.txt")));
    EXPECT_EQ(ReadFile(Remote("inner/b.txt")), "b");
    EXPECT_FALSE(FileExists(Remote("b.txt")));
    EXPECT_FALSE(FileExists(Remote("pipe")));
    EXPECT_TRUE(window.Saw("range: 3"));
    EXPECT_EQ(window.Statuses().back(), "Disconnect");
}

TEST_F(UploadTest, AnEmptyFolderStillConnectsAndChecksTheSubfolder) {
    StartServer();
    std::filesystem::create_directories(Remote("gallery/2024"));

    Upload(Inputs("gallery/2024"));

    EXPECT_EQ(window.Calls(), (Calls{"status: Connecting...", "status: Connected", "range: 0", "position: 0",
                                     "position: 0", "status: Transfer complete", "status: Disconnect"}));
    EXPECT_EQ(Count("CWD gallery/2024"), 1);  // the path goes to the server as typed, in one request
    EXPECT_EQ(Count("STOR"), 0);
    EXPECT_TRUE(uploader.Completed());
}

TEST_F(UploadTest, AMissingSubfolderAnsweredNoSendsNothing) {
    StartServer();
    local.Write("a.txt", "a");
    window.answer = false;

    Upload(Inputs("gallery"));

    EXPECT_EQ(window.Calls(),
              (Calls{"status: Connecting...", "status: Connected",
                     "ask: Can not found a subfolder. Want you create subfolder now? | Warning",
                     "status: Disconnect", "status: Can not found a subfolder"}));
    EXPECT_FALSE(FileExists(Remote("gallery")));
    EXPECT_FALSE(FileExists(Remote("a.txt")));
    EXPECT_EQ(Count("MKD"), 0);
    EXPECT_FALSE(uploader.Completed());
}

TEST_F(UploadTest, AMissingSubfolderAnsweredYesIsCreatedAndFilled) {
    StartServer();
    local.Write("a.txt", "alpha");
    window.answer = true;

    Upload(Inputs("gallery"));

    EXPECT_EQ(window.Calls(),
              (Calls{"status: Connecting...", "status: Connected",
                     "ask: Can not found a subfolder. Want you create subfolder now? | Warning", "range: 1",
                     "position: 0", "position: 0", "status: Transfered 1 file(s) to 1", "position: 1",
                     "status: Transfer complete", "status: Disconnect"}));
    EXPECT_EQ(ReadFile(Remote("gallery/a.txt")), "alpha");
    EXPECT_EQ(Count("MKD gallery"), 1);
    EXPECT_EQ(Count("USER"), 1);
}

TEST_F(UploadTest, ATwoLevelSubfolderWhoseParentIsMissingIsNotCreated) {
    StartServer();
    local.Write("a.txt", "a");
    window.answer = true;

    Upload(Inputs("parent/child"));

    EXPECT_EQ(window.Calls(),
              (Calls{"status: Connecting...", "status: Connected",
                     "ask: Can not found a subfolder. Want you create subfolder now? | Warning",
                     "status: Disconnect", "status: Can not create a subfolder"}));
    EXPECT_EQ(Count("MKD"), 1);  // one create request, for the whole path
    EXPECT_FALSE(FileExists(Remote("parent")));
    EXPECT_FALSE(FileExists(Remote("a.txt")));
}

TEST_F(UploadTest, TheSameUploaderRunsAgainAfterARun) {
    StartServer();
    local.Write("a.txt", "first");
    Upload(Inputs());
    local.Write("a.txt", "second");

    Upload(Inputs());

    EXPECT_EQ(ReadFile(Remote("a.txt")), "second");  // the server overwrites
    EXPECT_EQ(Count("USER"), 2);
    EXPECT_EQ(uploader.FilesSent(), 1);
    EXPECT_TRUE(uploader.Completed());
}

}  // namespace
