// Sending only what changed: the listing's parsers, and repeated uploads to real servers.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <thread>
#include <utility>

#include "ftp/pipelined_times.h"
#include "ftp/remote_listing.h"
#include "tests/ftp/upload_test_support.h"
#include "tests/support/sftp_test_server.h"
#include "tests/support/vsftpd_test_server.h"

namespace {

using Calls = std::vector<std::string>;

void SetModified(const std::string& path, std::time_t time) {
    const timespec times[2] = {{time, 0}, {time, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

TEST(RemoteListing, ReadsMlsdAndUnixListsKeepingOnlyFiles) {
    const auto mlsd = ParseMlsd(
        "type=cdir;modify=20240101000000; .\r\n"
        "type=dir;modify=20240101000000; pictures\r\n"
        "Type=file;Size=12;Modify=20240131235958.123;Perm=r; name with  spaces.jpg\r\n"
        "type=file;size=7; no time\r\n");
    ASSERT_EQ(mlsd.size(), 1u);
    const RemoteEntry& file = mlsd.at("name with  spaces.jpg");
    EXPECT_EQ(file.size, 12);
    EXPECT_EQ(file.modified, 1706745598);  // 2024-01-31 23:59:58 UTC
    EXPECT_FALSE(file.minutePrecision);

    const std::time_t now = 1718000000;  // 2024-06-10
    const auto list = ParseList(
        "total 3\r\n"
        "drwxr-xr-x 2 owner group 4096 Jan 02 10:00 folder\r\n"
        "-rw-r--r-- 1 owner group 34 Jun 09 08:15 recent file.htm\r\n"
        "-rw-r--r--    1 1000     1000         5 Dec 30 23:00 last year.txt\r\n"
        "-rw-r--r-- 1 owner group 9 Mar 03  2021 old.txt\r\n"
        "lrwxrwxrwx 1 owner group 9 Mar 03  2021 link -> old.txt\r\n",
        now);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list.at("recent file.htm").size, 34);
    EXPECT_EQ(list.at("recent file.htm").modified, 1717920900);  // 2024-06-09 08:15 UTC
    EXPECT_EQ(list.at("last year.txt").modified, 1703977200);    // 2023-12-30 23:00 UTC
    EXPECT_EQ(list.at("old.txt").modified, 1614729600);          // 2021-03-03 UTC
    EXPECT_TRUE(list.at("old.txt").minutePrecision);
}

TEST(RemoteListing, TakesWholeRepliesOneAtATimeIncludingMultiLineOnes) {
    std::string text =
        "213 20240131235958\r\n250-first\r\n 250 inner\r\n250-more\r\n250 last\r\n550 gone\r\n55";
    int code = 0;
    std::string line;
    bool malformed = false;
    ASSERT_TRUE(TakeFtpReply(text, code, line, malformed));
    EXPECT_EQ(code, 213);
    EXPECT_EQ(line, "20240131235958");
    // Only a line that starts with the same code and a space closes it.
    ASSERT_TRUE(TakeFtpReply(text, code, line, malformed));
    EXPECT_EQ(code, 250);
    EXPECT_EQ(line, "last");
    ASSERT_TRUE(TakeFtpReply(text, code, line, malformed));
    EXPECT_EQ(code, 550);
    EXPECT_FALSE(TakeFtpReply(text, code, line, malformed));  // the rest has not come yet
    EXPECT_FALSE(malformed);
    EXPECT_EQ(text, "55");
    text = "hello\r\n213 x\r\n";
    EXPECT_FALSE(TakeFtpReply(text, code, line, malformed));
    EXPECT_TRUE(malformed);
}

// Three files modified an hour ago, uploaded once; `Again` runs a second upload on a fresh window.
class UnchangedTest : public UploadTest {
protected:
    void SetUp() override {
        for (const char* name : {"a.htm", "b.jpg", "c.jpg"}) {
            local.Write(name, std::string(100, name[0]));
            SetModified(local / name, std::time(nullptr) - 3600);
        }
    }

    // Over one login unless the settings say otherwise.
    Calls Again(const FtpUploadInputs& inputs, const FtpUploadSettings& settings = OneConnection()) {
        RecordingWindow again;
        FtpUploader second(again);
        second.SetInputs(inputs);
        second.SetSettings(settings);
        if (stall.count() > 0) {
            second.SetStallTimeout(stall);
        }
        second.Run();
        sent = second.FilesSent();
        skipped = second.FilesSkipped();
        replaced = second.ReplacedChangedFiles();
        return again.Calls();
    }

    // Twelve files sent; then someone writes new bytes of the same size into b.jpg on the server, in
    // the minute the upload ended, where a listing to the minute shows it just as before. The next
    // upload reads the attributes of the files of that minute (each once, over several logins),
    // sends b.jpg again and names it; the one after sends nothing. `attributeReads` counts the
    // server's attribute requests for a file; `afterReading`, given the names, looks at how they were
    // read, right after the upload that read them.
    void CheckAnEditInTheUploadsLastMinute(
        const FtpUploadInputs& inputs, FtpUploadSettings settings, const std::string& remoteFolder,
        const std::function<int(const std::string&)>& attributeReads,
        const std::function<void(const std::vector<std::string>&)>& afterReading = {}) {
        std::vector<std::string> names = {"a.htm", "b.jpg", "c.jpg"};
        for (int i = 0; i < 9; ++i) {
            names.push_back("p" + std::to_string(i) + ".jpg");
            local.Write(names.back(), std::string(50, 'p'));
        }
        names.insert(names.end(), extraNames.begin(), extraNames.end());
        const int count = static_cast<int>(names.size());
        // The upload, the edit and the next upload's look in one minute, the case to catch.
        if (std::time(nullptr) % 60 > 40) {
            std::this_thread::sleep_for(std::chrono::seconds(61 - std::time(nullptr) % 60));
        }
        const std::time_t start = std::time(nullptr);
        Again(inputs, settings);
        ASSERT_EQ(sent, count);
        {
            std::ofstream edit(remoteFolder + "/b.jpg", std::ios::binary | std::ios::trunc);
            edit << std::string(100, 'X');
        }
        settings.connections = 4;
        Again(inputs, settings);
        ASSERT_EQ(start / 60, std::time(nullptr) / 60) << "the run took longer than the minute it had";
        EXPECT_EQ(sent, 1);
        EXPECT_EQ(skipped, count - 1);
        EXPECT_EQ(replaced, std::vector<std::string>{"b.jpg"});
        EXPECT_EQ(ReadFile(remoteFolder + "/b.jpg"), std::string(100, 'b'));
        for (const std::string& name : names) {
            EXPECT_EQ(attributeReads(name), 1) << name;
        }
        if (afterReading) {
            afterReading(names);
        }

        Again(inputs, settings);
        EXPECT_EQ(sent, 0);
        EXPECT_EQ(skipped, count);
    }

    // The record moved to a later minute than the files, as when the upload that wrote it ran a minute
    // after them: the listing vouches for every file, and no file's attributes are read.
    void CheckNoAttributesReadOnceTheRecordIsLater(
        const FtpUploadInputs& inputs, const FtpUploadSettings& settings, const std::string& remoteFolder,
        const std::function<int(const std::string&)>& attributeReads) {
        Again(inputs, settings);
        ASSERT_EQ(sent, 3);
        SetModified(remoteFolder + "/.galvane-upload-record", std::time(nullptr) + 120);
        Again(inputs, settings);
        EXPECT_EQ(sent, 0);
        EXPECT_EQ(skipped, 3);
        for (const char* name : {"a.htm", "b.jpg", "c.jpg"}) {
            EXPECT_EQ(attributeReads(name), 0) << name;
        }
    }

    int sent = 0;
    int skipped = 0;
    std::vector<std::string> replaced;
    std::chrono::seconds stall{0};        // the uploads' stall timeout where not 0
    std::vector<std::string> extraNames;  // local files beside CheckAnEditInTheUploadsLastMinute's own
};

using ConnectionCommands = std::vector<std::pair<int, std::string>>;

// The connection (by its key in `commands`) that carried an MDTM of any of the names; -1 unless
// exactly one did.
int ConnectionReadingTimes(const ConnectionCommands& commands, const std::vector<std::string>& names) {
    std::set<int> reading;
    for (const auto& [connection, line] : commands) {
        for (const std::string& name : names) {
            if (line == "MDTM " + name) {
                reading.insert(connection);
            }
        }
    }
    return reading.size() == 1 ? *reading.begin() : -1;
}

// The times of the names were read over one login that did nothing else: no listing, no transfer,
// no passive or active mode set up between the MDTMs, each of them asked once. Only a login that
// sends the MDTMs without waiting for a transfer's data connection looks like that.
void ExpectTimesReadAheadOnOneLogin(const ConnectionCommands& commands,
                                    const std::vector<std::string>& names) {
    const int reading = ConnectionReadingTimes(commands, names);
    ASSERT_NE(reading, -1) << "the MDTMs came over more than one login";
    std::vector<std::string> lines;
    for (const auto& [connection, line] : commands) {
        if (connection == reading) {
            lines.push_back(line);
        }
    }
    const std::set<std::string> loginOrTimes = {"AUTH", "USER", "PASS", "PBSZ", "PROT",
                                                "PWD",  "CWD",  "MDTM", "NOOP", "QUIT"};
    for (const std::string& line : lines) {
        EXPECT_TRUE(loginOrTimes.count(line.substr(0, line.find(' ')))) << line;
    }
    for (const std::string& name : names) {
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "MDTM " + name), 1) << name;
    }
}

TEST_F(UnchangedTest, TheSecondUploadOfAnUnchangedFolderSendsNothingWithTheSameReports) {
    StartServer();
    Upload(Inputs());
    ASSERT_EQ(uploader.FilesSent(), 3);

    const Calls calls = Again(Inputs());

    EXPECT_EQ(calls, window.Calls());  // the same statuses and progress as the first run
    EXPECT_EQ(sent, 0);
    EXPECT_EQ(skipped, 3);
    // The first run: the record read, a listing, the files, a listing, the record written. The second:
    // the record read and one listing, nothing per file, and no record written (nothing new).
    EXPECT_EQ(Count("STOR"), 3 + 1);
    EXPECT_EQ(Count("STOR .galvane-upload-record"), 1);
    EXPECT_EQ(Count("RETR .galvane-upload-record"), 2);
    EXPECT_EQ(Count("MLSD"), 2 + 1);
}

TEST_F(UnchangedTest, ASameSizeEditAndANewFileAreSentAloneAndFullSendsEverything) {
    StartServer();
    Upload(Inputs());
    local.Write("b.jpg", std::string(100, 'B'));  // same size, modified now
    local.Write("d.jpg", "new");

    Again(Inputs());
    EXPECT_EQ(sent, 2);
    EXPECT_EQ(skipped, 2);
    EXPECT_EQ(ReadFile(Remote("b.jpg")), std::string(100, 'B'));
    EXPECT_EQ(ReadFile(Remote("d.jpg")), "new");
    EXPECT_EQ(Count("STOR b.jpg"), 2);
    EXPECT_EQ(Count("STOR a.htm"), 1);

    FtpUploadSettings full = OneConnection();
    full.full = true;
    Again(Inputs(), full);
    EXPECT_EQ(sent, 4);
    // The record after each run: the third one's files arrived in a later second than before (the
    // second run wrote its record a second after its last file).
    EXPECT_EQ(Count("STOR"), 3 + 2 + 4 + 3);
}

TEST_F(UnchangedTest, ListWithoutMlsdStillSkipsUnchangedFilesOnVsftpd) {
    VsftpdTestServer vsftpd;
    ASSERT_TRUE(vsftpd.IsRunning());
    const FtpUploadInputs inputs{local.path(), vsftpd.address(), VsftpdTestServer::kLogin, "x",
                                 VsftpdTestServer::kUploadFolder};
    Upload(inputs);
    ASSERT_EQ(uploader.FilesSent(), 3);

    Again(inputs);
    EXPECT_EQ(skipped, 3);
    local.Write("c.jpg", std::string(100, 'C'));
    SetModified(local / "c.jpg", std::time(nullptr) + 120);  // a minute the listing can tell apart
    Again(inputs);
    EXPECT_EQ(sent, 1);
    EXPECT_EQ(ReadFile(vsftpd.uploads() + "/c.jpg"), std::string(100, 'C'));
}

TEST_F(UnchangedTest, SftpSkipsUnchangedFilesAndSendsASameSizeEdit) {
    TempFolder keys;
    SftpTestServer sftp(keys / "host_key");
    ASSERT_TRUE(sftp.IsRunning());
    const FtpUploadInputs inputs{local.path(), sftp.address(), FtpTestServer::kLogin,
                                 FtpTestServer::kPassword, ""};
    const FtpUploadSettings trust{false, "", keys / "known_hosts", NewHostKey::Trust};
    Again(inputs, trust);
    ASSERT_EQ(sent, 3);

    Again(inputs, trust);
    EXPECT_EQ(sent, 0);
    EXPECT_EQ(skipped, 3);
    local.Write("a.htm", std::string(100, 'A'));
    Again(inputs, trust);
    EXPECT_EQ(sent, 1);
    EXPECT_EQ(ReadFile(sftp.home() + "/a.htm"), std::string(100, 'A'));
}

}  // namespace

