#include "engine/exif_reader.h"

#include <cstdint>
#include <optional>

namespace {

constexpr std::uint16_t kTagImageDescription = 0x010E;
constexpr std::uint16_t kTagExifIfd = 0x8769;
constexpr std::uint16_t kTagDateTimeOriginal = 0x9003;
constexpr std::uint16_t kTagOffsetTimeOriginal = 0x9011;

constexpr std::uint16_t kTypeAscii = 2;
constexpr std::uint16_t kTypeLong = 4;
constexpr std::uint16_t kTypeUndefined = 7;
constexpr std::uint16_t kTypeUtf8 = 129;
constexpr std::size_t kEntryBytes = 12;

class TiffView {
public:
    TiffView(std::string_view bytes, bool bigEndian) : m_bytes(bytes), m_bigEndian(bigEndian) {}

    std::optional<std::uint32_t> U16(std::size_t at) const {
        if (at + 2 > m_bytes.size()) {
            return std::nullopt;
        }
        const auto a = Byte(at), b = Byte(at + 1);
        return m_bigEndian ? (a << 8 | b) : (b << 8 | a);
    }
    std::optional<std::uint32_t> U32(std::size_t at) const {
        const auto high = U16(m_bigEndian ? at : at + 2), low = U16(m_bigEndian ? at + 2 : at);
        if (!high || !low) {
            return std::nullopt;
        }
        return *high << 16 | *low;
    }
    std::size_t Size() const { return m_bytes.size(); }
    std::string_view Bytes(std::size_t at, std::size_t count) const {
        if (at > m_bytes.size() || count > m_bytes.size() - at) {
            return {};
        }
        return m_bytes.substr(at, count);
    }

private:
    std::uint32_t Byte(std::size_t at) const { return static_cast<unsigned char>(m_bytes[at]); }

    std::string_view m_bytes;
    bool m_bigEndian;
};

struct Entry {
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::size_t valueAt = 0;  // where the entry's 4-byte value field is
};

// Text of an ASCII, UNDEFINED or UTF-8 entry, up to its first zero byte.
std::string TextOf(const TiffView& tiff, const Entry& entry) {
    if (entry.type != kTypeAscii && entry.type != kTypeUndefined && entry.type != kTypeUtf8) {
        return {};
    }
    std::size_t at = entry.valueAt;
    if (entry.count > 4) {
        const auto offset = tiff.U32(entry.valueAt);
        if (!offset) {
            return {};
        }
        at = *offset;
    }
    std::string_view text = tiff.Bytes(at, entry.count);
    const std::size_t zero = text.find('\0');
    return std::string(zero == std::string_view::npos ? text : text.substr(0, zero));
}

// Calls `take` for each entry of the directory at `offset`.
template <typename Take>
void ForEachEntry(const TiffView& tiff, std::size_t offset, Take take) {
    const auto count = tiff.U16(offset);
    if (!count) {
        return;
    }
    for (std::size_t i = 0; i < *count; ++i) {
        const std::size_t at = offset + 2 + i * kEntryBytes;
        const auto tag = tiff.U16(at), type = tiff.U16(at + 2), n = tiff.U32(at + 4);
        if (!tag || !type || !n || at + kEntryBytes > tiff.Size()) {
            return;
        }
        take(Entry{static_cast<std::uint16_t>(*tag), static_cast<std::uint16_t>(*type), *n, at + 8});
    }
}

std::string_view TiffPart(std::string_view block) {
    if (block.substr(0, 6) == std::string_view("Exif\0\0", 6)) {
        return block.substr(6);
    }
    return block;
}

}  // namespace

ExifWords ParseExif(std::string_view block) {
    ExifWords words;
    const std::string_view bytes = TiffPart(block);
    if (bytes.size() < 8) {
        return words;
    }
    bool bigEndian = false;
    if (bytes.substr(0, 4) == std::string_view("MM\0*", 4)) {
        bigEndian = true;
    } else if (bytes.substr(0, 4) != std::string_view("II*\0", 4)) {
        return words;
    }
    const TiffView tiff(bytes, bigEndian);
    const auto ifd0 = tiff.U32(4);
    if (!ifd0) {
        return words;
    }
    std::optional<std::uint32_t> exifIfd;
    ForEachEntry(tiff, *ifd0, [&](const Entry& entry) {
        if (entry.tag == kTagImageDescription) {
            words.imageDescription = TextOf(tiff, entry);
        } else if (entry.tag == kTagExifIfd && entry.count == 1 &&
                   (entry.type == kTypeLong || entry.type == 13)) {
            exifIfd = tiff.U32(entry.valueAt);
        }
    });
    // The Exif directory pointing back at IFD0 would only repeat it: one level is read, no loop.
    if (exifIfd && *exifIfd != *ifd0) {
        ForEachEntry(tiff, *exifIfd, [&](const Entry& entry) {
            if (entry.tag == kTagDateTimeOriginal) {
                words.dateTimeOriginal = TextOf(tiff, entry);
            } else if (entry.tag == kTagOffsetTimeOriginal) {
                words.offsetTimeOriginal = TextOf(tiff, entry);
            }
        });
    }
    return words;
}
