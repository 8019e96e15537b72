#include "engine/page_escaping.h"

#include <string>

namespace {

bool KeptInUrl(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
        return true;
    }
    switch (c) {
        case '-':
        case '.':
        case '_':
        case '~':
        case '!':
        case '$':
        case '(':
        case ')':
        case '*':
        case '+':
        case ',':
        case ';':
        case '=':
        case '@':
            return true;
        default:
            return false;
    }
}

}  // namespace

std::string UrlEncodeName(std::string_view name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(name.size());
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (KeptInUrl(c)) {
            encoded += ch;
        } else {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 0xF];
        }
    }
    return encoded;
}

std::string HtmlEscape(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&#39;";
                break;
            default:
                escaped += c;
                break;
        }
    }
    return escaped;
}

std::string PageTextOfWords(std::string_view text) {
    const std::string escaped = HtmlEscape(text);
    std::string out;
    out.reserve(escaped.size());
    bool afterCapital = false;
    for (const char c : escaped) {
        const bool capital = c >= 'A' && c <= 'Z';
        if (capital && afterCapital) {
            out += "&#";
            out += std::to_string(static_cast<int>(c));
            out += ';';
            afterCapital = false;
            continue;
        }
        out += c;
        afterCapital = capital;
    }
    return out;
}
