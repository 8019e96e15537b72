#pragma once

#include <curl/curl.h>

#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ftp/ftp_address.h"
#include "ftp/ftp_session.h"

// Where a PipelinedTimes login goes, and how it is secured: the same as the upload's own logins.
struct PipelinedTimesSetup {
    FtpAddress address;  // FTP or FTPS
    std::string login;
    std::string password;
    std::string caFile;  // FTPS: the certificate to trust instead of the system's store
    FtpTimeouts timeouts;
    std::string folder;  // the uploaded folder, from the login folder; empty for the login folder
    // How long the replies may keep silent before the server counts as one that mishandles commands
    // sent before the previous one was answered.
    std::chrono::milliseconds quiet{10000};
    std::function<bool()> aborted;  // asked often; true ends everything at once
};

// The modification times of many files of an FTP or FTPS server over one control connection of its
// own, logged in by curl (greeting, AUTH TLS, USER, PASS, PBSZ, PROT, as for any request), then
// written to directly: "CWD folder" for each folder and one "MDTM name" for each of its files, many
// on the way at once, so that a whole batch costs about one round trip instead of one per file.
//
// Replies come in the order of the commands; a command and its reply are paired by position alone,
// so every reply must be one this reader understands: 250 for CWD, 213 with a time or 550 for MDTM,
// and a closing NOOP must be answered 200, so that a reply too many or too few anywhere shows.
// Anything else (a silence, a 500, a dropped line, a lost connection) fails the whole read, and the
// caller reads the times another way.
class PipelinedTimes {
public:
    PipelinedTimes();
    ~PipelinedTimes();
    PipelinedTimes(const PipelinedTimes&) = delete;
    PipelinedTimes& operator=(const PipelinedTimes&) = delete;

    // Connects and logs in. False when no login could be made.
    bool Open(const PipelinedTimesSetup& setup);
    // The times of the named files (paths from the uploaded folder, '/' between folders), size -1.
    // A file answered 550 (gone, or not readable) is left out, and so is a folder the server refuses
    // to enter, with its files. False when the replies could not be trusted: `found` is then empty.
    bool Read(const std::vector<std::string>& names,
              std::map<std::string, std::pair<std::int64_t, std::time_t>>& found);
    // Drops the connection.
    void Close();

private:
    // One command sent, and what its reply means.
    struct Expected {
        enum Kind { ChangeFolder, ModifiedTime, Closing } kind;
        std::size_t name = 0;  // ModifiedTime: the index into the names
    };
    bool Exchange(const std::vector<std::string>& commands, const std::vector<Expected>& expected,
                  const std::vector<std::string>& names,
                  std::map<std::string, std::pair<std::int64_t, std::time_t>>& found);
    bool Receive(std::string& replies, bool& progressed);
    bool Send(std::string& pending, bool& progressed);
    bool WaitForSocket(bool toWrite, std::chrono::milliseconds longest);

    CURL* m_easy = nullptr;
    curl_socket_t m_socket = CURL_SOCKET_BAD;
    std::string m_entryFolder;  // the login folder, as the server named it
    PipelinedTimesSetup m_setup;
};

// The next complete reply at the start of `text` (RFC 959: "ddd text", or "ddd-" lines up to one
// starting "ddd "), taken out of it: its code and its last line's text. False while it is incomplete;
// `malformed` tells a text that can never be a reply.
bool TakeFtpReply(std::string& text, int& code, std::string& lastLine, bool& malformed);
