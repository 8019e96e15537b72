// The requests about single files beside sending one from disk: reading one into memory, sending
// bytes from memory, deleting one, and reading one's attributes.
#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "ftp/ftp_session.h"
#include "ftp/remote_listing.h"

namespace {

// Bytes being sent from memory.
struct ByteSource {
    std::string_view bytes;
    std::size_t offset = 0;
};

std::size_t DiscardBody(char*, std::size_t size, std::size_t count, void*) noexcept {
    return size * count;
}

}  // namespace

FtpOutcome FtpSession::ReadFile(const std::string& remoteName, std::string& content, std::size_t limit) {
    content.clear();
    if (m_aborted) {
        return FtpOutcome::Aborted;
    }
    if (remoteName.empty() || HasControlCharacters(remoteName) ||
        !SetBodyless(FolderUrl() + EncodeUrlPath(remoteName)) ||
        curl_easy_setopt(m_easy, CURLOPT_NOBODY, 0L) != CURLE_OK) {
        return FtpOutcome::Refused;
    }
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &FtpSession::OnListing);
    curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, this);
    // No SIZE before RETR: one round trip less, and a missing file shows at RETR just the same.
    curl_easy_setopt(m_easy, CURLOPT_IGNORE_CONTENT_LENGTH, 1L);
    m_listing = &content;
    m_listingLimit = limit;
    const FtpOutcome outcome = Outcome(Perform());
    curl_easy_setopt(m_easy, CURLOPT_IGNORE_CONTENT_LENGTH, 0L);
    m_listing = nullptr;
    m_listingLimit = 0;
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &DiscardBody);
    curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, nullptr);
    if (outcome != FtpOutcome::Done) {
        content.clear();
    }
    return outcome;
}

FtpOutcome FtpSession::PutBytes(const std::string& bytes, const std::string& remoteName) {
    if (m_aborted) {
        return FtpOutcome::Aborted;
    }
    if (remoteName.empty() || HasControlCharacters(remoteName)) {
        return FtpOutcome::Refused;
    }
    ByteSource source{bytes};
    return Store(remoteName, &FtpSession::OnReadBytes, &source, static_cast<std::int64_t>(bytes.size()));
}

FtpOutcome FtpSession::DeleteFile(const std::string& remoteName) {
    if (m_aborted) {
        return FtpOutcome::Aborted;
    }
    if (remoteName.empty() || HasControlCharacters(remoteName)) {
        return FtpOutcome::Refused;
    }
    if (m_scheme == FtpScheme::Sftp) {
        return RunSftpCommand("rm", remoteName);
    }
    return RunInCurrentFolder("DELE " + remoteName);
}

// One command on a body-less request for the current folder, which sends no CWD.
FtpOutcome FtpSession::RunQuote(const std::string& command) {
    return RunQuotes({command});
}

// Commands one after another on one body-less request: one round trip each, nothing more. As
// CURLOPT_QUOTE they go before curl changes folder, as CURLOPT_POSTQUOTE after it.
FtpOutcome FtpSession::RunQuotes(const std::vector<std::string>& commands, CURLoption when) {
    if (!SetBodyless(FolderUrl())) {
        return FtpOutcome::Refused;
    }
    curl_slist* quote = nullptr;
    for (const std::string& command : commands) {
        curl_slist* longer = curl_slist_append(quote, command.c_str());
        if (!longer) {
            curl_slist_free_all(quote);
            return FtpOutcome::Refused;
        }
        quote = longer;
    }
    m_quote = quote;
    curl_easy_setopt(m_easy, when, m_quote);
    const FtpOutcome outcome = Outcome(Perform());
    curl_easy_setopt(m_easy, when, nullptr);
    curl_slist_free_all(std::exchange(m_quote, nullptr));
    return outcome;
}

FtpOutcome FtpSession::StatFile(const std::string& remoteName, std::int64_t& size, std::time_t& modified) {
    size = 0;
    modified = 0;
    if (m_aborted) {
        return FtpOutcome::Aborted;
    }
    if (remoteName.empty() || HasControlCharacters(remoteName) ||
        !SetBodyless(FolderUrl() + EncodeUrlPath(remoteName))) {
        return FtpOutcome::Refused;
    }
    curl_easy_setopt(m_easy, CURLOPT_FILETIME, 1L);
    const FtpOutcome outcome = Outcome(Perform());
    curl_easy_setopt(m_easy, CURLOPT_FILETIME, 0L);
    if (outcome != FtpOutcome::Done) {
        return outcome;
    }
    curl_off_t time = -1;
    curl_off_t length = -1;
    if (curl_easy_getinfo(m_easy, CURLINFO_FILETIME_T, &time) != CURLE_OK || time < 0 ||
        curl_easy_getinfo(m_easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK || length < 0) {
        return FtpOutcome::Refused;
    }
    size = static_cast<std::int64_t>(length);
    modified = static_cast<std::time_t>(time);
    return FtpOutcome::Done;
}

std::size_t FtpSession::OnReadBytes(char* buffer, std::size_t size, std::size_t count, void* data) noexcept {
    auto& source = *static_cast<ByteSource*>(data);
    const std::size_t length = std::min(size * count, source.bytes.size() - source.offset);
    std::memcpy(buffer, source.bytes.data() + source.offset, length);
    source.offset += length;
    return length;
}

FtpOutcome FtpSession::ReadModifiedTimes(const std::vector<std::string>& remoteNames,
                                         std::map<std::string, std::pair<std::int64_t, std::time_t>>& found) {
    found.clear();
    if (m_aborted) {
        return FtpOutcome::Aborted;
    }
    if (m_scheme == FtpScheme::Sftp) {
        for (const std::string& name : remoteNames) {
            std::int64_t size = 0;
            std::time_t modified = 0;
            const FtpOutcome outcome = StatFile(name, size, modified);
            if (outcome == FtpOutcome::ConnectionLost || outcome == FtpOutcome::Aborted) {
                return outcome;
            }
            if (outcome == FtpOutcome::Done) {
                found[name] = {size, modified};
            }
        }
        return FtpOutcome::Done;
    }
    // '*': a file the server has no time for (550) does not end the request. Each command gets one
    // final reply, the last ones of the request, in order. After curl has changed folder, so that a
    // path below the uploaded folder means the same wherever the last request left the server.
    std::vector<std::string> asked;
    std::vector<std::string> commands;
    for (const std::string& name : remoteNames) {
        if (!name.empty() && !HasControlCharacters(name)) {
            asked.push_back(name);
            commands.push_back("*MDTM " + name);
        }
    }
    if (commands.empty()) {
        return FtpOutcome::Done;
    }
    std::vector<std::string> replies;
    m_replies = &replies;
    const FtpOutcome outcome = RunQuotes(commands, CURLOPT_POSTQUOTE);
    m_replies = nullptr;
    if (outcome != FtpOutcome::Done || replies.size() < asked.size()) {
        return outcome == FtpOutcome::Done ? FtpOutcome::Refused : outcome;
    }
    const std::size_t first = replies.size() - asked.size();
    for (std::size_t i = 0; i < asked.size(); ++i) {
        const std::string& reply = replies[first + i];
        std::time_t modified = 0;
        if (reply.compare(0, 4, "213 ") == 0 && ParseFtpTime(std::string_view(reply).substr(4), modified)) {
            found[asked[i]] = {-1, modified};
        }
    }
    return FtpOutcome::Done;
}
