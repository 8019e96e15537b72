#pragma once

#include <atomic>
#include <chrono>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ftp/ftp_session.h"
#include "ftp/remote_listing.h"
#include "ftp/upload_file_list.h"
#include "ftp/upload_plan.h"
#include "ftp/upload_window.h"

// What one upload sends where, as typed in the host window's fields; nothing is checked or trimmed.
struct FtpUploadInputs {
    std::string localFolder;
    std::string server;  // "host" or "host:port", optionally after "ftp://", "ftps://" or "sftp://"
    std::string login;
    std::string password;
    std::string subfolder;  // relative to the login folder; empty for the login folder itself
};

// What an SFTP upload does with a host key that known_hosts does not hold.
enum class NewHostKey {
    Ask,     // the window's Yes/No question; Yes adds it to known_hosts
    Trust,   // added without a question
    Refuse,  // the run stops
};

inline constexpr int kDefaultUploadConnections = 4;
inline constexpr int kMaxUploadConnections = 8;

// How the connection is made, beyond what the window's fields say.
struct FtpUploadSettings {
    bool passive = false;
    std::string caFile;      // FTPS: the certificate to trust instead of the system's store
    std::string knownHosts;  // SFTP: ~/.ssh/known_hosts when empty
    NewHostKey newHostKey = NewHostKey::Ask;
    bool full = false;        // send every file, also those the server holds unchanged
    bool keepRemote = false;  // delete nothing on the server, not even files the gallery dropped
    // How many logins send files at the same time, each over a connection of its own (1 to
    // kMaxUploadConnections; anything else counts as the nearest of the two).
    int connections = kDefaultUploadConnections;
};

// Sends the files of one local folder and of its subfolders (not hidden ones) to one folder of an FTP
// server, keeping the tree; folders missing on the server are made before any file is sent. Before
// sending, it reads the server's state once (the record the previous upload left at the top, and one
// listing of each folder) and plans each file: sent, or skipped because the server provably holds its bytes;
// files an earlier upload sent that are no longer local are deleted after a run without failures. The files
// go over several logins at once (FtpUploadSettings::connections), each taking the next file of the plan; the
// first login also asks the one question, enters the subfolder, reads the server's state and, once every file
// is through, deletes and writes the record last. A lost connection is made again and the interrupted request
// repeated, a few times, on that login alone. It talks to the user only through its host window, one call at
// a time: status line (one per finished file, in the order they finish), progress bar (finished files), one
// Yes/No question and the end of the run. Used by Galvane's finish page and by Skiffer, each running Run on a
// worker thread of its own.
class FtpUploader {
public:
    explicit FtpUploader(UploadWindow& window);

    void SetInputs(FtpUploadInputs inputs);
    void SetSettings(FtpUploadSettings settings);
    void SetConnectTimeout(std::chrono::seconds timeout);
    // How long a silent server is waited for (no answer, or no byte of a file moving) before the file
    // fails and the run ends. One minute unless set.
    void SetStallTimeout(std::chrono::seconds timeout);

    // The whole upload, on the caller's thread.
    void Run();
    // Closes what is open.
    void CloseConnection();
    // Any thread, for good: ends the transfer under way at once; Run then returns promptly and makes
    // no further call to the window, not even UploadEnded. A window call already under way still has to be
    // served.
    void Abort();

    // The outcome of the latest run.
    int FilesSent() const { return m_filesSent.load(); }
    int FilesFailed() const { return m_filesFailed.load(); }
    // Files not sent because the server held them unchanged; they count as handled.
    int FilesSkipped() const { return m_filesSkipped.load(); }
    // Files an earlier upload sent, no longer local, deleted from the server.
    int FilesRemoved() const { return m_filesRemoved.load(); }
    // After a run: files sent again because someone changed them on the server, and files no longer
    // local that were kept because someone changed them on the server.
    const std::vector<std::string>& ReplacedChangedFiles() const { return m_replacedChanged; }
    const std::vector<std::string>& KeptChangedFiles() const { return m_keptChanged; }
    // Whether the latest run went through every file ("Transfer complete"), whatever their fate.
    bool Completed() const { return m_completed.load(); }
    // Whether the run went over to passive mode after active mode failed.
    bool FellBackToPassive() const { return m_fellBack.load(); }
    // All of the above, as the window's UploadEnded gets it; on the run's thread, or after it.
    UploadResult Result() const;

private:
    // One login: its session, and whether its connection has to be (or could not be) made again.
    struct Connection {
        FtpSession session;
        bool lost = false;                   // the next request makes the connection again first
        bool reconnectFailed = false;        // the latest attempt to make it again failed: it sends no more
        std::atomic<bool> loggingIn{false};  // a login beside the first, not through yet
        bool ready = false;                  // a login beside the first, logged in and in the folder
    };
    // The files being sent: the plan, which file is next, and what came back.
    struct Batch {
        const UploadPlan* plan = nullptr;
        const UploadRecord* previous = nullptr;
        int count = 0;
        std::vector<int>
            order;        // positions in the plan, in the order the logins take them; empty: the plan's
        int next = 0;     // how many files were taken
        int handled = 0;  // files finished, whatever their fate
        int shownPosition = -1;
        UploadRecord unchanged;                          // record entries of the files skipped
        std::map<std::string, const PlannedFile*> sent;  // files sent
    };

