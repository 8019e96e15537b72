#include "imaging/vimbral/file_inspection.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string_view>

#include "imaging/vimbral/comments.h"
#include "imaging/vimbral/webp_metadata.h"

namespace vimbral_impl {
namespace {

// Vimbral writes its comment right after JPEG's start marker and its headers are short: the first
// read covers them. A JPEG whose segments run longer (a large ICC profile) is read further, up to
// what ReadFileComment has always looked at.
constexpr std::size_t kFirstReadBytes = 16 * 1024;
constexpr std::size_t kMostHeadBytes = 256 * 1024;

class OpenFile {
public:
    explicit OpenFile(const std::string& path)
        : m_fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)) {
        struct stat st {};
        // Only a regular file is read: a FIFO or a device would hang or never end.
        if (m_fd >= 0 && ::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode)) {
            m_size = static_cast<std::uint64_t>(st.st_size);
            m_regular = true;
        }
    }
    ~OpenFile() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    bool Regular() const { return m_regular; }
    std::uint64_t Size() const { return m_size; }

    // Up to `count` bytes at `offset`; fewer only at the end of the file or on an error.
    std::string Read(std::uint64_t offset, std::size_t count) const {
        std::string bytes;
        if (offset >= m_size) {
            return bytes;
        }
        count = static_cast<std::size_t>(std::min<std::uint64_t>(count, m_size - offset));
        bytes.resize(count);
        std::size_t filled = 0;
        while (filled < count) {
            const ssize_t got =
                ::pread(m_fd, bytes.data() + filled, count - filled, static_cast<off_t>(offset + filled));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                break;
            }
            filled += static_cast<std::size_t>(got);
        }
        bytes.resize(filled);
        return bytes;
    }

private:
    int m_fd;
    std::uint64_t m_size = 0;
    bool m_regular = false;
};

std::uint8_t Byte(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint8_t>(bytes[at]);
}

std::uint32_t Le(std::string_view bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = value << 8 | Byte(bytes, at + static_cast<std::size_t>(i));
    }
    return value;
}

bool IsFrameMarker(std::uint8_t marker) {
    // SOF0 to SOF15, less DHT (C4), JPG (C8) and DAC (CC).
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

enum class Walk { Done, NeedMore, Broken };

// Walks the segments of a JPEG file's head up to its scan: its first comment, and whether a sound
// frame header comes before the scan.
Walk WalkJpeg(std::string_view head, FileInspection& found) {
    bool frame = false;
    std::size_t at = 2;
    for (;;) {
        if (at + 2 > head.size()) {
            return Walk::NeedMore;
        }
        if (Byte(head, at) != 0xFF) {
            return Walk::Broken;
        }
        const std::uint8_t marker = Byte(head, at + 1);
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length follows
            at += 2;
            continue;
        }
        if (marker == 0xD8 || marker == 0xD9) {  // a second start, or the end before any scan
            return Walk::Broken;
        }
        if (at + 4 > head.size()) {
            return Walk::NeedMore;
        }
        const std::size_t length = static_cast<std::size_t>(Byte(head, at + 2)) << 8 | Byte(head, at + 3);
        if (length < 2) {
            return Walk::Broken;
        }
        if (at + 2 + length > head.size()) {
            return Walk::NeedMore;
        }
        if (marker == 0xFE && !found.comment) {
            found.comment = std::string(head.substr(at + 4, length - 2));
        } else if (IsFrameMarker(marker)) {
            if (length < 8) {
                return Walk::Broken;
            }
            const unsigned height = Byte(head, at + 5) << 8 | Byte(head, at + 6);
            const unsigned width = Byte(head, at + 7) << 8 | Byte(head, at + 8);
            const unsigned components = Byte(head, at + 9);
            frame =
                height > 0 && width > 0 && components >= 1 && components <= 4 && length == 8 + 3 * components;
        } else if (marker == 0xDA) {
            found.whole = frame;
            return Walk::Done;
        }
        at += 2 + length;
    }
}

