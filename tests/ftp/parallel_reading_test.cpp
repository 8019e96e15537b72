// Over SFTP the record and the folder listings are read over several logins at once. Against the test
// SFTP server, which answers each folder read late (as a server far away would) and notes which login
// made each request: the listings are spread, and a re-upload decides exactly as one login does.
#include <filesystem>
#include <map>
#include <set>

#include "ftp/upload_record.h"
#include "tests/ftp/upload_test_support.h"
#include "tests/support/sftp_test_server.h"

namespace {

namespace fs = std::filesystem;

// Long enough for the other logins to be through before the first one has listed every folder.
constexpr int kListDelayMs = 400;

using Files = std::map<std::string, std::string>;

// Every file below `root` by its '/'-separated path, the upload's record left out.
Files FilesBelow(const std::string& root) {
    Files files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = fs::relative(entry.path(), root).generic_string();
        if (entry.is_regular_file() && name != kUploadRecordName) {
            files[name] = ReadFile(entry.path().string());
        }
    }
    return files;
}

struct Reupload {
    UploadResult first;
    UploadResult result;
    std::vector<std::string> statuses;
    Files local;
    Files remote;
    std::set<int> listingLogins;          // the logins that opened a folder for reading, re-upload only
    std::map<std::string, int> listedBy;  // folder -> the login that opened it
};

// A gallery of a top folder and four below it is uploaded; then someone changes a file on the server
// (b/p2.htm) and deletes one (c/p3.htm), and the gallery changes a file (a/p1.htm) and drops one
// (d/p4.htm). Then it is uploaded again. Both uploads use `connections` logins.
Reupload UploadTwice(int connections) {
    TempFolder keys;
    TempFolder local;
    SftpTestServer server(keys / "host_key", 0, kListDelayMs);
    EXPECT_TRUE(server.IsRunning());
    unsigned seed = 1;
    for (const std::string folder : {"", "a/", "b/", "c/", "d/"}) {
        for (int i = 0; i < 5; ++i) {
            local.Write(folder + "p" + std::to_string(i) + ".htm", PatternBytes(300 + 41 * seed, seed));
            ++seed;
        }
    }
    FtpUploadSettings settings{false, "", keys / "known_hosts", NewHostKey::Trust};
    settings.connections = connections;
    const FtpUploadInputs inputs{local.path(), server.address(), FtpTestServer::kLogin,
                                 FtpTestServer::kPassword, ""};
    Reupload outcome;
    {
        RecordingWindow window;
        FtpUploader uploader(window);
        uploader.SetInputs(inputs);
        uploader.SetSettings(settings);
        uploader.Run();
        outcome.first = window.Result();
    }
    const std::size_t before = server.RequestsByLogin().size();
    const std::string home = server.home();
    TempFolder other;
    fs::copy_file(other.Write("p2.htm", "edited on the server by someone else"), home + "/b/p2.htm",
                  fs::copy_options::overwrite_existing);
    fs::remove(home + "/c/p3.htm");
    local.Write("a/p1.htm", PatternBytes(777, 99));
    fs::remove(local / "d/p4.htm");

    RecordingWindow window;
    FtpUploader uploader(window);
    uploader.SetInputs(inputs);
    uploader.SetSettings(settings);
    uploader.Run();
    outcome.result = window.Result();
    outcome.statuses = window.Statuses();
    outcome.local = FilesBelow(local.path());
    outcome.remote = FilesBelow(home);
    const auto requests = server.RequestsByLogin();
    for (std::size_t i = before; i < requests.size(); ++i) {
        const auto& [login, request] = requests[i];
        if (request.rfind("LISTDIR", 0) == 0) {
            outcome.listingLogins.insert(login);
            outcome.listedBy[request.size() > 8 ? request.substr(8) : ""] = login;
        }
    }
    return outcome;
}

TEST(ParallelReading, SeveralLoginsListTheFoldersAndDecideExactlyAsOneLogin) {
    const Reupload one = UploadTwice(1);
    const Reupload four = UploadTwice(4);

    for (const Reupload* run : {&one, &four}) {
        EXPECT_EQ(run->first.sent, 25);
        EXPECT_TRUE(run->first.completed);
        // Sent: the file changed locally, the one changed on the server (named), the one deleted
        // there; removed: the dropped one; the other 20 stay untouched.
        EXPECT_EQ(run->result.sent, 3);
        EXPECT_EQ(run->result.skipped, 21);
        EXPECT_EQ(run->result.removed, 1);
        EXPECT_EQ(run->result.failed, 0);
        EXPECT_EQ(run->result.replacedChanged, std::vector<std::string>{"b/p2.htm"});
        EXPECT_TRUE(run->result.keptChanged.empty());
        EXPECT_TRUE(run->result.completed);
        EXPECT_EQ(run->remote.size(), 24u);
        EXPECT_TRUE(run->remote == run->local) << "the server does not hold the gallery's bytes";
    }
    EXPECT_EQ(four.statuses, one.statuses);
    EXPECT_EQ(one.listingLogins.size(), 1u);
    // Every folder was listed once, on more than one login.
    std::string listedBy;
    for (const auto& [folder, login] : four.listedBy) {
        listedBy += " '" + folder + "' by " + std::to_string(login);
    }
    EXPECT_GE(four.listingLogins.size(), 2u) << listedBy;
    EXPECT_EQ(four.listedBy.size(), 5u) << listedBy;
}

// A small gallery in one folder is read on the first login alone: another login would cost more
// round trips than it saves. The server closes files late, so that another login, had one been
// started, would be through in time to take the listing while the first one reads the record.
TEST(ParallelReading, ASmallFolderIsReadOnTheFirstLoginAlone) {
    TempFolder keys;
    TempFolder local;
    SftpTestServer server(keys / "host_key", kListDelayMs);
    ASSERT_TRUE(server.IsRunning());
    for (int i = 0; i < 6; ++i) {
        local.Write("f" + std::to_string(i) + ".htm", PatternBytes(200 + i, i));
    }
    FtpUploadSettings settings{false, "", keys / "known_hosts", NewHostKey::Trust};
    const FtpUploadInputs inputs{local.path(), server.address(), FtpTestServer::kLogin,
                                 FtpTestServer::kPassword, ""};
    for (int run = 0; run < 2; ++run) {
        RecordingWindow window;
        FtpUploader uploader(window);
        uploader.SetInputs(inputs);
        uploader.SetSettings(settings);
        uploader.Run();
        EXPECT_TRUE(window.Result().completed);
        EXPECT_EQ(window.Result().sent + window.Result().skipped, 6);
    }
    std::set<int> reading;
    for (const auto& [login, request] : server.RequestsByLogin()) {
        if (request.rfind("LISTDIR", 0) == 0 || request == "OPEN " + std::string(kUploadRecordName)) {
            reading.insert(login);
        }
    }
    // The first upload's first login, then the second upload's.
    EXPECT_EQ(reading.size(), 2u);
}

}  // namespace
