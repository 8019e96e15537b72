#include "imaging/output_provenance.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include "engine/directory.h"
#include "engine/picture_names.h"
#include "imaging/variant_plan.h"
#include "imaging/vimbral/vimbral.h"

namespace {

constexpr const char* kPrefix = "galvane-conversion=";

std::string Encoded(const std::string& name) {
    std::string encoded;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > 0x20 && byte < 0x7F && c != '%' && c != '=') {
            encoded += c;
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", byte);
            encoded += escape;
        }
    }
    return encoded;
}

std::string NameOf(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The last bytes of a whole file: JPEG's end marker, GIF's trailer; a WebP file's own length.
bool EndsWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : 0;
    if (size < 4) {
        return false;
    }
    char head[2] = {}, tail[2] = {};
    in.seekg(0);
    in.read(head, 2);
    in.seekg(size - 2);
    in.read(tail, 2);
    if (!in) {
        return false;
    }
    if (head[0] == 'R' && head[1] == 'I' && size >= 12) {
        unsigned char length[4] = {};
        in.seekg(4);
        in.read(reinterpret_cast<char*>(length), 4);
        const std::streamoff riff = static_cast<std::streamoff>(length[0]) | length[1] << 8 |
                                    length[2] << 16 | static_cast<std::streamoff>(length[3]) << 24;
        return in && riff + 8 == size;
    }
    if (head[0] == '\xFF' && head[1] == '\xD8') {
        return tail[0] == '\xFF' && tail[1] == '\xD9';
    }
    return head[0] == 'G' && head[1] == 'I' && tail[1] == '\x3B';
}

// Thumbnails are JPEG files at the job's quality, or Vimbral's default one when GIF is chosen.
std::string FormatOf(const ConversionSettings& settings, OutputKind kind) {
    const int quality = settings.jpegQuality;
    if (kind == OutputKind::LargePicture && quality <= 0) {
        return " gif";
    }
    const int written = quality < 1 ? vimbral::kDefaultQuality : (quality > 100 ? 100 : quality);
    return " quality=" + std::to_string(written);
}

// FNV-1a over 8-byte words, then mixed: fast enough to run over the head of every source on each
// run, and any change of one word changes the result.
std::uint64_t HeadHash(const unsigned char* data, std::size_t size) {
    std::uint64_t hash = 0xcbf29ce484222325ULL ^ size;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + i, 8);
        hash = (hash ^ word) * 0x100000001b3ULL;
    }
    for (; i < size; ++i) {
        hash = (hash ^ data[i]) * 0x100000001b3ULL;
    }
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdULL;
    hash ^= hash >> 33;
    return hash;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string Decoded(const std::string& text) {
    std::string name;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
            HexDigit(text[i + 2]) >= 0) {
            name += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            name += text[i];
        }
    }
    return name;
}

}  // namespace

std::optional<MarkFields> ParseProvenance(const std::string& text) {
    if (text.rfind(kPrefix, 0) != 0) {
        return std::nullopt;
    }
    MarkFields fields;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string field = text.substr(start, end - start);
        if (field.rfind("output=", 0) == 0) {
            fields.kind = field.substr(7);
        } else if (field.rfind("source-name=", 0) == 0) {
            fields.sourceName = Decoded(field.substr(12));
        }
        start = end + 1;
    }
    if (fields.kind.empty() || fields.sourceName.empty() ||
        fields.sourceName.find('/') != std::string::npos) {
        return std::nullopt;
    }
    return fields;
}

std::optional<SourceIdentity> IdentifySource(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat st {};
    std::optional<SourceIdentity> identity;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        std::vector<unsigned char> head(kSourceHeadBytes);
        std::size_t filled = 0;
        while (filled < head.size()) {
            const ssize_t got =
                ::pread(fd, head.data() + filled, head.size() - filled, static_cast<off_t>(filled));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                break;
            }
            filled += static_cast<std::size_t>(got);
        }
        identity = SourceIdentity{
            NameOf(path), static_cast<std::int64_t>(st.st_size), static_cast<std::int64_t>(st.st_mtim.tv_sec),
            static_cast<std::int64_t>(st.st_mtim.tv_nsec), HeadHash(head.data(), filled)};
    }
    ::close(fd);
    return identity;
}

namespace {

// What every mark says of the source: its name, size, time and the hash of its head.
std::string SourceFieldsText(const SourceIdentity& source) {
    char mtime[48];
    std::snprintf(mtime, sizeof mtime, "%lld.%09lld", static_cast<long long>(source.mtimeSeconds),
                  static_cast<long long>(source.mtimeNanoseconds));
    char head[20];
    std::snprintf(head, sizeof head, "%016llx", static_cast<unsigned long long>(source.headHash));
    return " source-name=" + Encoded(source.name) + " source-size=" + std::to_string(source.size) +
           " source-mtime=" + mtime + " source-head=" + head;
}

}  // namespace

