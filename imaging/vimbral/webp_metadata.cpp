#include "imaging/vimbral/webp_metadata.h"

#include <cstdint>
#include <fstream>
#include <utility>

namespace vimbral_impl {
namespace {

constexpr std::uint8_t kXmpFlag = 0x04;
constexpr std::uint8_t kExifFlag = 0x08;
constexpr std::uint8_t kIccFlag = 0x20;
constexpr std::string_view kItemStart = "<rdf:li xml:lang=\"x-default\">";
constexpr std::string_view kItemEnd = "</rdf:li>";

std::uint32_t ReadLe32(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at])) |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 3])) << 24;
}

std::string Le(std::uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return out;
}

std::string Chunk(std::string_view fourcc, const std::string& payload) {
    std::string chunk = std::string(fourcc) + Le(static_cast<std::uint32_t>(payload.size()), 4) + payload;
    if (payload.size() % 2 != 0) {
        chunk += '\0';
    }
    return chunk;
}

std::string XmlEscaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string XmlUnescaped(std::string_view text) {
    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}};
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        bool replaced = false;
        for (const auto& [entity, plain] : kEntities) {
            if (text.substr(at, entity.size()) == entity) {
                out += plain;
                at += entity.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            out += text[at++];
        }
    }
    return out;
}

std::string XmpPacket(const std::string& text) {
    return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
           "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description rdf:about=\"\" "
           "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:description><rdf:Alt>" +
           std::string(kItemStart) + XmlEscaped(text) + std::string(kItemEnd) +
           "</rdf:Alt></dc:description></rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end=\"r\"?>";
}

bool IsWebp(std::string_view bytes) {
    return bytes.size() >= 20 && bytes.substr(0, 4) == "RIFF" && bytes.substr(8, 4) == "WEBP";
}

// The chunks of `body` (a WebP file's, after "WEBP") without any EXIF, ICC or XMP chunk: the
// encoder writes a fresh EXIF block of its own even when told to strip; empty when a chunk runs
// past the end.
std::optional<std::string> WithoutMetadataChunks(const std::string& body) {
    std::string kept;
    for (std::size_t at = 0; at < body.size();) {
        if (at + 8 > body.size()) {
            return std::nullopt;
        }
        const std::size_t size = ReadLe32(body, at + 4);
        const std::size_t whole = 8 + size + (size % 2);
        if (whole > body.size() - at) {
            return std::nullopt;
        }
        const std::string_view fourcc(body.data() + at, 4);
        if (fourcc != "EXIF" && fourcc != "ICCP" && fourcc != "XMP ") {
            kept.append(body, at, whole);
        }
        at += whole;
    }
    return kept;
}

}  // namespace

bool AddWebpDescription(std::string& bytes, int width, int height, const std::string& text) {
    if (!IsWebp(bytes) || width < 1 || height < 1) {
        return false;
    }
    std::string body = bytes.substr(12);
    if (body.substr(0, 4) == "VP8X") {
        const auto bare = WithoutMetadataChunks(body);
        if (!bare || bare->size() < 18) {
            return false;
        }
        body = *bare;
        const auto flags = static_cast<std::uint8_t>(body[8]);
        body[8] = static_cast<char>((flags & ~(kExifFlag | kIccFlag)) | kXmpFlag);
    } else if (body.substr(0, 4) == "VP8 " || body.substr(0, 4) == "VP8L") {
        const std::string header = std::string(1, static_cast<char>(kXmpFlag)) + std::string(3, '\0') +
                                   Le(static_cast<std::uint32_t>(width - 1), 3) +
                                   Le(static_cast<std::uint32_t>(height - 1), 3);
        body = Chunk("VP8X", header) + body;
    } else {
        return false;
    }
    body += Chunk("XMP ", XmpPacket(text));
    bytes = "RIFF" + Le(static_cast<std::uint32_t>(body.size() + 4), 4) + "WEBP" + body;
    return true;
}

std::optional<std::string> WebpFileDescription(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char header[12] = {};
    if (!in.read(header, sizeof header) || std::string_view(header, 4) != "RIFF" ||
        std::string_view(header + 8, 4) != "WEBP") {
        return std::nullopt;
    }
    for (;;) {
        char chunk[8] = {};
        if (!in.read(chunk, sizeof chunk)) {
            return std::nullopt;
        }
        const std::uint32_t size = ReadLe32(std::string_view(chunk, sizeof chunk), 4);
        if (std::string_view(chunk, 4) != "XMP ") {
            in.seekg(static_cast<std::streamoff>(size) + (size % 2), std::ios::cur);
            continue;
        }
        if (size > kMaxPacketBytes) {
            return std::nullopt;
        }
        std::string packet(size, '\0');
        if (!in.read(packet.data(), static_cast<std::streamsize>(size))) {
            return std::nullopt;
        }
        return PacketDescription(packet);
    }
}

std::optional<std::string> PacketDescription(std::string_view packet) {
    const auto start = packet.find(kItemStart);
    const auto end = start == std::string::npos ? start : packet.find(kItemEnd, start);
    if (end == std::string::npos) {
        return std::nullopt;
    }
    const std::size_t from = start + kItemStart.size();
    return XmlUnescaped(packet.substr(from, end - from));
}

}  // namespace vimbral_impl
