#pragma once

#include <optional>
#include <string>
#include <string_view>

// How an upload reaches its server. A bare host means plain FTP.
enum class FtpScheme {
    Ftp,   // clear text, active mode first
    Ftps,  // FTP with explicit TLS (AUTH TLS) required for the login and every data connection
    Sftp,  // SFTP over SSH
};

// The server an upload talks to, from the text typed in the "FTP server ftp://" field.
struct FtpAddress {
    std::string host;  // a name or an address; an IPv6 address without its brackets
    int port = 21;
    FtpScheme scheme = FtpScheme::Ftp;
};

// Reads "host" or "host:port" ("[v6-address]:port" for IPv6; a bare IPv6 address takes port 21),
// each optionally after "ftp://", "ftps://" or "sftp://" (any case) and before one closing '/'.
// SFTP's default port is 22. Nothing when the text cannot name a server: empty, a bad port, an
// unknown scheme, or a character that has no place in a host name and would change the meaning of a
// URL (space, '/', '@', '?', '#', control characters).
std::optional<FtpAddress> ParseServerText(std::string_view text);

// "ftp://host:port/" (also for FTPS, whose TLS is asked for on the handle) or "sftp://host:port/",
// the address that every request path is appended to.
std::string ServerUrl(const FtpAddress& address);

// Percent-encodes a path for a URL: every byte but the unreserved characters and '/'. Names with
// spaces, '#', '%', ';' or UTF-8 letters then reach the server exactly as they are.
std::string EncodeUrlPath(std::string_view path);

// Whether the text holds a control character (CR and LF above all): such a text would split an FTP
// command line, so it is never sent.
bool HasControlCharacters(std::string_view text);