    void RunSteps();
    FtpConnectOptions ConnectOptions(bool mayAsk);
    bool Connect();
    bool EnterSubfolder();
    void SendFiles();
    bool SendPlanned(const UploadPlan& plan, const ServerState& state, UploadRecord& next);
    void SendWithExtraLogin(Connection& connection, Batch& batch);
    void SendFromPlan(Connection& connection, Batch& batch);
    bool TakeNextFile(Batch& batch, int& index);
    void CancelPendingLogins();
    void FinishFile(Batch& batch, const std::string& status, const std::string& failure);
    // One folder's listing as the server gave it.
    struct FolderListing {
        std::string text;
        bool machineReadable = false;
    };
    // Listings read on other logins before the tree is walked, by folder; empty where the server
    // refused one. A folder not in it is listed by the first login.
    using ListedAhead = std::map<std::string, std::optional<FolderListing>>;
    bool ReadServerState(ServerState& state);
    bool ReadRecord(ServerState& state);
    FtpOutcome FetchRecord(Connection& connection, std::string& text);
    static void TakeRecord(const std::string& text, ServerState& state);
    // Whether the record and the listings are worth spreading over several logins.
    bool ReadsAhead() const;
    // The record and the listings of the uploaded folder and of each local folder, over the first
    // login and up to ConnectionCount() - 1 others at once; what another login could not read is
    // left to the first one. False when the run ended here.
    bool ReadAhead(ServerState& state, ListedAhead& ahead);
    bool ReadRemoteTree(ServerState& state, const ListedAhead& ahead);
    bool ReadRemoteFolder(const std::string& below, ServerState& state, const ListedAhead& ahead);
    FtpOutcome ListOneFolder(Connection& connection, const std::string& below, FolderListing& listed);
    // Closes a login on a thread of its own, so that its goodbye costs the run no round trip; the
    // run waits for it at its end.
    void CloseAside(std::unique_ptr<Connection> connection);
    bool MakeRemoteFolders(const ServerState& state);
    void RemoveDroppedFolders(const ServerState& state);
    void ReadSentListings(const Batch& batch, std::map<std::string, RemoteEntry>& listed);
    bool VerifyRecorded(ServerState& state);
    std::map<std::string, std::pair<std::int64_t, std::time_t>> ReadAttributesSpread(
        const std::vector<std::string>& names);
    // The times over one login of their own, many MDTM commands on the way at once; false where that
    // cannot be used or fails, and `found` is then empty.
    bool ReadTimesPipelined(const std::vector<std::string>& names,
                            std::map<std::string, std::pair<std::int64_t, std::time_t>>& found);
    bool LogIn(Connection& connection);
    // `work` on the first login, and on each extra login (logged in first) on a thread of its own;
    // `mainDone` runs once the first login's work is through. Returns when every login is through.
    void OnEveryLogin(const std::function<void(Connection&)>& work,
                      const std::function<void()>& mainDone = {});
    void HashLocalFiles(std::vector<PlannedFile>& planned) const;
    void RemoveDropped(const UploadPlan& plan, const UploadRecord& previous, UploadRecord& next);
    void NoteSentFiles(const Batch& batch, UploadRecord& next);
    void WriteRecord(const UploadRecord& next, const ServerState& previous);
    // A request with passive mode taken over where active mode fails, and the connection made again
    // where it is lost.
    FtpOutcome Request(Connection& connection, const std::function<FtpOutcome()>& request);
    FtpOutcome WithPassiveFallback(Connection& connection, const std::function<FtpOutcome()>& request);
    bool Reconnect(Connection& connection, bool mayAsk);
    bool Pause(std::chrono::milliseconds time) const;
    void FallBackToPassive(Connection& connection);
    bool TrustNewHostKey(const std::string& fingerprint, bool mayAsk);
    void EndAfterFailure(FtpOutcome outcome);
    void Terminate(const Connection& failed);
    void Terminate() { Terminate(Main()); }
    int ConnectionCount() const;
    Connection& Main() { return m_main; }
    FtpSession& Session() { return m_main.session; }
    bool IsAborted() const { return m_main.session.IsAborted(); }

    // The window, one call at a time, silent once the run is aborted.
    void Status(const std::string& text);
    void SetProgressRange(int upper);
    void SetProgressPosition(int position);
    bool AskYesNo(const std::string& text, const std::string& caption);
    void ReportFailure(const std::string& reason);

    UploadWindow& m_window;
    FtpUploadInputs m_inputs;
    FtpUploadSettings m_settings;
    FtpTimeouts m_timeouts;
    Connection m_main;  // the first login, for the whole run
    // The logins beside it, made for the sending and closed after it; guarded against Abort.
    std::vector<std::unique_ptr<Connection>> m_extra;
    std::mutex m_extraMutex;
    std::vector<std::jthread> m_closing;  // logins being closed aside (CloseAside)
    std::recursive_mutex m_reportMutex;   // one window call, and one change of the counts, at a time
    std::string m_trustedHostKey;         // the fingerprint the one question was answered Yes for
    std::vector<UploadFile> m_files;      // the run's file list
    std::vector<std::string> m_folders;   // the folders below the local folder, parents first
    MadeFolders m_madeFolders;            // the remote folders Galvane made, for the next record
    std::atomic<int> m_filesSent{0};
    std::atomic<int> m_filesFailed{0};
    std::atomic<int> m_filesSkipped{0};
    std::atomic<int> m_filesRemoved{0};
    std::vector<std::string> m_replacedChanged;
    std::vector<std::string> m_keptChanged;
    // When the latest file arrived whole: the record is written at least a second later.
    std::optional<std::chrono::steady_clock::time_point> m_lastArrival;
    std::atomic<bool> m_stopSending{false};  // the run is aborted: no login takes another file
    std::atomic<bool> m_completed{false};
    std::atomic<bool> m_fellBack{false};
};
