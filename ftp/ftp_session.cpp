#include "ftp/ftp_session.h"

#include <poll.h>
#include <sys/select.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "ftp/ftps_options.h"
#include "ftp/local_file.h"
#include "ftp/remote_listing.h"

namespace {

constexpr const char* kAgent = "Galvane-FTPClient";
constexpr long kUploadBufferSize = 512 * 1024;
// How long an active-mode data connection is waited for before passive mode takes over.
constexpr long kAcceptTimeoutMs = 5000;
// SFTP: an overall limit on each request, far beyond any real one (stalls are caught by the low-speed
// limit), and below INT_MAX ms, which some libcurl versions clamp to. Without any limit this libcurl
// waits for the answer to closing a file by polling its socket with a timeout of zero: a busy loop
// for a round trip after every file (about a minute of processor time in the first two minutes of
// an upload of 2,432 files over a 40 ms link), taken from sshd and everything else on the machine.
constexpr long kSftpRequestLimitMs = 20L * 24 * 3600 * 1000;

std::size_t Discard(char*, std::size_t size, std::size_t count, void*) noexcept {
    return size * count;
}

std::string DefaultKnownHosts() {
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) + "/.ssh/known_hosts" : std::string();
}

// The longest wait between two calls into curl while it names nothing to wait on.
constexpr long kLongestBlindWaitMs = 1000;

// Readable, hung up or no longer open: anything that would end a wait on it at once.
bool WouldWakeAtOnce(curl_socket_t socket) {
    pollfd entry{socket, POLLIN, 0};
    return ::poll(&entry, 1, 0) != 0;
}

// Whether curl has any socket of its own to be woken by.
bool CurlWaitsOnSockets(CURLM* multi) {
    fd_set reading;
    fd_set writing;
    fd_set failing;
    FD_ZERO(&reading);
    FD_ZERO(&writing);
    FD_ZERO(&failing);
    int highest = -1;
    return curl_multi_fdset(multi, &reading, &writing, &failing, &highest) == CURLM_OK && highest >= 0;
}

bool GlobalInit() {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return initialised;
}

}  // namespace

FtpSession::FtpSession() {
    GlobalInit();
}

FtpSession::~FtpSession() {
    Close();
}

bool FtpSession::Open(const FtpTimeouts& timeouts, FtpConnectOptions options) {
    Close();
    m_options = std::move(options);
    m_timeouts = timeouts;
    m_lastFailure.clear();
    m_activeModeFailed = false;
    CURL* easy = GlobalInit() ? curl_easy_init() : nullptr;
    CURLM* multi = easy ? curl_multi_init() : nullptr;
    if (!multi) {
        curl_easy_cleanup(easy);
        return false;
    }
    const long stall = static_cast<long>(timeouts.stall.count());
    bool ok = true;
    const auto set = [&](CURLoption option, auto value) {
        ok = ok && curl_easy_setopt(easy, option, value) == CURLE_OK;
    };
    set(CURLOPT_PROTOCOLS_STR, "ftp");
    set(CURLOPT_USERAGENT, kAgent);
    // Active mode, on the address of the control connection, unless passive mode was asked for.
    set(CURLOPT_FTPPORT, m_options.passive ? nullptr : "-");
    set(CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    set(CURLOPT_PATH_AS_IS, 1L);  // a folder named ".." must reach the server as typed
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_QUICK_EXIT, 1L);  // an abort must not wait for a name lookup to finish
    set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts.connect.count() * 1000));
    set(CURLOPT_SERVER_RESPONSE_TIMEOUT, stall);
    set(CURLOPT_ACCEPTTIMEOUT_MS, std::min(stall * 1000, kAcceptTimeoutMs));
    set(CURLOPT_LOW_SPEED_LIMIT, 1L);
    set(CURLOPT_LOW_SPEED_TIME, stall);
    set(CURLOPT_UPLOAD_BUFFERSIZE, kUploadBufferSize);
    set(CURLOPT_NOPROGRESS, 0L);
    set(CURLOPT_XFERINFOFUNCTION, &FtpSession::OnProgress);
    set(CURLOPT_XFERINFODATA, this);
    set(CURLOPT_READFUNCTION, &FtpSession::OnRead);
    set(CURLOPT_WRITEFUNCTION, &Discard);
    set(CURLOPT_ERRORBUFFER, m_errorBuffer);
    // The debug channel carries the server's replies, so that a refusal can be shown as it was said.
    set(CURLOPT_DEBUGFUNCTION, &FtpSession::OnDebug);
    set(CURLOPT_DEBUGDATA, this);
    set(CURLOPT_VERBOSE, 1L);
    if (!ok) {
        curl_multi_cleanup(multi);
        curl_easy_cleanup(easy);
        return false;
    }
    m_sockets.Install(easy);
    m_sockets.AllowNewConnections();
    std::lock_guard lock(m_handlesMutex);
    m_easy = easy;
    m_multi = multi;
    return true;
}

