#include "ftp/pipelined_times.h"

#include <poll.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <string_view>

#include "ftp/ftps_options.h"
#include "ftp/remote_listing.h"

namespace {

// Commands on the way before their replies: enough for a whole batch in a few round trips, few
// enough that no server's input buffer overflows.
constexpr std::size_t kWindow = 256;
// The longest wait on the socket between two looks at the abort and the silence.
constexpr std::chrono::milliseconds kLongestWait{100};

int OnProgress(void* setup, curl_off_t, curl_off_t, curl_off_t, curl_off_t) noexcept {
    const auto& aborted = static_cast<PipelinedTimesSetup*>(setup)->aborted;
    return aborted && aborted() ? 1 : 0;
}

// "a/b" and "c" as "a/b/c", with one '/' between them whatever they end or start with.
std::string JoinFolders(std::string head, std::string_view tail) {
    while (!tail.empty() && tail.front() == '/') {
        tail.remove_prefix(1);
    }
    if (tail.empty()) {
        return head;
    }
    if (head.empty() || head.back() != '/') {
        head += '/';
    }
    return head.append(tail);
}

}  // namespace

bool TakeFtpReply(std::string& text, int& code, std::string& lastLine, bool& malformed) {
    malformed = false;
    const auto isCode = [](std::string_view line) {
        return line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[0])) &&
               std::isdigit(static_cast<unsigned char>(line[1])) &&
               std::isdigit(static_cast<unsigned char>(line[2])) && (line[3] == ' ' || line[3] == '-');
    };
    std::size_t start = 0;
    std::string first;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            return false;
        }
        std::string_view line(text.data() + start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (start == 0) {
            if (!isCode(line)) {
                malformed = true;
                return false;
            }
            first = std::string(line.substr(0, 3));
        }
        // A single line, or the line that closes a multi-line reply with the same code.
        const bool closing = line.size() >= 4 && line.substr(0, 3) == first && line[3] == ' ';
        start = end + 1;
        if (closing) {
            code = std::stoi(first);
            lastLine = std::string(line.substr(4));
            text.erase(0, start);
            return true;
        }
    }
}

PipelinedTimes::PipelinedTimes() = default;

PipelinedTimes::~PipelinedTimes() {
    Close();
}

bool PipelinedTimes::Open(const PipelinedTimesSetup& setup) {
    Close();
    m_setup = setup;
    if (m_setup.address.scheme == FtpScheme::Sftp || !(m_easy = curl_easy_init())) {
        return false;
    }
    const std::string url = ServerUrl(m_setup.address);
    bool ok = true;
    const auto set = [&](CURLoption option, auto value) {
        ok = ok && curl_easy_setopt(m_easy, option, value) == CURLE_OK;
    };
    set(CURLOPT_URL, url.c_str());
    set(CURLOPT_PROTOCOLS_STR, "ftp");
    set(CURLOPT_CONNECT_ONLY, 1L);  // the login, and then the connection is ours
    set(CURLOPT_USERNAME, m_setup.login.c_str());
    set(CURLOPT_PASSWORD, m_setup.password.c_str());
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_QUICK_EXIT, 1L);
    set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_setup.timeouts.connect.count() * 1000));
    set(CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(m_setup.timeouts.stall.count()));
    set(CURLOPT_NOPROGRESS, 0L);
    set(CURLOPT_XFERINFOFUNCTION, &OnProgress);
    set(CURLOPT_XFERINFODATA, &m_setup);
    if (m_setup.address.scheme == FtpScheme::Ftps) {
        ok = ok && SetFtpsOptions(m_easy, m_setup.caFile);  // as the upload's own logins
    }
    char* entry = nullptr;
    if (!ok || curl_easy_perform(m_easy) != CURLE_OK ||
        curl_easy_getinfo(m_easy, CURLINFO_ACTIVESOCKET, &m_socket) != CURLE_OK ||
        m_socket == CURL_SOCKET_BAD ||
        curl_easy_getinfo(m_easy, CURLINFO_FTP_ENTRY_PATH, &entry) != CURLE_OK || !entry || *entry != '/') {
        Close();
        return false;  // without the login folder's full path no folder can be named surely
    }
    m_entryFolder = entry;
    return true;
}

void PipelinedTimes::Close() {
    if (m_easy) {
        curl_easy_cleanup(m_easy);
    }
    m_easy = nullptr;
    m_socket = CURL_SOCKET_BAD;
    m_entryFolder.clear();
}

