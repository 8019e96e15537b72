#pragma once

#include <optional>
#include <string>
#include <string_view>

// The server an upload talks to, from the text typed in the "FTP server ftp://" field.
struct FtpAddress {
    std::string host;  // a name or an address; an IPv6 address without its brackets
    int port = 21;
};

// Reads "host" or "host:port" ("[v6-address]:port" for IPv6; a bare IPv6 address takes port 21).
// Nothing when the text cannot name a server: empty, a bad port, or a character that has no place in
// a host name and would change the meaning of a URL (space, '/', '@', '?', '#', control characters).
std::optional<FtpAddress> ParseServerText(std::string_view text);

// "ftp://host:port/", the address that every request path is appended to.
std::string ServerUrl(const FtpAddress& address);

// Percent-encodes a path for a URL: every byte but the unreserved characters and '/'. Names with
// spaces, '#', '%', ';' or UTF-8 letters then reach the server exactly as they are.
std::string EncodeUrlPath(std::string_view path);

// Whether the text holds a control character (CR and LF above all): such a text would split an FTP
// command line, so it is never sent.
bool HasControlCharacters(std::string_view text);