ConnectOutcome FtpSession::Connect(const FtpAddress& address, const std::string& login,
                                   const std::string& password) {
    m_serverUrl = ServerUrl(address);
    m_currentFolder.clear();
    m_password = password;
    if (!SetUpScheme(address) || curl_easy_setopt(m_easy, CURLOPT_USERNAME, login.c_str()) != CURLE_OK ||
        curl_easy_setopt(m_easy, CURLOPT_PASSWORD, password.c_str()) != CURLE_OK ||
        !SetBodyless(m_serverUrl)) {
        return ConnectOutcome::NotCreated;
    }
    // A body-less request for the login folder: connect, USER, PASS, PWD, and nothing more.
    const CURLcode result = Perform();
    if (result == CURLE_OK) {
        m_sockets.RefuseNewConnections();
        return ConnectOutcome::Connected;
    }
    if (m_aborted) {
        return ConnectOutcome::Aborted;
    }
    const bool unusableAddress = result == CURLE_URL_MALFORMAT || result == CURLE_UNSUPPORTED_PROTOCOL;
    return unusableAddress ? ConnectOutcome::NotCreated : ConnectOutcome::Failed;
}

bool FtpSession::SetUpScheme(const FtpAddress& address) {
    m_scheme = address.scheme;
    bool ok = true;
    const auto set = [&](CURLoption option, auto value) {
        ok = ok && curl_easy_setopt(m_easy, option, value) == CURLE_OK;
    };
    if (address.scheme == FtpScheme::Sftp) {
        m_serverUrl += "~/";  // paths from the login folder, as over FTP
        if (m_options.knownHosts.empty()) {
            m_options.knownHosts = DefaultKnownHosts();
        }
        const auto slash = m_options.knownHosts.rfind('/');
        if (slash != std::string::npos && slash > 0) {
            ::mkdir(m_options.knownHosts.substr(0, slash).c_str(), 0700);  // for a key to be added
        }
        set(CURLOPT_PROTOCOLS_STR, "sftp");
        set(CURLOPT_SSH_AUTH_TYPES, static_cast<long>(CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD));
        set(CURLOPT_SSH_KNOWNHOSTS, m_options.knownHosts.c_str());
        set(CURLOPT_SSH_KEYFUNCTION, &FtpSession::OnHostKey);
        set(CURLOPT_SSH_KEYDATA, this);
        set(CURLOPT_TIMEOUT_MS, kSftpRequestLimitMs);
        return ok;
    }
    set(CURLOPT_PROTOCOLS_STR, "ftp");
    if (address.scheme == FtpScheme::Ftps) {
        // Passive mode from the start: no router can open the way back for a PORT command it cannot
        // read inside TLS, and this libcurl cannot secure a data connection that it accepts.
        m_options.passive = true;
        set(CURLOPT_FTPPORT, static_cast<const char*>(nullptr));
        ok = ok && SetFtpsOptions(m_easy, m_options.caFile);
    }
    return ok;
}

FtpOutcome FtpSession::ChangeDirectory(const std::string& folder) {
    if (folder.empty() || HasControlCharacters(folder) ||
        !SetBodyless(m_serverUrl + EncodeUrlPath(folder) + "/")) {
        return FtpOutcome::Refused;
    }
    if (m_scheme == FtpScheme::Sftp) {
        // No folder to change to: its attributes show that it is there, with one request and
        // without reading what it holds (a body-less request for a folder reads nothing).
        curl_easy_setopt(m_easy, CURLOPT_FILETIME, 1L);
    }
    FtpOutcome outcome = Outcome(Perform());
    if (m_scheme == FtpScheme::Sftp) {
        curl_easy_setopt(m_easy, CURLOPT_FILETIME, 0L);
        curl_off_t time = -1;
        if (outcome == FtpOutcome::Done &&
            (curl_easy_getinfo(m_easy, CURLINFO_FILETIME_T, &time) != CURLE_OK || time < 0)) {
            outcome = FtpOutcome::Refused;
        }
    }
    if (outcome == FtpOutcome::Done) {
        m_currentFolder = folder;
    }
    return outcome;
}