bool PipelinedTimes::Read(const std::vector<std::string>& names,
                          std::map<std::string, std::pair<std::int64_t, std::time_t>>& found) {
    found.clear();
    if (!m_easy) {
        return false;
    }
    // The files of one folder together, each folder entered by its full path: a folder the server
    // refuses to enter leaves the server where it was, and the replies for that folder's files are
    // then not taken for theirs.
    const std::string top = !m_setup.folder.empty() && m_setup.folder.front() == '/'
                                ? m_setup.folder
                                : JoinFolders(m_entryFolder, m_setup.folder);
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!names[i].empty() && names[i].back() != '/' && !HasControlCharacters(names[i])) {
            order.push_back(i);
        }
    }
    const auto folderOf = [&](std::size_t i) {
        const std::size_t slash = names[i].rfind('/');
        return slash == std::string::npos ? std::string() : names[i].substr(0, slash);
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return folderOf(a) < folderOf(b); });
    std::vector<std::string> commands;
    std::vector<Expected> expected;
    std::string folder;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const std::size_t i = order[k];
        if (k == 0 || folderOf(i) != folder) {
            folder = folderOf(i);
            commands.push_back("CWD " + JoinFolders(top, folder));
            expected.push_back({Expected::ChangeFolder});
        }
        commands.push_back("MDTM " + names[i].substr(folder.empty() ? 0 : folder.size() + 1));
        expected.push_back({Expected::ModifiedTime, i});
    }
    commands.push_back("NOOP");
    expected.push_back({Expected::Closing});
    if (!Exchange(commands, expected, names, found)) {
        found.clear();
        Close();  // whatever is still on the way would be taken for the next command's reply
        return false;
    }
    return true;
}

bool PipelinedTimes::Exchange(const std::vector<std::string>& commands, const std::vector<Expected>& expected,
                              const std::vector<std::string>& names,
                              std::map<std::string, std::pair<std::int64_t, std::time_t>>& found) {
    std::string pending;  // bytes of commands not yet taken by the connection
    std::string replies;  // bytes received, not yet a whole reply
    std::size_t queued = 0;
    std::size_t answered = 0;
    bool inFolder = false;
    auto lastHeard = std::chrono::steady_clock::now();
    while (answered < commands.size()) {
        while (queued < commands.size() && queued - answered < kWindow) {
            pending += commands[queued++] + "\r\n";
        }
        bool progressed = false;
        if (!Send(pending, progressed)) {
            return false;
        }
        const std::size_t before = replies.size();
        if (!Receive(replies, progressed)) {
            return false;
        }
        if (replies.size() > before) {
            lastHeard = std::chrono::steady_clock::now();
        }
        int code = 0;
        std::string text;
        bool malformed = false;
        while (answered < commands.size() && TakeFtpReply(replies, code, text, malformed)) {
            const Expected& now = expected[answered++];
            if (now.kind == Expected::ChangeFolder) {
                if (code != 250 && code != 550) {
                    return false;
                }
                inFolder = code == 250;
            } else if (now.kind == Expected::ModifiedTime) {
                std::time_t modified = 0;
                if (code == 213 && ParseFtpTime(text, modified)) {
                    if (inFolder) {
                        found[names[now.name]] = {-1, modified};
                    }
                } else if (code != 550) {
                    return false;
                }
            } else if (code != 200) {
                return false;
            }
        }
        if (malformed || (m_setup.aborted && m_setup.aborted())) {
            return false;
        }
        if (!progressed) {
            const auto silence = std::chrono::steady_clock::now() - lastHeard;
            if (silence >= m_setup.quiet) {
                return false;
            }
            if (!WaitForSocket(!pending.empty(), kLongestWait)) {
                return false;
            }
        }
    }
    return replies.empty();  // a reply nobody asked for: the pairing cannot be trusted
}

bool PipelinedTimes::Send(std::string& pending, bool& progressed) {
    while (!pending.empty()) {
        std::size_t sent = 0;
        const CURLcode result = curl_easy_send(m_easy, pending.data(), pending.size(), &sent);
        if (result == CURLE_AGAIN) {
            return true;
        }
        if (result != CURLE_OK) {
            return false;
        }
        pending.erase(0, sent);
        progressed = progressed || sent > 0;
    }
    return true;
}

// Everything the connection has for now, including what TLS holds already decrypted.
bool PipelinedTimes::Receive(std::string& replies, bool& progressed) {
    char buffer[16384];
    for (;;) {
        std::size_t received = 0;
        const CURLcode result = curl_easy_recv(m_easy, buffer, sizeof buffer, &received);
        if (result == CURLE_AGAIN) {
            return true;
        }
        if (result != CURLE_OK || received == 0) {
            return false;  // closed, or broken
        }
        replies.append(buffer, received);
        progressed = true;
    }
}

bool PipelinedTimes::WaitForSocket(bool toWrite, std::chrono::milliseconds longest) {
    pollfd entry{m_socket, static_cast<short>(POLLIN | (toWrite ? POLLOUT : 0)), 0};
    return ::poll(&entry, 1, static_cast<int>(longest.count())) >= 0 || errno == EINTR;
}
