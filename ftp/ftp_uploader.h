#pragma once

#include <atomic>
#include <chrono>
#include <ctime>
#include <functional>
#include <map>
#include <string>
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

// How the connection is made, beyond what the window's fields say.
struct FtpUploadSettings {
    bool passive = false;
    std::string caFile;      // FTPS: the certificate to trust instead of the system's store
    std::string knownHosts;  // SFTP: ~/.ssh/known_hosts when empty
    NewHostKey newHostKey = NewHostKey::Ask;
    bool full = false;        // send every file, also those the server holds unchanged
    bool keepRemote = false;  // delete nothing on the server, not even files the gallery dropped
};

// Sends the files of one local folder, without its subfolders, to one folder of an FTP server, over
// one login, one blocking put per file. Before sending, it reads the server's state once (the record
// the previous upload left, and the folder's listing) and plans each file: sent, or skipped because
// the server provably holds its bytes; files an earlier upload sent that are no longer local are
// deleted after a run without failures. The record is written last. A lost connection is made again
// and the interrupted request repeated, a few times. It talks to the user only through its host
// window: status line, progress bar, one Yes/No question and the end of the run. Used by Galvane's
// finish page and by Skiffer, each running Run on a worker thread of its own.
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
    void RunSteps();
    FtpConnectOptions ConnectOptions();
    bool Connect();
    bool EnterSubfolder();
    void SendFiles();
    bool ReadServerState(ServerState& state);
    bool ReadRecord(ServerState& state);
    bool ReadRemoteFolder(std::map<std::string, RemoteEntry>& remote);
    bool ReadAttributes(std::map<std::string, RemoteEntry>& remote, const UploadRecord& record);
    std::vector<PlannedFile> HashLocalFiles() const;
    void RemoveDropped(const UploadPlan& plan, const UploadRecord& previous, UploadRecord& next);
    void NoteSentFiles(const std::map<std::string, const PlannedFile*>& sent, UploadRecord& next);
    void WriteRecord(const UploadRecord& next, const ServerState& previous);
    // A request with passive mode taken over where active mode fails, and the connection made again
    // where it is lost.
    FtpOutcome Request(const std::function<FtpOutcome()>& request);
    FtpOutcome WithPassiveFallback(const std::function<FtpOutcome()>& request);
    bool Reconnect();
    bool Pause(std::chrono::milliseconds time) const;
    void FallBackToPassive();
    bool TrustNewHostKey(const std::string& fingerprint);
    void EndAfterFailure(FtpOutcome outcome);
    void Terminate();

    // The window, silent once the run is aborted.
    void Status(const std::string& text);
    void SetProgressRange(int upper);
    void SetProgressPosition(int position);
    bool AskYesNo(const std::string& text, const std::string& caption);

    UploadWindow& m_window;
    FtpUploadInputs m_inputs;
    FtpUploadSettings m_settings;
    FtpTimeouts m_timeouts;
    FtpSession m_session;
    std::vector<UploadFile> m_files;  // the run's file list
    std::atomic<int> m_filesSent{0};
    std::atomic<int> m_filesFailed{0};
    std::atomic<int> m_filesSkipped{0};
    std::atomic<int> m_filesRemoved{0};
    std::vector<std::string> m_replacedChanged;
    std::vector<std::string> m_keptChanged;
    bool m_connectionLost = false;   // the next request makes the connection again first
    bool m_reconnectFailed = false;  // the latest attempt to make it again failed: the run ends
    std::atomic<bool> m_completed{false};
    std::atomic<bool> m_fellBack{false};
};