FtpOutcome FtpSession::MakeDirectory(const std::string& folder) {
    if (HasControlCharacters(folder)) {
        return FtpOutcome::Refused;
    }
    // QUOTE commands go before curl's own folder change, so MKD runs where the last request left the
    // server; the '*' lets curl carry on when the server refuses. SFTP names the folder from the
    // login folder, in quotes for the names with spaces.
    const std::string command =
        m_scheme == FtpScheme::Sftp ? "*mkdir \"" + RemotePath(folder) + "\"" : "*MKD " + folder;
    if (m_scheme == FtpScheme::Sftp && command.find('"', 8) != command.size() - 1) {
        return FtpOutcome::Refused;
    }
    return RunQuote(command);
}

FtpOutcome FtpSession::PutFile(const std::string& localPath, const std::string& remoteName) {
    LocalFile file;
    if (m_aborted) {
        return FtpOutcome::Aborted;
    }
    if (remoteName.empty() || HasControlCharacters(remoteName) || !file.Open(localPath)) {
        return FtpOutcome::Refused;
    }
    return Store(remoteName, &FtpSession::OnRead, &file, file.Size());
}

FtpOutcome FtpSession::Store(const std::string& remoteName, curl_read_callback readFunction, void* source,
                             std::int64_t size) {
    const std::string url = FolderUrl() + EncodeUrlPath(remoteName);
    if (curl_easy_setopt(m_easy, CURLOPT_URL, url.c_str()) != CURLE_OK ||
        curl_easy_setopt(m_easy, CURLOPT_NOBODY, 0L) != CURLE_OK ||
        curl_easy_setopt(m_easy, CURLOPT_UPLOAD, 1L) != CURLE_OK ||
        curl_easy_setopt(m_easy, CURLOPT_READFUNCTION, readFunction) != CURLE_OK ||
        curl_easy_setopt(m_easy, CURLOPT_READDATA, source) != CURLE_OK ||
        curl_easy_setopt(m_easy, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size)) != CURLE_OK) {
        return FtpOutcome::Refused;
    }
    const FtpOutcome outcome = Outcome(Perform());
    curl_easy_setopt(m_easy, CURLOPT_READFUNCTION, &FtpSession::OnRead);
    curl_easy_setopt(m_easy, CURLOPT_READDATA, nullptr);
    return outcome;
}

FtpOutcome FtpSession::ListFolder(std::string& listing, bool& machineReadable, const std::string& below) {
    listing.clear();
    machineReadable = m_scheme != FtpScheme::Sftp;
    if (HasControlCharacters(below) ||
        !SetBodyless(below.empty() ? FolderUrl() : FolderUrl() + EncodeUrlPath(below) + "/") ||
        curl_easy_setopt(m_easy, CURLOPT_NOBODY, 0L) != CURLE_OK) {
        return FtpOutcome::Refused;
    }
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &FtpSession::OnListing);
    curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, this);
    m_listing = &listing;
    if (machineReadable) {
        curl_easy_setopt(m_easy, CURLOPT_CUSTOMREQUEST, "MLSD");
    }
    FtpOutcome outcome = Outcome(Perform());
    curl_easy_setopt(m_easy, CURLOPT_CUSTOMREQUEST, nullptr);
    if (machineReadable && outcome == FtpOutcome::Refused && !m_activeModeFailed) {
        listing.clear();
        machineReadable = false;
        outcome = Outcome(Perform());
    }
    m_listing = nullptr;
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &Discard);
    curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, nullptr);
    return outcome;
}

void FtpSession::Close() {
    if (m_aborted) {
        m_sockets.ShutdownAll();  // no polite QUIT to a server that may never answer it
    }
    CURL* easy = nullptr;
    CURLM* multi = nullptr;
    {
        std::lock_guard lock(m_handlesMutex);
        easy = std::exchange(m_easy, nullptr);
        multi = std::exchange(m_multi, nullptr);
    }
    // The multi handle keeps the connection: cleaning it up sends QUIT and closes the socket.
    curl_easy_cleanup(easy);
    curl_multi_cleanup(multi);
    curl_slist_free_all(std::exchange(m_quote, nullptr));
    m_currentFolder.clear();
}

