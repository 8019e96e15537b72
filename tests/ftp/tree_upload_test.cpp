// Uploads of a folder with subfolders to real servers: the tree arrives whole, a second upload sends
// nothing, a folder dropped locally takes exactly its files off the server, and the folders are made
// and read once each.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "tests/ftp/upload_test_support.h"
#include "tests/support/sftp_test_server.h"
#include "tests/support/vsftpd_test_server.h"

namespace {

using Calls = std::vector<std::string>;
using Files = std::map<std::string, std::string>;

// Names a server must take as they are: a blank, '&', '#', '%', both quotes and UTF-8 letters.
const std::string kAlbum = "Fam & #1 %x 'q\" \xC3\xA9t\xC3\xA9";
const std::string kDay = kAlbum + "/Day #2 50%";
const std::string kDeep = kDay + "/Deep 'three'";

// Three levels with files at each, an empty folder, a hidden one, and a link back to the top.
Files WriteTree(const TempFolder& local) {
    const Files files = {
        {"index.htm", "<html>top</html>"},
        {"a b.jpg", PatternBytes(5000, 1)},
        {kAlbum + "/cover.jpg", PatternBytes(3000, 2)},
        {kAlbum + "/p&1.jpg", PatternBytes(4000, 3)},
        {kDay + "/x#y.jpg", PatternBytes(6000, 4)},
        {kDay + "/index.htm", "<html>day</html>"},
        {kDeep + "/z%20.bin", PatternBytes(70000, 5)},
        {"Rome/r.jpg", PatternBytes(2000, 6)},
    };
    for (const auto& [name, content] : files) {
        local.Write(name, content);
    }
    local.MakeFolder("Empty");
    local.Write(".hidden/secret.jpg", "not for the server");
    local.Write(kAlbum + "/.galvane-manifest", "stays local");
    EXPECT_EQ(::symlink(local.path().c_str(), (local / "Rome/up").c_str()), 0);
    return files;
}

// Every file below a folder on the server's disk, by its path below it.
Files FilesBelow(const std::string& root) {
    Files files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files[std::filesystem::relative(entry.path(), root).string()] = ReadFile(entry.path().string());
        }
    }
    return files;
}

struct TreeServer {
    std::string root;  // where the upload lands on the server's disk
    FtpUploadInputs inputs;
    FtpUploadSettings settings;  // several logins, as the windows use
    std::shared_ptr<void> running;
};

struct TreeServerKind {
    std::string name;
    std::function<TreeServer(const std::string& localFolder)> make;
};

TreeServer Pyftpdlib(const std::string& folder, FtpTestServerOptions options) {
    auto server = std::make_shared<FtpTestServer>(std::move(options));
    return {server->home(),
            {folder, server->address(), FtpTestServer::kLogin, FtpTestServer::kPassword, ""},
            {},
            server};
}

std::vector<TreeServerKind> TreeServerKinds() {
    FtpTestServerOptions listOnly;
    listOnly.listOnly = true;
    return {
        {"Pyftpdlib", [](const std::string& folder) { return Pyftpdlib(folder, {}); }},
        {"ListOnly", [listOnly](const std::string& folder) { return Pyftpdlib(folder, listOnly); }},
        {"VsftpdIntoASubfolder",
         [](const std::string& folder) {
             auto server = std::make_shared<VsftpdTestServer>();
             return TreeServer{
                 server->uploads(),
                 {folder, server->address(), VsftpdTestServer::kLogin, "x", VsftpdTestServer::kUploadFolder},
                 {},
                 server};
         }},
        {"VsftpdFtps",
         [](const std::string& folder) {
             auto certificates = std::make_shared<TempFolder>();
             const std::string certificate = *certificates / "server.pem";
             EXPECT_TRUE(MakeTestCertificate(certificate, "127.0.0.1", false));
             auto server = std::make_shared<VsftpdTestServer>(VsftpdTestServerOptions{certificate});
             FtpUploadSettings settings;
             settings.caFile = certificate;
             TreeServer made{server->uploads(),
                             {folder, "ftps://" + server->address(), VsftpdTestServer::kLogin, "x",
                              VsftpdTestServer::kUploadFolder},
                             settings,
                             nullptr};
             made.running =
                 std::make_shared<std::pair<std::shared_ptr<TempFolder>, std::shared_ptr<VsftpdTestServer>>>(
                     certificates, server);
             return made;
         }},
        {"Sftp",
         [](const std::string& folder) {
             auto keys = std::make_shared<TempFolder>();
             auto server = std::make_shared<SftpTestServer>(*keys / "host_key");
             TreeServer made{server->home(),
                             {folder, server->address(), FtpTestServer::kLogin, FtpTestServer::kPassword, ""},
                             {false, "", *keys / "known_hosts", NewHostKey::Trust},
                             nullptr};
             made.running =
                 std::make_shared<std::pair<std::shared_ptr<TempFolder>, std::shared_ptr<SftpTestServer>>>(
                     keys, server);
             return made;
         }},
    };
}

