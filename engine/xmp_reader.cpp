#include "engine/xmp_reader.h"

#include <cstdint>
#include <vector>

#include "engine/text_encoding.h"

namespace {

constexpr std::string_view kDublinCore = "http://purl.org/dc/elements/1.1/";
constexpr std::string_view kPhotoshop = "http://ns.adobe.com/photoshop/1.0/";
constexpr std::string_view kXmpBasic = "http://ns.adobe.com/xap/1.0/";
constexpr std::string_view kExif = "http://ns.adobe.com/exif/1.0/";
constexpr std::string_view kRdf = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.' || c == ':' || static_cast<unsigned char>(c) >= 0x80;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

void AppendCodePoint(std::string& out, std::uint32_t value) {
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        value = 0xFFFD;
    }
    AppendUtf8(out, value);
}

// XML text with its character and entity references resolved; unknown references stay as written.
std::string DecodeXmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t semi = text[at] == '&' ? text.find(';', at) : std::string_view::npos;
        if (semi == std::string_view::npos || semi - at > 10) {
            out += text[at++];
            continue;
        }
        const std::string_view name = text.substr(at + 1, semi - at - 1);
        if (name == "amp") {
            out += '&';
        } else if (name == "lt") {
            out += '<';
        } else if (name == "gt") {
            out += '>';
        } else if (name == "quot") {
            out += '"';
        } else if (name == "apos") {
            out += '\'';
        } else if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x' || name[1] == 'X';
            std::uint32_t value = 0;
            bool ok = name.size() > (hex ? 2u : 1u);
            for (std::size_t i = hex ? 2 : 1; ok && i < name.size(); ++i) {
                const char c = name[i];
                int digit = -1;
                if (c >= '0' && c <= '9') {
                    digit = c - '0';
                } else if (hex && c >= 'a' && c <= 'f') {
                    digit = c - 'a' + 10;
                } else if (hex && c >= 'A' && c <= 'F') {
                    digit = c - 'A' + 10;
                }
                ok = digit >= 0 && value < 0x110000;
                value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
            }
            if (!ok) {
                out += text[at++];
                continue;
            }
            AppendCodePoint(out, value);
        } else {
            out += text[at++];
            continue;
        }
        at = semi + 1;
    }
    return out;
}

// The prefixes the packet binds to `uri`; the usual one when it declares none.
std::vector<std::string> PrefixesOf(std::string_view packet, std::string_view uri, std::string_view usual) {
    std::vector<std::string> prefixes;
    for (std::size_t at = packet.find("xmlns:"); at != std::string_view::npos;
         at = packet.find("xmlns:", at + 6)) {
        std::size_t end = at + 6;
        while (end < packet.size() && IsNameChar(packet[end]) && packet[end] != ':') {
            ++end;
        }
        std::size_t eq = end;
        while (eq < packet.size() && IsSpace(packet[eq])) {
            ++eq;
        }
        if (eq + 1 >= packet.size() || packet[eq] != '=') {
            continue;
        }
        std::size_t quote = eq + 1;
        while (quote < packet.size() && IsSpace(packet[quote])) {
            ++quote;
        }
        if (quote >= packet.size() || (packet[quote] != '"' && packet[quote] != '\'')) {
            continue;
        }
        const std::size_t close = packet.find(packet[quote], quote + 1);
        if (close != std::string_view::npos && packet.substr(quote + 1, close - quote - 1) == uri) {
            prefixes.emplace_back(packet.substr(at + 6, end - at - 6));
        }
    }
    if (prefixes.empty()) {
        prefixes.emplace_back(usual);
    }
    return prefixes;
}

