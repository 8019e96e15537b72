#pragma once

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "ftp/failure_reason.h"
#include "ftp/ftp_address.h"
#include "ftp/socket_tracker.h"

// How long an upload waits before it gives up on a server.
struct FtpTimeouts {
    std::chrono::seconds connect{30};  // to reach the server and log in
    std::chrono::seconds stall{60};    // for an answer, or for any byte of a file to move
};

// How a session secures and reaches its server, beyond the address.
struct FtpConnectOptions {
    bool passive = false;    // passive mode from the start (plain FTP and FTPS)
    std::string caFile;      // FTPS: trust this certificate file instead of the system's store
    std::string knownHosts;  // SFTP: the known_hosts file; ~/.ssh/known_hosts when empty
    // SFTP: asked with the fingerprint of a host key that known_hosts does not hold; true trusts it
    // and adds it to the file. Without it, an unknown key stops the login.
    std::function<bool(const std::string& fingerprint)> trustNewHostKey;
};

enum class FtpOutcome {
    Done,            // the request did what it asked
    Refused,         // it failed, and the connection is still good for the next request
    ConnectionLost,  // the control connection is gone: closed, dropped, timed out or never made
    Aborted,         // Abort was called
};

enum class ConnectOutcome {
    Connected,   // logged in
    NotCreated,  // no connection could be formed from the server text and credentials
    Failed,      // the server could not be reached, or refused the login
    Aborted,
};

// One FTP login kept open for a whole series of requests, on libcurl: one easy handle, driven through
// a multi handle so that an abort from another thread wakes it at once. Active mode, binary transfers.
//
// Curl keeps the control connection between requests and remembers the folder its last request
// changed to: a request whose URL names the same folder sends no CWD at all. Changing the folder is a
// body-less request for the folder's URL (one "CWD folder", FTPMETHOD_SINGLECWD); files then go to
// URLs inside that folder, and so to the server's current folder, with nothing but EPRT and STOR.
//
// SFTP has no current folder: the session keeps the folder itself and names it in every URL.
class FtpSession {
public:
    FtpSession();
    ~FtpSession();
    FtpSession(const FtpSession&) = delete;
    FtpSession& operator=(const FtpSession&) = delete;

    // Makes the handles. False when they cannot be made.
    bool Open(const FtpTimeouts& timeouts, FtpConnectOptions options = {});
    ConnectOutcome Connect(const FtpAddress& address, const std::string& login, const std::string& password);
    // Changes the server's current folder to a folder named relative to the login folder.
    FtpOutcome ChangeDirectory(const std::string& folder);
    // One MKD request in the current folder. A refusal by the server counts as Done: nobody looks.
    FtpOutcome MakeDirectory(const std::string& folder);
    // Sends one local file, binary, into the current folder under the remote name. Nothing more: the
    // time the server gives it is what the upload's record notes.
    FtpOutcome PutFile(const std::string& localPath, const std::string& remoteName);
    // Reads the current folder's listing (or that of a folder below it, named by its path from the
    // current folder): MLSD where the server has it, LIST otherwise; SFTP's directory listing.
    // `machineReadable` tells which of the two forms came.
    FtpOutcome ListFolder(std::string& listing, bool& machineReadable, const std::string& below = {});
    // Reads a file of the current folder into memory (at most `limit` bytes, or the request fails).
    // A missing file is Refused.
    FtpOutcome ReadFile(const std::string& remoteName, std::string& content, std::size_t limit);
    // Sends bytes from memory as a file of the current folder.
    FtpOutcome PutBytes(const std::string& bytes, const std::string& remoteName);
    // Deletes a file of the current folder, or below it (DELE; SFTP's rm).
    FtpOutcome DeleteFile(const std::string& remoteName);
    // Makes a folder below the current folder, named by its path from it (MKD; SFTP's mkdir); its
    // parent must exist. Unlike MakeDirectory, a refusal is Refused.
    FtpOutcome MakeFolderBelow(const std::string& below);
    // Removes an empty folder below the current folder (RMD; SFTP's rmdir). A folder that still holds
    // anything is refused by the server.
    FtpOutcome RemoveFolderBelow(const std::string& below);
    // SFTP: a file's size and modification time from its attributes, to the second. A missing file
    // is Refused.
    FtpOutcome StatFile(const std::string& remoteName, std::int64_t& size, std::time_t& modified);
    // The modification times (to the second) of files of the current folder, with their sizes where
    // the server tells them: SFTP reads each file's attributes (size too); FTP sends one MDTM per
    // file in a single request (size -1). A file the server gives no time for is left out.
    FtpOutcome ReadModifiedTimes(const std::vector<std::string>& remoteNames,
                                 std::map<std::string, std::pair<std::int64_t, std::time_t>>& found);
    // Logs out and frees the handles; after an abort, drops the connection without a word.
    void Close();