class EveryTreeServer : public ::testing::TestWithParam<TreeServerKind> {
protected:
    Calls Run() {
        RecordingWindow window;
        FtpUploader uploader(window);
        uploader.SetInputs(server.inputs);
        uploader.SetSettings(server.settings);
        uploader.Run();
        result = window.Result();
        return window.Statuses();
    }

    // What the server holds besides the upload's record.
    Files Arrived() const {
        Files files = FilesBelow(server.root);
        EXPECT_EQ(files.erase(".galvane-upload-record"), 1u);
        return files;
    }

    TempFolder local;
    TreeServer server = GetParam().make(local.path());
    UploadResult result;
};

TEST_P(EveryTreeServer, TheTreeArrivesByteIdenticalAndASecondUploadSendsNothing) {
    const Files files = WriteTree(local);

    const Calls statuses = Run();

    ASSERT_TRUE(result.completed) << statuses.back();
    EXPECT_EQ(result.sent, static_cast<int>(files.size()));
    EXPECT_EQ(result.failed, 0);
    EXPECT_TRUE(Arrived() == files);  // byte for byte, and nothing hidden, Galvane's or looped
    EXPECT_TRUE(std::filesystem::is_directory(server.root + "/Empty"));
    EXPECT_EQ(statuses.back(), "Disconnect");

    Run();
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(result.sent, 0);
    EXPECT_EQ(result.skipped, static_cast<int>(files.size()));
    EXPECT_EQ(result.removed, 0);

    // One file changed deep down goes alone.
    local.Write(kDeep + "/z%20.bin", PatternBytes(70000, 50));
    Run();
    EXPECT_EQ(result.sent, 1);
    EXPECT_EQ(result.skipped, static_cast<int>(files.size()) - 1);
    EXPECT_EQ(ReadFile(server.root + "/" + kDeep + "/z%20.bin"), PatternBytes(70000, 50));
}

TEST_P(EveryTreeServer, RemovingALocalSubfolderRemovesExactlyItsFilesOnTheServer) {
    Files files = WriteTree(local);
    Run();
    ASSERT_TRUE(result.completed);
    // Another tool puts a file into a folder the upload made.
    const std::string foreign = kDay + "/notes by hand.txt";
    std::ofstream(server.root + "/" + foreign) << "mine";

    std::filesystem::remove_all(local / kDay);
    Run();

    EXPECT_TRUE(result.completed);
    EXPECT_EQ(result.removed, 3);  // x#y.jpg, index.htm and z%20.bin, two levels down
    EXPECT_EQ(result.failed, 0);
    for (auto file = files.begin(); file != files.end();) {
        file = file->first.rfind(kDay + "/", 0) == 0 ? files.erase(file) : std::next(file);
    }
    files[foreign] = "mine";
    EXPECT_TRUE(Arrived() == files);
    // The emptied folder the upload made goes; the one holding the other tool's file stays.
    EXPECT_FALSE(std::filesystem::exists(server.root + "/" + kDeep));
    EXPECT_TRUE(std::filesystem::is_directory(server.root + "/" + kDay));

    // The record no longer names the removed files: nothing more to do.
    Run();
    EXPECT_EQ(result.sent, 0);
    EXPECT_EQ(result.removed, 0);
    EXPECT_EQ(ReadFile(server.root + "/" + foreign), "mine");

    // Once the other tool's file is gone, the folder the upload made is taken down too.
    std::filesystem::remove(server.root + "/" + foreign);
    Run();
    EXPECT_TRUE(result.completed);
    EXPECT_FALSE(std::filesystem::exists(server.root + "/" + kDay));
    EXPECT_TRUE(std::filesystem::is_directory(server.root + "/" + kAlbum));
}

INSTANTIATE_TEST_SUITE_P(Servers, EveryTreeServer, ::testing::ValuesIn(TreeServerKinds()),
                         [](const auto& info) { return info.param.name; });

// The same tree over one login, where the server's log shows the order of the commands.
class TreeUploadTest : public UploadTest {
protected:
    Calls CommandsFrom(std::size_t first) const {
        const Calls all = server->Commands();
        return Calls(all.begin() + static_cast<std::ptrdiff_t>(std::min(first, all.size())), all.end());
    }

    static int CountIn(const Calls& commands, const std::string& command) {
        int count = 0;
        for (const std::string& line : commands) {
            count += line == command || line.rfind(command + " ", 0) == 0;
        }
        return count;
    }
};

