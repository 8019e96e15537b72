#include "imaging/vimbral/comments.h"

#include <cstdint>
#include <fstream>

#include "imaging/vimbral/webp_metadata.h"

namespace vimbral_impl {
namespace {

constexpr std::size_t kGifBlockBytes = 255;

std::string JpegComment(const std::string& comment) {
    const std::size_t length = comment.size() + 2;
    return std::string("\xFF\xFE", 2) + static_cast<char>(length >> 8) + static_cast<char>(length & 0xFF) +
           comment;
}

std::string GifComment(const std::string& comment) {
    std::string block("\x21\xFE", 2);
    for (std::size_t at = 0; at < comment.size(); at += kGifBlockBytes) {
        const std::string part = comment.substr(at, kGifBlockBytes);
        block += static_cast<char>(part.size());
        block += part;
    }
    block += '\0';
    return block;
}

// The bytes of a GIF before its first block: signature, screen descriptor and global colour table.
std::size_t GifHeaderBytes(std::string_view head) {
    if (head.size() < 13 || (head.compare(0, 6, "GIF87a") != 0 && head.compare(0, 6, "GIF89a") != 0)) {
        return 0;
    }
    const auto flags = static_cast<unsigned char>(head[10]);
    const std::size_t table = (flags & 0x80) ? 3u << ((flags & 0x07) + 1) : 0;
    return 13 + table;
}

std::uint8_t Byte(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint8_t>(bytes[at]);
}

std::optional<std::string> JpegFileComment(const std::string& bytes) {
    std::size_t at = 2;
    while (at + 4 <= bytes.size() && Byte(bytes, at) == 0xFF) {
        const std::uint8_t marker = Byte(bytes, at + 1);
        if (marker == 0xDA || marker == 0xD9) {  // the scan, or the end: no comment before it
            break;
        }
        const std::size_t length = static_cast<std::size_t>(Byte(bytes, at + 2)) << 8 | Byte(bytes, at + 3);
        if (length < 2 || at + 2 + length > bytes.size()) {
            break;
        }
        if (marker == 0xFE) {
            return bytes.substr(at + 4, length - 2);
        }
        at += 2 + length;
    }
    return std::nullopt;
}

std::optional<std::string> GifFileComment(const std::string& bytes) {
    std::size_t at = GifHeaderBytes(bytes);
    if (at == 0) {
        return std::nullopt;
    }
    // Only extensions can come before the first image; a comment is one of them.
    while (at + 2 <= bytes.size() && Byte(bytes, at) == 0x21) {
        const bool comment = Byte(bytes, at + 1) == 0xFE;
        std::string text;
        at += 2;
        while (at < bytes.size() && Byte(bytes, at) != 0) {
            const std::size_t size = Byte(bytes, at);
            if (at + 1 + size > bytes.size()) {
                return std::nullopt;
            }
            text.append(bytes, at + 1, size);
            at += 1 + size;
        }
        if (comment && at < bytes.size()) {
            return text;
        }
        ++at;
    }
    return std::nullopt;
}

}  // namespace

std::string CommentBlock(FileFormat format, const std::string& comment) {
    return format == FileFormat::Jpeg ? JpegComment(comment) : GifComment(comment);
}

long CommentOffset(FileFormat format, std::string_view head) {
    if (format == FileFormat::Jpeg) {
        if (head.size() < 2) {
            return kNeedMoreBytes;
        }
        return head.substr(0, 2) == "\xFF\xD8" ? 2 : kNotThisFormat;
    }
    if (head.size() < 13) {
        return kNeedMoreBytes;
    }
    const std::size_t headerBytes = GifHeaderBytes(head);
    if (headerBytes == 0) {
        return kNotThisFormat;
    }
    return head.size() < headerBytes ? kNeedMoreBytes : static_cast<long>(headerBytes);
}

std::optional<std::string> ReadFileComment(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    // Comments are written near the start; the first 256 KB hold them and whatever precedes them.
    std::string bytes(256 * 1024, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (bytes.size() >= 2 && Byte(bytes, 0) == 0xFF && Byte(bytes, 1) == 0xD8) {
        return JpegFileComment(bytes);
    }
    if (bytes.compare(0, 4, "RIFF") == 0) {
        return WebpFileDescription(path);
    }
    return GifFileComment(bytes);
}

}  // namespace vimbral_impl