void FtpSession::SwitchToPassive() {
    m_options.passive = true;
    if (m_easy) {
        curl_easy_setopt(m_easy, CURLOPT_FTPPORT, nullptr);
    }
    if (!m_sockets.HasControlConnection()) {
        m_sockets.AllowNewConnections();
    }
}

void FtpSession::Abort() {
    m_aborted = true;
    m_sockets.ShutdownAll();
    std::lock_guard lock(m_handlesMutex);
    if (m_multi) {
        curl_multi_wakeup(m_multi);
    }
}

CURLcode FtpSession::Perform() {
    if (m_aborted) {
        return CURLE_ABORTED_BY_CALLBACK;
    }
    if (!m_easy || !m_multi) {
        return CURLE_FAILED_INIT;
    }
    m_errorBuffer[0] = '\0';
    m_replyLine.clear();
    m_errorReply.clear();
    m_hostKeyProblem.clear();
    m_lastFailure.clear();
    m_activeModeFailed = false;
    if (curl_multi_add_handle(m_multi, m_easy) != CURLM_OK) {
        return CURLE_FAILED_INIT;
    }
    // Between the server's PASV reply and the data connection's TLS handshake this libcurl asks to be
    // woken by the data socket alone, or by nothing: a reply still due on the control connection
    // (to TYPE, say) then waits for a timer of curl's, 200 ms to 1 s for every file over FTPS, while
    // the server holds back the data connection until it has that reply read. So the control socket
    // wakes the loop too, for as long as curl reads what arrives on it, and a curl that names nothing
    // to wait on is called again at once, then backing off towards the usual wait.
    curl_socket_t control = m_scheme == FtpScheme::Sftp ? CURL_SOCKET_BAD : m_sockets.ControlSocket();
    long blindWaitMs = 0;
    CURLcode result = CURLE_ABORTED_BY_CALLBACK;
    for (bool finished = false; !finished && !m_aborted;) {
        int running = 0;
        if (curl_multi_perform(m_multi, &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        int queued = 0;
        while (const CURLMsg* message = curl_multi_info_read(m_multi, &queued)) {
            if (message->msg == CURLMSG_DONE) {
                result = message->data.result;
                finished = true;
            }
        }
        if (finished) {
            break;
        }
        if (control != CURL_SOCKET_BAD && WouldWakeAtOnce(control)) {
            control = CURL_SOCKET_BAD;  // curl leaves it as it is for now: waking on it would spin
        }
        long waitMs = kLongestBlindWaitMs;
        if (CurlWaitsOnSockets(m_multi)) {
            blindWaitMs = 0;
        } else {
            waitMs = blindWaitMs;
            blindWaitMs = std::clamp(blindWaitMs * 2, 1L, kLongestBlindWaitMs);
        }
        curl_waitfd extra{control, CURL_WAIT_POLLIN, 0};
        const unsigned extraCount = control != CURL_SOCKET_BAD ? 1 : 0;
        curl_multi_poll(m_multi, extraCount ? &extra : nullptr, extraCount, static_cast<int>(waitMs),
                        nullptr);
    }
    // Taking out a handle that has not finished drops its connection without a QUIT.
    curl_multi_remove_handle(m_multi, m_easy);
    if (m_aborted) {
        return CURLE_ABORTED_BY_CALLBACK;
    }
    if (result == CURLE_OK) {
        m_sockets.RefuseNewConnections();  // again after a second login on switching to passive
    } else {
        NoteFailure(result);
    }
    return result;
}

void FtpSession::NoteFailure(CURLcode result) {
    FailureFacts facts{result, m_errorBuffer, m_errorReply, m_hostKeyProblem,
                       !m_sockets.HasControlConnection()};
    m_lastFailure = DescribeFailure(facts, m_password);
    m_activeModeFailed = !m_options.passive && m_scheme != FtpScheme::Sftp &&
                         (result == CURLE_FTP_PORT_FAILED || result == CURLE_FTP_ACCEPT_FAILED ||
                          result == CURLE_FTP_ACCEPT_TIMEOUT);
}

FtpOutcome FtpSession::Outcome(CURLcode result) const {
    if (m_aborted) {
        return FtpOutcome::Aborted;
    }
    if (result == CURLE_OK) {
        return FtpOutcome::Done;
    }
    // Curl closes the control connection itself after errors that leave it in doubt (timeouts, lost
    // connections); after a plain refusal (550, 553) it keeps it. A transfer broken off on the data
    // connection (or answered with a passing 4xx such as 426) counts as lost too: the login is made
    // again and the file sent anew.
    if (!m_sockets.HasControlConnection()) {
        return FtpOutcome::ConnectionLost;
    }
    switch (result) {
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_PARTIAL_FILE:
            return FtpOutcome::ConnectionLost;
        case CURLE_UPLOAD_FAILED:
            return !m_errorReply.empty() && m_errorReply[0] == '4' ? FtpOutcome::ConnectionLost
                                                                   : FtpOutcome::Refused;
        default:
            return FtpOutcome::Refused;
    }
}

bool FtpSession::SetBodyless(const std::string& url) {
    return curl_easy_setopt(m_easy, CURLOPT_URL, url.c_str()) == CURLE_OK &&
           curl_easy_setopt(m_easy, CURLOPT_UPLOAD, 0L) == CURLE_OK &&
           curl_easy_setopt(m_easy, CURLOPT_NOBODY, 1L) == CURLE_OK;
}

// The URL of the current folder. Curl compares it with the folder of its previous request and sends
// no CWD when they match, which is what keeps the folder for every file.
std::string FtpSession::RemotePath(const std::string& name) const {
    return m_currentFolder.empty() ? name : m_currentFolder + "/" + name;
}

std::string FtpSession::FolderUrl() const {
    return m_currentFolder.empty() ? m_serverUrl : m_serverUrl + EncodeUrlPath(m_currentFolder) + "/";
}

std::size_t FtpSession::OnListing(char* data, std::size_t size, std::size_t count, void* self) noexcept {
    auto& session = *static_cast<FtpSession*>(self);
    try {
        if (session.m_listing) {
            if (session.m_listingLimit > 0 &&
                session.m_listing->size() + size * count > session.m_listingLimit) {
                return 0;  // more than was asked for: the request fails
            }
            session.m_listing->append(data, size * count);
        }
    } catch (...) {
        return 0;
    }
    return size * count;
}

int FtpSession::OnDebug(CURL*, curl_infotype type, char* data, std::size_t size, void* self) noexcept {
    auto& session = *static_cast<FtpSession*>(self);
    if (type != CURLINFO_HEADER_IN) {
        return 0;
    }
    try {
        for (std::size_t i = 0; i < size; ++i) {
            const char c = data[i];
            if (c != '\n') {
                if (c != '\r' && session.m_replyLine.size() < 512) {
                    session.m_replyLine += c;
                }
                continue;
            }
            const std::string& line = session.m_replyLine;
            if (line.size() >= 4 && (line[0] == '4' || line[0] == '5') && line[3] == ' ') {
                session.m_errorReply = line;
            }
            if (session.m_replies && line.size() >= 4 && line[0] >= '1' && line[0] <= '5' && line[3] == ' ') {
                session.m_replies->push_back(line);
            }
            session.m_replyLine.clear();
        }
    } catch (...) {
    }
    return 0;
}

int FtpSession::OnHostKey(CURL*, const curl_khkey*, const curl_khkey* found, curl_khmatch match,
                          void* self) noexcept {
    auto& session = *static_cast<FtpSession*>(self);
    try {
        if (match == CURLKHMATCH_OK) {
            return CURLKHSTAT_FINE;
        }
        if (match == CURLKHMATCH_MISMATCH) {
            session.m_hostKeyProblem = "the server's host key has changed since it was added to " +
                                       session.m_options.knownHosts +
                                       ": the server may not be who it claims to be";
            return CURLKHSTAT_REJECT;
        }
        const std::size_t size = found->len ? found->len : std::strlen(found->key);
        const std::string fingerprint =
            Sha256Fingerprint(reinterpret_cast<const unsigned char*>(found->key), size);
        if (session.m_options.trustNewHostKey && !session.m_aborted &&
            session.m_options.trustNewHostKey(fingerprint)) {
            return CURLKHSTAT_FINE_ADD_TO_FILE;
        }
        session.m_hostKeyProblem = "the server's host key " + fingerprint + " is not trusted";
    } catch (...) {
    }
    return CURLKHSTAT_REJECT;
}

int FtpSession::OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) noexcept {
    return static_cast<FtpSession*>(self)->m_aborted ? 1 : 0;
}

std::size_t FtpSession::OnRead(char* buffer, std::size_t size, std::size_t count, void* file) noexcept {
    const std::ptrdiff_t read = static_cast<LocalFile*>(file)->Read(buffer, size * count);
    return read < 0 ? CURL_READFUNC_ABORT : static_cast<std::size_t>(read);
}