std::string ProvenanceText(const ConversionSettings& settings, OutputKind kind,
                           const SourceIdentity& source) {
    const bool thumbnail = kind == OutputKind::Thumbnail;
    const int width = thumbnail ? settings.thumbMaxWidth : settings.largeMaxWidth;
    const int height = thumbnail ? settings.thumbMaxHeight : settings.largeMaxHeight;
    return std::string(kPrefix) + std::to_string(kConversionVersion) +
           " output=" + (thumbnail ? "thumbnail" : "large") + SourceFieldsText(source) +
           " limits=" + std::to_string(width) + "x" + std::to_string(height) + FormatOf(settings, kind);
}

std::string VariantProvenanceText(const ConversionSettings& settings, const VariantFile& file,
                                  const SourceIdentity& source) {
    // A same-folder run's large variants follow the source alone: its limits shape nothing.
    const bool limited = file.thumbnail || settings.makeLargePictures;
    const int width = !limited ? 0 : file.thumbnail ? settings.thumbMaxWidth : settings.largeMaxWidth;
    const int height = !limited ? 0 : file.thumbnail ? settings.thumbMaxHeight : settings.largeMaxHeight;
    const int quality = file.webp ? WebpQualityFor(settings.jpegQuality)
                                  : (settings.jpegQuality < 1 ? vimbral::kDefaultQuality
                                                              : std::min(settings.jpegQuality, 100));
    return std::string(kPrefix) + std::to_string(kConversionVersion) +
           " output=variant size=" + std::to_string(file.size.width) + "x" +
           std::to_string(file.size.height) + SourceFieldsText(source) + " limits=" + std::to_string(width) +
           "x" + std::to_string(height) + (file.webp ? " webp" : " jpeg") +
           " quality=" + std::to_string(quality);
}

namespace {

// The mark of the file at `path` and whether it is whole (vimbral::InspectFile): one open and a
// few small reads, however many outputs a picture has.
std::optional<std::string> InspectOutput(const std::string& path, int* whole) {
    char shortText[1024];
    const int length = vimbral::InspectFile(path.c_str(), shortText, sizeof shortText, whole);
    if (length <= 0) {
        return std::nullopt;
    }
    std::string text;
    if (static_cast<std::size_t>(length) < sizeof shortText) {
        text.assign(shortText, static_cast<std::size_t>(length));
    } else {  // longer than any mark: read once more to see it all
        std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
        vimbral::ReadComment(path.c_str(), buffer.data(), static_cast<int>(buffer.size()));
        text.assign(buffer.data(), static_cast<std::size_t>(length));
    }
    if (text.rfind(kPrefix, 0) != 0) {
        return std::nullopt;
    }
    return text;
}

}  // namespace

std::optional<std::string> ReadProvenance(const std::string& outputPath) {
    return InspectOutput(outputPath, nullptr);
}

bool IsOutputUpToDate(const std::string& outputPath, const std::string& expected) {
    int whole = 0;
    const auto recorded = InspectOutput(outputPath, &whole);
    if (!recorded || *recorded != expected) {
        return false;
    }
    if (whole >= 0) {
        return whole == 1;
    }
    // A GIF large picture: its end, then a header load.
    if (!EndsWhole(outputPath)) {
        return false;
    }
    vimbral::Image image = vimbral::InitImageObject(outputPath.c_str(), nullptr, -1, -1);
    const bool readable = image != nullptr;
    vimbral::DeleteImageObject(image);
    return readable;
}

bool OutputUpToDate(const ConversionSettings& settings, const std::string& sourcePath, OutputKind kind,
                    const std::optional<SourceIdentity>* given) {
    if (settings.rebuild) {
        return false;
    }
    const std::optional<SourceIdentity> identity = given != nullptr ? *given : IdentifySource(sourcePath);
    if (!identity) {
        return false;
    }
    if (kind == OutputKind::Thumbnail) {
        const std::string thumbnail = JoinPath(settings.destFolder, ThumbnailName(sourcePath));
        return IsOutputUpToDate(thumbnail, ProvenanceText(settings, OutputKind::Thumbnail, *identity));
    }
    if (!settings.makeLargePictures) {
        return true;
    }
    const std::string large =
        JoinPath(settings.destFolder, LargePictureName(sourcePath, settings.jpegQuality));
    struct stat ls {
    }, ss{};
    if (::stat(large.c_str(), &ls) == 0 && ::stat(sourcePath.c_str(), &ss) == 0 && ls.st_dev == ss.st_dev &&
        ls.st_ino == ss.st_ino) {
        return true;  // the source is its own large picture: none is made
    }
    return IsOutputUpToDate(large, ProvenanceText(settings, OutputKind::LargePicture, *identity));
}

bool OutputsUpToDate(const ConversionSettings& settings, const std::string& sourcePath) {
    return OutputUpToDate(settings, sourcePath, OutputKind::Thumbnail) &&
           OutputUpToDate(settings, sourcePath, OutputKind::LargePicture);
}
