#include "ftp/ftp_address.h"

#include <algorithm>
#include <charconv>

namespace {

bool IsAsciiAlnum(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsHexDigit(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Letters, digits, '-', '.', '_' and the bytes of UTF-8 letters (international names).
bool IsHostName(std::string_view host) {
    return !host.empty() && std::all_of(host.begin(), host.end(), [](char ch) {
        const auto c = static_cast<unsigned char>(ch);
        return IsAsciiAlnum(c) || c == '-' || c == '.' || c == '_' || c >= 0x80;
    });
}

bool IsIpv6Address(std::string_view host) {
    return host.size() >= 2 && std::all_of(host.begin(), host.end(), [](char ch) {
               const auto c = static_cast<unsigned char>(ch);
               return IsHexDigit(c) || c == ':' || c == '.';
           });
}

std::optional<int> ParsePort(std::string_view text) {
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (text.empty() || text.size() > 5 || error != std::errc() || end != text.data() + text.size() ||
        port < 1 || port > 65535) {
        return std::nullopt;
    }
    return port;
}

std::optional<FtpAddress> WithPort(std::string host, std::string_view portText) {
    const auto port = ParsePort(portText);
    if (!port) {
        return std::nullopt;
    }
    return FtpAddress{std::move(host), *port};
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return a == (b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : b);
           });
}

std::optional<FtpAddress> ParseHostAndPort(std::string_view text, int defaultPort) {
    if (text.empty() || HasControlCharacters(text)) {
        return std::nullopt;
    }
    if (text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string_view::npos || !IsIpv6Address(text.substr(1, close - 1))) {
            return std::nullopt;
        }
        const std::string host(text.substr(1, close - 1));
        const std::string_view rest = text.substr(close + 1);
        if (rest.empty()) {
            return FtpAddress{host, defaultPort};
        }
        return rest.front() == ':' ? WithPort(host, rest.substr(1)) : std::nullopt;
    }
    const auto colons = std::count(text.begin(), text.end(), ':');
    if (colons > 1) {
        return IsIpv6Address(text) ? std::optional<FtpAddress>(FtpAddress{std::string(text), defaultPort})
                                   : std::nullopt;
    }
    const auto colon = text.find(':');
    const std::string_view host = text.substr(0, colon);
    if (!IsHostName(host)) {
        return std::nullopt;
    }
    if (colon == std::string_view::npos) {
        return FtpAddress{std::string(host), defaultPort};
    }
    return WithPort(std::string(host), text.substr(colon + 1));
}

}  // namespace

std::optional<FtpAddress> ParseServerText(std::string_view text) {
    static constexpr struct {
        std::string_view prefix;
        FtpScheme scheme;
        int defaultPort;
    } kSchemes[] = {
        {"ftp://", FtpScheme::Ftp, 21}, {"ftps://", FtpScheme::Ftps, 21}, {"sftp://", FtpScheme::Sftp, 22}};
    for (const auto& known : kSchemes) {
        if (!StartsWithNoCase(text, known.prefix)) {
            continue;
        }
        std::string_view rest = text.substr(known.prefix.size());
        if (!rest.empty() && rest.back() == '/') {
            rest.remove_suffix(1);
        }
        auto address = ParseHostAndPort(rest, known.defaultPort);
        if (address) {
            address->scheme = known.scheme;
        }
        return address;
    }
    return ParseHostAndPort(text, 21);
}

std::string ServerUrl(const FtpAddress& address) {
    const bool ipv6 = address.host.find(':') != std::string::npos;
    std::string url = address.scheme == FtpScheme::Sftp ? "sftp://" : "ftp://";
    url += ipv6 ? "[" + address.host + "]" : address.host;
    url += ':';
    url += std::to_string(address.port);
    url += '/';
    return url;
}

std::string EncodeUrlPath(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(path.size() * 3);
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsAsciiAlnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
            encoded += ch;
        } else {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 0x0F];
        }
    }
    return encoded;
}

bool HasControlCharacters(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char ch) {
        const auto c = static_cast<unsigned char>(ch);
        return c < 0x20 || c == 0x7F;
    });
}