TEST_F(TreeUploadTest, FoldersAreMadeOnceBeforeAnyFileAndEachFolderIsListedOnce) {
    StartServer();
    const Files files = WriteTree(local);
    std::filesystem::create_directory(Remote("Rome"));  // there already: not made again

    Upload(Inputs());
    ASSERT_TRUE(uploader.Completed());

    const Calls first = server->Commands();
    std::size_t firstStore = 0;
    while (firstStore < first.size() && first[firstStore].rfind("STOR ", 0) != 0) {
        ++firstStore;
    }
    const Calls before(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(firstStore));
    EXPECT_EQ(CountIn(first, "MKD"), 4);
    EXPECT_EQ(CountIn(before, "MKD"), 4);
    for (const std::string& folder : {kAlbum, kDay, kDeep, std::string("Empty")}) {
        EXPECT_EQ(CountIn(before, "MKD " + folder), 1) << folder;
    }
    // The top folder and Rome, which the server has; none for a folder it lacks.
    EXPECT_EQ(CountIn(before, "MLSD"), 2);
    EXPECT_EQ(CountIn(first, "STOR"), static_cast<int>(files.size()) + 1);  // and the record
    EXPECT_EQ(CountIn(first, "USER"), 1);
    EXPECT_EQ(window.Statuses()[2], "Transfered 1 file(s) to " + std::to_string(files.size()));

    Upload(Inputs());
    const Calls second = CommandsFrom(first.size());
    EXPECT_EQ(uploader.FilesSent(), 0);
    // One listing of each folder: the top, the album, its day, the deep one, Rome and the empty one.
    EXPECT_EQ(CountIn(second, "MLSD"), 6);
    EXPECT_EQ(CountIn(second, "MKD"), 0);
    EXPECT_EQ(CountIn(second, "STOR"), 0);
}

TEST_F(TreeUploadTest, OnlyFoldersTheUploadMadeAreRemovedAndOnlyOnceEmpty) {
    StartServer();
    WriteTree(local);
    std::filesystem::create_directory(Remote("Rome"));  // the user's own folder
    Upload(Inputs());
    ASSERT_TRUE(uploader.Completed());
    const std::string record = ReadFile(Remote(".galvane-upload-record"));
    for (const std::string& folder : {kAlbum, kDay, kDeep, std::string("Empty")}) {
        EXPECT_NE(record.find("\nfolder " + folder + "\n"), std::string::npos) << folder;
    }
    EXPECT_EQ(record.find("\nfolder Rome\n"), std::string::npos);

    std::filesystem::remove_all(local / "Rome");
    std::filesystem::remove_all(local / "Empty");
    const std::size_t before = server->Commands().size();
    Upload(Inputs());

    EXPECT_TRUE(uploader.Completed());
    EXPECT_EQ(uploader.FilesRemoved(), 1);
    EXPECT_FALSE(FileExists(Remote("Rome/r.jpg")));
    EXPECT_TRUE(std::filesystem::is_directory(Remote("Rome")));
    EXPECT_FALSE(std::filesystem::exists(Remote("Empty")));
    const Calls commands = CommandsFrom(before);
    EXPECT_EQ(CountIn(commands, "RMD"), 1);
    EXPECT_EQ(CountIn(commands, "RMD Empty"), 1);
    EXPECT_EQ(ReadFile(Remote(".galvane-upload-record")).find("\nfolder Empty\n"), std::string::npos);

    // --keep-remote takes nothing down, folders included.
    std::filesystem::remove_all(local / kAlbum);
    uploader.SetSettings([] {
        FtpUploadSettings settings = OneConnection();
        settings.keepRemote = true;
        return settings;
    }());
    Upload(Inputs());
    EXPECT_EQ(uploader.FilesRemoved(), 0);
    EXPECT_TRUE(FileExists(Remote(kDeep + "/z%20.bin")));
}

TEST_F(TreeUploadTest, AFileFailingInASubfolderIsNamedByItsPathAndADropThereIsMadeGood) {
    // The deep file's connection drops part way on its first try.
    FtpTestServerOptions options;
    options.refuse = {"x#y.jpg"};
    options.dropOnceAfter = {"z%20.bin=30000"};
    StartServer(options);
    const Files files = WriteTree(local);
    window.answer = true;

    Upload(Inputs("site"));  // a missing subfolder, made on the question's Yes

    EXPECT_EQ(window.Calls()[2], "ask: Can not found a subfolder. Want you create subfolder now? | Warning");
    EXPECT_TRUE(uploader.Completed());
    EXPECT_EQ(uploader.FilesFailed(), 1);
    EXPECT_EQ(uploader.FilesSent(), static_cast<int>(files.size()) - 1);
    EXPECT_EQ(ReadFile(Remote("site/" + kDeep + "/z%20.bin")), PatternBytes(70000, 5));
    bool named = false;
    for (const std::string& status : window.Statuses()) {
        named =
            named || (status.rfind("File ", 0) == 0 &&
                      status.find(" transfer error [" + (local / kDay) + "/x#y.jpg \nto ftp://" +
                                  server->address() + "/site/" + kDay + "/x#y.jpg]") != std::string::npos);
    }
    EXPECT_TRUE(named);
    EXPECT_FALSE(FileExists(Remote("site/" + kDay + "/x#y.jpg")));
}

}  // namespace