void InspectJpeg(const OpenFile& file, std::string head, FileInspection& found) {
    Walk walk = WalkJpeg(head, found);
    if (walk == Walk::NeedMore && head.size() < file.Size() && head.size() < kMostHeadBytes) {
        found = {FileInspection::Kind::Jpeg, {}, false};
        head = file.Read(0, kMostHeadBytes);
        walk = WalkJpeg(head, found);
    }
    if (walk != Walk::Done || !found.whole) {
        found.whole = false;
        return;
    }
    const std::string tail = file.Read(file.Size() - 2, 2);
    found.whole = tail.size() == 2 && Byte(tail, 0) == 0xFF && Byte(tail, 1) == 0xD9;
}

// The bytes at `offset`, from the head when it holds them, else read.
std::string BytesAt(const OpenFile& file, std::string_view head, std::uint64_t offset, std::size_t count) {
    if (offset + count <= head.size()) {
        return std::string(head.substr(static_cast<std::size_t>(offset), count));
    }
    return file.Read(offset, count);
}

void InspectWebp(const OpenFile& file, std::string_view head, FileInspection& found) {
    const std::uint64_t size = file.Size();
    bool image = false, commentLooked = false, walkedToEnd = false;
    std::uint64_t at = 12;
    while (at + 8 <= size) {
        const std::string header = BytesAt(file, head, at, 8);
        if (header.size() < 8) {
            break;
        }
        const std::string_view fourcc = std::string_view(header).substr(0, 4);
        const std::uint32_t length = Le(header, 4, 4);
        const std::uint64_t next = at + 8 + length + (length % 2);
        if (next > size) {
            break;  // a chunk that runs past the end: cut short
        }
        if (fourcc == "VP8 " && length >= 10) {
            const std::string frame = BytesAt(file, head, at + 8, 10);
            // The key frame's start code, then a width and a height of 14 bits each.
            image = frame.size() == 10 && Byte(frame, 3) == 0x9D && Byte(frame, 4) == 0x01 &&
                    Byte(frame, 5) == 0x2A && (Le(frame, 6, 2) & 0x3FFF) > 0 &&
                    (Le(frame, 8, 2) & 0x3FFF) > 0;
        } else if (fourcc == "VP8L" && length >= 5) {
            const std::string frame = BytesAt(file, head, at + 8, 1);
            image = frame.size() == 1 && Byte(frame, 0) == 0x2F;
        } else if (fourcc == "XMP " && !commentLooked) {
            commentLooked = true;
            if (length <= kMaxPacketBytes) {
                const std::string packet = BytesAt(file, head, at + 8, length);
                if (packet.size() == length) {
                    found.comment = PacketDescription(packet);
                }
            }
        }
        at = next;
        walkedToEnd = at == size;
    }
    found.whole = image && walkedToEnd && Le(head, 4, 4) + std::uint64_t{8} == size;
}

}  // namespace

FileInspection InspectFile(const std::string& path) {
    FileInspection found;
    const OpenFile file(path);
    if (!file.Regular()) {
        return found;
    }
    const std::string head = file.Read(0, kFirstReadBytes);
    if (head.size() >= 4 && Byte(head, 0) == 0xFF && Byte(head, 1) == 0xD8) {
        found.kind = FileInspection::Kind::Jpeg;
        InspectJpeg(file, head, found);
    } else if (head.size() >= 20 && head.compare(0, 4, "RIFF") == 0 && head.compare(8, 4, "WEBP") == 0) {
        found.kind = FileInspection::Kind::Webp;
        InspectWebp(file, head, found);
    } else if (head.size() >= 6 && (head.compare(0, 6, "GIF87a") == 0 || head.compare(0, 6, "GIF89a") == 0)) {
        found.kind = FileInspection::Kind::Gif;
        found.comment = ReadFileComment(path);
    }
    return found;
}

}  // namespace vimbral_impl