namespace {

int Occurrences(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

FtpTestServerOptions ListOnly() {
    FtpTestServerOptions options;
    options.listOnly = true;
    return options;
}

TEST_F(UnchangedTest, ListOnlyServerASameSizeEditInTheUploadsLastMinuteIsSentByTheNext) {
    StartServer(ListOnly());
    CheckAnEditInTheUploadsLastMinute(
        Inputs(), OneConnection(), server->home(),
        [&](const std::string& name) { return Count("MDTM " + name); },
        [&](const std::vector<std::string>& names) {
            ExpectTimesReadAheadOnOneLogin(server->CommandsByConnection(), names);
        });
    EXPECT_EQ(Count("STOR .galvane-upload-record"), 3);  // the third run's verified files leave doubt
}

// Names with spaces, quotes and UTF-8 letters, and files of a subfolder, entered by its own CWD.
TEST_F(UnchangedTest, ListOnlyServerReadsTheTimesOfOddNamesAndOfASubfolderAhead) {
    StartServer(ListOnly());
    extraNames = {"with space.jpg", "quote\"d 'name'.htm", "\xC3\xA9t\xC3\xA9.jpg",
                  "sub folder/inner one.jpg", "sub folder/d.jpg"};
    for (const std::string& name : extraNames) {
        local.Write(name, std::string(60, 'n'));
    }
    const auto baseName = [](const std::string& name) { return name.substr(name.rfind('/') + 1); };
    CheckAnEditInTheUploadsLastMinute(
        Inputs(), OneConnection(), server->home(),
        [&](const std::string& name) { return Count("MDTM " + baseName(name)); },
        [&](const std::vector<std::string>& names) {
            std::vector<std::string> asked;
            for (const std::string& name : names) {
                asked.push_back(baseName(name));
            }
            const ConnectionCommands commands = server->CommandsByConnection();
            ExpectTimesReadAheadOnOneLogin(commands, asked);
            EXPECT_EQ(std::count_if(commands.begin(), commands.end(),
                                    [](const auto& command) { return command.second == "CWD /sub folder"; }),
                      1);
        });
    EXPECT_EQ(ReadFile(server->home() + "/sub folder/d.jpg"), std::string(60, 'n'));
}

// A server that loses the commands sent ahead of a reply: after a silence the times are read one
// after the other, and the edit is still found.
TEST_F(UnchangedTest, ListOnlyServerThatLosesCommandsSentAheadStillHasItsEditFound) {
    FtpTestServerOptions options = ListOnly();
    options.noPipelining = true;
    StartServer(options);
    stall = std::chrono::seconds(2);
    CheckAnEditInTheUploadsLastMinute(
        Inputs(), OneConnection(), server->home(),
        [&](const std::string& name) { return Count("MDTM " + name); },
        [&](const std::vector<std::string>& names) {
            const ConnectionCommands commands = server->CommandsByConnection();
            const int reading = ConnectionReadingTimes(commands, names);
            ASSERT_NE(reading, -1);
            // Read one after the other by a login of the upload's own, which also sent the edit; and
            // the login that lost them asked for no time at all.
            EXPECT_TRUE(std::count(commands.begin(), commands.end(),
                                   std::make_pair(reading, std::string("STOR b.jpg"))));
            const auto lost = std::find_if(commands.begin(), commands.end(), [&](const auto& command) {
                return command.second == "CWD /" && command.first != reading;
            });
            ASSERT_NE(lost, commands.end()) << "no login tried to send the commands ahead";
            EXPECT_EQ(std::count_if(commands.begin(), commands.end(),
                                    [&](const auto& command) {
                                        return command.first == lost->first &&
                                               command.second.rfind("MDTM", 0) == 0;
                                    }),
                      0);
        });
}

TEST_F(UnchangedTest, VsftpdASameSizeEditInTheUploadsLastMinuteIsSentByTheNextOverFtpAndFtps) {
    TempFolder certificates;
    const std::string certificate = certificates / "server.pem";
    ASSERT_TRUE(MakeTestCertificate(certificate, "127.0.0.1"));
    for (const bool secure : {false, true}) {
        SCOPED_TRACE(secure ? "FTPS" : "FTP");
        SetUp();
        VsftpdTestServer vsftpd({secure ? certificate : "", false});
        ASSERT_TRUE(vsftpd.IsRunning());
        const FtpUploadInputs inputs{local.path(), (secure ? "ftps://" : "") + vsftpd.address(),
                                     VsftpdTestServer::kLogin, "x", VsftpdTestServer::kUploadFolder};
        const auto reads = [&](const std::string& name) {
            const ConnectionCommands commands = vsftpd.CommandsByConnection();
            return static_cast<int>(std::count_if(commands.begin(), commands.end(), [&](const auto& command) {
                return command.second == "MDTM " + name;
            }));
        };
        CheckAnEditInTheUploadsLastMinute(
            inputs, OneConnection({false, certificate, "", NewHostKey::Refuse}), vsftpd.uploads(), reads,
            [&](const std::vector<std::string>& names) {
                ExpectTimesReadAheadOnOneLogin(vsftpd.CommandsByConnection(), names);
            });
    }
}

TEST_F(UnchangedTest, ListOnlyServerReadsNoAttributesOfFilesTheListingVouchesFor) {
    StartServer(ListOnly());
    CheckNoAttributesReadOnceTheRecordIsLater(Inputs(), OneConnection(), server->home(),
                                              [&](const std::string& name) { return Count("MDTM " + name); });
    EXPECT_EQ(Count("STOR .galvane-upload-record"), 1);  // nothing new to note
}

TEST_F(UnchangedTest, SftpASameSizeEditInTheUploadsLastMinuteIsSentByTheNext) {
    TempFolder keys;
    SftpTestServer sftp(keys / "host_key");
    ASSERT_TRUE(sftp.IsRunning());
    const FtpUploadInputs inputs{local.path(), sftp.address(), FtpTestServer::kLogin,
                                 FtpTestServer::kPassword, ""};
    // Curl asks for a file's attributes twice in one read (for its time, then again on opening it).
    CheckAnEditInTheUploadsLastMinute(
        inputs, OneConnection({false, "", keys / "known_hosts", NewHostKey::Trust}), sftp.home(),
        [&](const std::string& name) { return Occurrences(sftp.Requests(), "STAT " + name) / 2; });
}

TEST_F(UnchangedTest, SftpReadsNoAttributesOfFilesTheListingVouchesFor) {
    TempFolder keys;
    SftpTestServer sftp(keys / "host_key");
    ASSERT_TRUE(sftp.IsRunning());
    const FtpUploadInputs inputs{local.path(), sftp.address(), FtpTestServer::kLogin,
                                 FtpTestServer::kPassword, ""};
    CheckNoAttributesReadOnceTheRecordIsLater(
        inputs, {false, "", keys / "known_hosts", NewHostKey::Trust}, sftp.home(),
        [&](const std::string& name) { return Occurrences(sftp.Requests(), "STAT " + name); });
}

}  // namespace
