#pragma once

#include <atomic>
#include <chrono>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "ftp/ftp_session.h"
#include "ftp/remote_listing.h"
#include "ftp/upload_file_list.h"
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
    bool full = false;  // send every file, also those the server holds unchanged
};

// Sends every file of one local folder, without its subfolders, to one folder of an FTP server, over
// one login, one blocking put per file. It talks to the user only through its host window: status
// line, progress bar, one Yes/No question and the end of the run. Used by Galvane's finish page and by
// Skiffer, each running Run on a worker thread of its own.
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
    // Whether the latest run went through every file ("Transfer complete"), whatever their fate.
    bool Completed() const { return m_completed.load(); }
    // Whether the run went over to passive mode after active mode failed.
    bool FellBackToPassive() const { return m_fellBack.load(); }

private:
    void RunSteps();
    bool Connect();
    bool EnterSubfolder();
    void SendFiles();
    bool ReadRemoteFolder(std::map<std::string, RemoteEntry>& remote);
    FtpOutcome Put(const std::string& path, const std::string& name, std::time_t modified);
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
    std::atomic<bool> m_completed{false};
    std::atomic<bool> m_fellBack{false};
};