// The text of `<name ...>text</name>` from `from` on; the position past it in `next`.
bool ElementText(std::string_view packet, std::string_view name, std::size_t from, std::string_view& text,
                 std::size_t& openAt) {
    const std::string open = "<" + std::string(name);
    for (std::size_t at = packet.find(open, from); at != std::string_view::npos;
         at = packet.find(open, at + 1)) {
        const std::size_t after = at + open.size();
        if (after >= packet.size() || IsNameChar(packet[after])) {
            continue;  // a longer name
        }
        const std::size_t tagEnd = packet.find('>', after);
        if (tagEnd == std::string_view::npos) {
            return false;
        }
        openAt = at;
        if (packet[tagEnd - 1] == '/') {
            text = {};
            return true;
        }
        const std::size_t close = packet.find("</" + std::string(name), tagEnd + 1);
        if (close == std::string_view::npos) {
            return false;
        }
        text = packet.substr(tagEnd + 1, close - tagEnd - 1);
        return true;
    }
    return false;
}

// `name="value"` as an attribute anywhere in a tag.
bool AttributeText(std::string_view packet, std::string_view name, std::string_view& text) {
    for (std::size_t at = packet.find(name); at != std::string_view::npos; at = packet.find(name, at + 1)) {
        if (at == 0 || !IsSpace(packet[at - 1])) {
            continue;
        }
        std::size_t eq = at + name.size();
        while (eq < packet.size() && IsSpace(packet[eq])) {
            ++eq;
        }
        if (eq >= packet.size() || packet[eq] != '=') {
            continue;
        }
        std::size_t quote = eq + 1;
        while (quote < packet.size() && IsSpace(packet[quote])) {
            ++quote;
        }
        if (quote >= packet.size() || (packet[quote] != '"' && packet[quote] != '\'')) {
            continue;
        }
        const std::size_t close = packet.find(packet[quote], quote + 1);
        if (close == std::string_view::npos) {
            return false;
        }
        text = packet.substr(quote + 1, close - quote - 1);
        return true;
    }
    return false;
}

// The value of a language alternative (or any rdf container): the x-default item, else the first.
std::string ContainerValue(std::string_view content, const std::vector<std::string>& rdf) {
    for (const std::string& prefix : rdf) {
        const std::string li = prefix + ":li";
        std::string_view first, item;
        bool found = false;
        std::size_t at = 0, openAt = 0;
        while (ElementText(content, li, at, item, openAt)) {
            const std::size_t tagEnd = content.find('>', openAt);
            const std::string_view tag = content.substr(openAt, tagEnd - openAt);
            if (tag.find("\"x-default\"") != std::string_view::npos ||
                tag.find("'x-default'") != std::string_view::npos) {
                return DecodeXmlText(item);
            }
            if (!found) {
                first = item, found = true;
            }
            at = openAt + 1;
        }
        if (found) {
            return DecodeXmlText(first);
        }
    }
    return {};
}

std::string Property(std::string_view packet, std::string_view uri, std::string_view usual,
                     std::string_view local, const std::vector<std::string>& rdf) {
    for (const std::string& prefix : PrefixesOf(packet, uri, usual)) {
        const std::string name = prefix + ":" + std::string(local);
        std::string_view text;
        std::size_t openAt = 0;
        if (ElementText(packet, name, 0, text, openAt)) {
            if (text.find('<') != std::string_view::npos) {
                return ContainerValue(text, rdf);
            }
            return DecodeXmlText(text);
        }
        if (AttributeText(packet, name, text)) {
            return DecodeXmlText(text);
        }
    }
    return {};
}

}  // namespace

XmpWords ParseXmp(std::string_view packet) {
    const std::string text = RepairUtf8(packet);
    const std::vector<std::string> rdf = PrefixesOf(text, kRdf, "rdf");
    XmpWords words;
    words.title = Property(text, kDublinCore, "dc", "title", rdf);
    words.description = Property(text, kDublinCore, "dc", "description", rdf);
    words.photoshopDateCreated = Property(text, kPhotoshop, "photoshop", "DateCreated", rdf);
    words.exifDateTimeOriginal = Property(text, kExif, "exif", "DateTimeOriginal", rdf);
    words.createDate = Property(text, kXmpBasic, "xmp", "CreateDate", rdf);
    return words;
}
