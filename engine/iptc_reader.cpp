#include "engine/iptc_reader.h"

#include <cstdint>

#include "engine/text_encoding.h"

namespace {

constexpr unsigned char kTagMarker = 0x1C;
constexpr std::uint16_t kResourceIptc = 0x0404;
// ISO 2022 escape sequence that 1:90 holds for UTF-8.
constexpr std::string_view kUtf8Escape = "\x1B%G";

std::uint32_t BigEndian(std::string_view bytes, std::size_t at, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

// The IIM datasets inside Photoshop image resources: the data of resource 0x0404, or nothing.
std::string_view IimOfResources(std::string_view bytes) {
    std::size_t at = 0;
    while (at + 12 <= bytes.size() && bytes.substr(at, 4) == "8BIM") {
        const std::uint32_t id = BigEndian(bytes, at + 4, 2);
        // A Pascal string name, padded to an even length with its length byte.
        const std::size_t nameBytes = static_cast<unsigned char>(bytes[at + 6]) + 1;
        std::size_t sizeAt = at + 6 + nameBytes + (nameBytes % 2);
        if (sizeAt + 4 > bytes.size()) {
            break;
        }
        const std::size_t size = BigEndian(bytes, sizeAt, 4);
        const std::size_t dataAt = sizeAt + 4;
        if (size > bytes.size() - dataAt) {
            break;
        }
        if (id == kResourceIptc) {
            return bytes.substr(dataAt, size);
        }
        at = dataAt + size + (size % 2);
    }
    return {};
}

std::string_view IimPart(std::string_view block) {
    constexpr std::string_view kPhotoshop("Photoshop 3.0\0", 14);
    if (block.substr(0, kPhotoshop.size()) == kPhotoshop) {
        return IimOfResources(block.substr(kPhotoshop.size()));
    }
    if (block.substr(0, 4) == "8BIM") {
        return IimOfResources(block);
    }
    return block;
}

struct RawDatasets {
    bool declaredUtf8 = false;
    std::string_view caption, objectName, dateCreated, timeCreated;
    bool hasCaption = false, hasObjectName = false;
};

RawDatasets ReadDatasets(std::string_view iim) {
    RawDatasets raw;
    std::size_t at = 0;
    while (at + 5 <= iim.size() && static_cast<unsigned char>(iim[at]) == kTagMarker) {
        const auto record = static_cast<unsigned char>(iim[at + 1]);
        const auto dataset = static_cast<unsigned char>(iim[at + 2]);
        std::size_t length = BigEndian(iim, at + 3, 2);
        std::size_t dataAt = at + 5;
        if (length & 0x8000) {
            // Extended dataset: the low bits give how many bytes the length takes.
            const std::size_t lengthBytes = length & 0x7FFF;
            if (lengthBytes == 0 || lengthBytes > 4 || dataAt + lengthBytes > iim.size()) {
                break;
            }
            length = BigEndian(iim, dataAt, lengthBytes);
            dataAt += lengthBytes;
        }
        if (length > iim.size() - dataAt) {
            break;
        }
        const std::string_view data = iim.substr(dataAt, length);
        if (record == 1 && dataset == 90) {
            raw.declaredUtf8 = data.find(kUtf8Escape) != std::string_view::npos;
        } else if (record == 2) {
            // The first of a repeated dataset counts.
            if (dataset == 120 && !raw.hasCaption) {
                raw.caption = data, raw.hasCaption = true;
            } else if (dataset == 5 && !raw.hasObjectName) {
                raw.objectName = data, raw.hasObjectName = true;
            } else if (dataset == 55 && raw.dateCreated.empty()) {
                raw.dateCreated = data;
            } else if (dataset == 60 && raw.timeCreated.empty()) {
                raw.timeCreated = data;
            }
        }
        at = dataAt + length;
    }
    return raw;
}

}  // namespace

IptcWords ParseIptc(std::string_view block) {
    const RawDatasets raw = ReadDatasets(IimPart(block));
    const auto text = [&](std::string_view bytes) {
        return raw.declaredUtf8 ? RepairUtf8(bytes) : GuessedTextToUtf8(bytes);
    };
    IptcWords words;
    words.caption = text(raw.caption);
    words.objectName = text(raw.objectName);
    words.dateCreated = std::string(raw.dateCreated);
    words.timeCreated = std::string(raw.timeCreated);
    return words;
}