    // Why the latest request failed, for the user; empty after a success.
    const std::string& LastFailure() const { return m_lastFailure; }
    // Whether the latest request failed only because an active-mode data connection could not be
    // made (PORT or EPRT refused, or no connection back in time).
    bool LastFailedInActiveMode() const { return m_activeModeFailed; }
    bool IsPassive() const { return m_options.passive; }
    // Passive mode for every later request. The control connection may be gone after a failed
    // connection back; the next request may then log in once more.
    void SwitchToPassive();
    FtpScheme Scheme() const { return m_scheme; }

    // Any thread: ends the request under way at once and every later one before it starts.
    void Abort();
    bool IsAborted() const { return m_aborted.load(); }

private:
    CURLcode Perform();
    void NoteFailure(CURLcode result);
    bool SetUpScheme(const FtpAddress& address);
    FtpOutcome Outcome(CURLcode result) const;
    bool SetBodyless(const std::string& url);
    std::string FolderUrl() const;
    // A name in the current folder as a path from the login folder (SFTP's quote commands).
    std::string RemotePath(const std::string& name) const;
    FtpOutcome Store(const std::string& remoteName, curl_read_callback readFunction, void* source,
                     std::int64_t size);
    FtpOutcome RunQuote(const std::string& command);
    // One command after curl has made the current folder the server's: a name below it means the
    // same wherever the previous request left the server.
    FtpOutcome RunInCurrentFolder(const std::string& command);
    // SFTP: a quote command on a path from the login folder, the path in quotes and escaped.
    FtpOutcome RunSftpCommand(const std::string& command, const std::string& name);
    FtpOutcome RunQuotes(const std::vector<std::string>& commands, CURLoption when = CURLOPT_QUOTE);

    static std::size_t OnListing(char* data, std::size_t size, std::size_t count, void* self) noexcept;
    static int OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) noexcept;
    static int OnDebug(CURL*, curl_infotype type, char* data, std::size_t size, void* self) noexcept;
    static int OnHostKey(CURL*, const curl_khkey* known, const curl_khkey* found, curl_khmatch match,
                         void* self) noexcept;
    static std::size_t OnRead(char* buffer, std::size_t size, std::size_t count, void* file) noexcept;
    static std::size_t OnReadBytes(char* buffer, std::size_t size, std::size_t count, void* source) noexcept;

    std::atomic<bool> m_aborted{false};
    std::mutex m_handlesMutex;  // guards the handle pointers against Abort on another thread
    CURL* m_easy = nullptr;
    CURLM* m_multi = nullptr;
    curl_slist* m_quote = nullptr;
    SocketTracker m_sockets;
    std::string m_serverUrl;      // "ftp://host:port/", or "sftp://host:port/~/"
    std::string m_currentFolder;  // as typed; empty for the login folder
    FtpConnectOptions m_options;
    FtpTimeouts m_timeouts;
    FtpScheme m_scheme = FtpScheme::Ftp;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
    std::string m_password;    // only to keep it out of failure texts
    std::string m_replyLine;   // the server's reply being received
    std::string m_errorReply;  // its latest error reply (4xx, 5xx) during the current request
    std::string m_hostKeyProblem;
    std::string m_lastFailure;
    bool m_activeModeFailed = false;
    std::string* m_listing = nullptr;               // where a listing or a file read writes
    std::vector<std::string>* m_replies = nullptr;  // where the server's final reply lines go, if anywhere
    std::size_t m_listingLimit = 0;                 // how much it may write; 0 for no limit
};
