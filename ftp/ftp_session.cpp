#include "ftp/ftp_session.h"

#include <utility>

#include "ftp/local_file.h"

namespace {

constexpr const char* kAgent = "Galvane-FTPClient";
constexpr long kUploadBufferSize = 512 * 1024;

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

bool FtpSession::Open(const FtpTimeouts& timeouts) {
    Close();
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
    set(CURLOPT_FTPPORT, "-");  // active mode, on the address of the control connection
    set(CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    set(CURLOPT_PATH_AS_IS, 1L);  // a folder named ".." must reach the server as typed
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_QUICK_EXIT, 1L);  // an abort must not wait for a name lookup to finish
    set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts.connect.count() * 1000));
    set(CURLOPT_SERVER_RESPONSE_TIMEOUT, stall);
    set(CURLOPT_ACCEPTTIMEOUT_MS, stall * 1000);
    set(CURLOPT_LOW_SPEED_LIMIT, 1L);
    set(CURLOPT_LOW_SPEED_TIME, stall);
    set(CURLOPT_UPLOAD_BUFFERSIZE, kUploadBufferSize);
    set(CURLOPT_NOPROGRESS, 0L);
    set(CURLOPT_XFERINFOFUNCTION, &FtpSession::OnProgress);
    set(CURLOPT_XFERINFODATA, this);
    set(CURLOPT_READFUNCTION, &FtpSession::OnRead);
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
    if (curl_easy_setopt(m_easy, CURLOPT_USERNAME, login.c_str()) != CURLE_OK ||
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

FtpOutcome FtpSession::ChangeDirectory(const std::string& folder) {
    if (folder.empty() || HasControlCharacters(folder) ||
        !SetBodyless(m_serverUrl + EncodeUrlPath(folder) + "/")) {
        return FtpOutcome::Refused;
    }
    const FtpOutcome outcome = Outcome(Perform());
    if (outcome == FtpOutcome::Done) {
        m_currentFolder = folder;
    }
    return outcome;
}

FtpOutcome FtpSession::MakeDirectory(const std::string& folder) {
    if (HasControlCharacters(folder) || !SetBodyless(FolderUrl())) {
        return FtpOutcome::Refused;
    }
    // QUOTE commands go before curl's own folder change, so MKD runs where the last request left the
    // server; the '*' lets curl carry on when the server refuses.
    curl_slist* quote = curl_slist_append(nullptr, ("*MKD " + folder).c_str());
    if (!quote) {
        return FtpOutcome::Refused;
    }
    m_quote = quote;
    curl_easy_setopt(m_easy, CURLOPT_QUOTE, m_quote);
    const FtpOutcome outcome = Outcome(Perform());
    curl_easy_setopt(m_easy, CURLOPT_QUOTE, nullptr);
    curl_slist_free_all(std::exchange(m_quote, nullptr));
    return outcome;
}

FtpOutcome FtpSession::PutFile(const std::string& localPath, const std::string& remoteName) {
    LocalFile file;
    if (m_aborted) {
        return FtpOutcome::Aborted;
    }
    if (remoteName.empty() || HasControlCharacters(remoteName) || !file.Open(localPath)) {
        return FtpOutcome::Refused;
    }
    const std::string url = FolderUrl() + EncodeUrlPath(remoteName);
    if (curl_easy_setopt(m_easy, CURLOPT_URL, url.c_str()) != CURLE_OK ||
        curl_easy_setopt(m_easy, CURLOPT_NOBODY, 0L) != CURLE_OK ||
        curl_easy_setopt(m_easy, CURLOPT_UPLOAD, 1L) != CURLE_OK ||
        curl_easy_setopt(m_easy, CURLOPT_READDATA, &file) != CURLE_OK ||
        curl_easy_setopt(m_easy, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(file.Size())) !=
            CURLE_OK) {
        return FtpOutcome::Refused;
    }
    const FtpOutcome outcome = Outcome(Perform());
    curl_easy_setopt(m_easy, CURLOPT_READDATA, nullptr);
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
    if (curl_multi_add_handle(m_multi, m_easy) != CURLM_OK) {
        return CURLE_FAILED_INIT;
    }
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
        if (!finished) {
            curl_multi_poll(m_multi, nullptr, 0, 1000, nullptr);
        }
    }
    // Taking out a handle that has not finished drops its connection without a QUIT.
    curl_multi_remove_handle(m_multi, m_easy);
    return m_aborted ? CURLE_ABORTED_BY_CALLBACK : result;
}

FtpOutcome FtpSession::Outcome(CURLcode result) const {
    if (m_aborted) {
        return FtpOutcome::Aborted;
    }
    if (result == CURLE_OK) {
        return FtpOutcome::Done;
    }
    // Curl closes the control connection itself after errors that leave it in doubt (timeouts, lost
    // connections); after a plain refusal (550, 553) it keeps it.
    return m_sockets.HasControlConnection() ? FtpOutcome::Refused : FtpOutcome::ConnectionLost;
}

bool FtpSession::SetBodyless(const std::string& url) {
    return curl_easy_setopt(m_easy, CURLOPT_URL, url.c_str()) == CURLE_OK &&
           curl_easy_setopt(m_easy, CURLOPT_UPLOAD, 0L) == CURLE_OK &&
           curl_easy_setopt(m_easy, CURLOPT_NOBODY, 1L) == CURLE_OK;
}

// The URL of the current folder. Curl compares it with the folder of its previous request and sends
// no CWD when they match, which is what keeps the folder for every file.
std::string FtpSession::FolderUrl() const {
    return m_currentFolder.empty() ? m_serverUrl : m_serverUrl + EncodeUrlPath(m_currentFolder) + "/";
}

int FtpSession::OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) noexcept {
    return static_cast<FtpSession*>(self)->m_aborted ? 1 : 0;
}

std::size_t FtpSession::OnRead(char* buffer, std::size_t size, std::size_t count, void* file) noexcept {
    const std::ptrdiff_t read = static_cast<LocalFile*>(file)->Read(buffer, size * count);
    return read < 0 ? CURL_READFUNC_ABORT : static_cast<std::size_t>(read);
}
