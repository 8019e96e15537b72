#include "engine/picture_words.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <system_error>
#include <thread>

#include "engine/exif_reader.h"
#include "engine/iptc_reader.h"
#include "engine/text_encoding.h"
#include "engine/xmp_reader.h"

namespace {

// Sidecars longer than this are not captions (a text file) or carry far more than a caption (an
// XMP file with an edit history): only their start is read.
constexpr std::size_t kMaxTextSidecarBytes = 64 * 1024;
constexpr std::size_t kMaxXmpSidecarBytes = 4 * 1024 * 1024;

// What cameras write into ImageDescription when nobody wrote anything.
constexpr std::string_view kCameraStockTexts[] = {
    "OLYMPUS DIGITAL CAMERA",
    "SONY DSC",
    "DIGITAL CAMERA",
    "KODAK Digital Still Camera",
    "MINOLTA DIGITAL CAMERA",
    "SAMSUNG CAMERA PICTURES",
    "Exif_JPEG_PICTURE",
    "LEAD Technologies Inc. V1.01",
    "default",
};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) {
                   return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
               };
               return lower(x) == lower(y);
           });
}

// The start of a regular file; nothing when there is none (or a FIFO or folder has the name).
std::optional<std::string> ReadSidecar(const std::string& path, std::size_t limit) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes(std::min<std::size_t>(static_cast<std::size_t>(st.st_size), limit), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

// "dir/beach.jpg" + ".txt" gives "dir/beach.jpg.txt" and "dir/beach.txt".
std::vector<std::string> SidecarNames(const std::string& path, const char* extension) {
    std::vector<std::string> names{path + extension};
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1)) {
        names.push_back(path.substr(0, dot) + extension);
    }
    return names;
}

std::string WithoutByteOrderMark(std::string text) {
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) {
        text.erase(0, 3);
    }
    return text;
}

template <typename... Texts>
std::string FirstClean(const Texts&... texts) {
    std::string found;
    ((found.empty() ? (void)(found = CleanPictureText(texts)) : (void)0), ...);
    return found;
}

}  // namespace

std::string CleanPictureText(std::string_view text) {
    const std::string utf8 = GuessedTextToUtf8(text);
    std::string clean;
    clean.reserve(std::min(utf8.size(), kMaxWordsCharacters * 4));
    std::size_t characters = 0;
    bool blank = false;
    for (std::size_t at = 0; at < utf8.size(); ++at) {
        const auto c = static_cast<unsigned char>(utf8[at]);
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') {
            blank = !clean.empty();
            continue;
        }
        if (c < 0x20 || c == 0x7F) {
            continue;
        }
        // U+0080-U+009F, the C1 controls, are two bytes in UTF-8: C2 80 to C2 9F.
        if (c == 0xC2 && at + 1 < utf8.size() && static_cast<unsigned char>(utf8[at + 1]) < 0xA0) {
            ++at;
            continue;
        }
        const bool startsCharacter = (c & 0xC0) != 0x80;
        if (startsCharacter) {
            if (characters + (blank ? 1 : 0) >= kMaxWordsCharacters) {
                break;
            }
            if (blank) {
                clean += ' ';
                ++characters;
                blank = false;
            }
            ++characters;
        }
        clean += static_cast<char>(c);
    }
    for (const std::string_view stock : kCameraStockTexts) {
        if (EqualsIgnoringCase(clean, stock)) {
            return {};
        }
    }
    return clean;
}

PictureWords ReadPictureWords(const std::string& path, EmbeddedMetadataReader* embedded) {
    PictureWords words;
    for (const std::string& name : SidecarNames(path, ".txt")) {
        if (const auto text = ReadSidecar(name, kMaxTextSidecarBytes)) {
            words.caption = CleanPictureText(WithoutByteOrderMark(*text));
            if (!words.caption.empty()) {
                break;
            }
        }
    }
    // "beach.jpg.xmp", then "beach.xmp": each is a source of its own.
    XmpWords sidecars[2];
    const std::vector<std::string> xmpNames = SidecarNames(path, ".xmp");
    for (std::size_t i = 0; i < xmpNames.size(); ++i) {
        if (const auto packet = ReadSidecar(xmpNames[i], kMaxXmpSidecarBytes)) {
            sidecars[i] = ParseXmp(*packet);
        }
    }
    const EmbeddedMetadata blocks = embedded != nullptr ? embedded->Read(path) : EmbeddedMetadata{};
    const XmpWords xmp = ParseXmp(blocks.xmp);
    const IptcWords iptc = ParseIptc(blocks.iptc);
    const ExifWords exif = ParseExif(blocks.exif);
    if (words.caption.empty()) {
        words.caption = FirstClean(sidecars[0].description, sidecars[1].description, xmp.description,
                                   iptc.caption, exif.imageDescription, blocks.tiffDescription);
    }
    words.title = FirstClean(sidecars[0].title, sidecars[1].title, xmp.title, iptc.objectName);
    words.taken = ParseExifDate(exif.dateTimeOriginal, exif.offsetTimeOriginal);
    const XmpWords* packets[] = {&sidecars[0], &sidecars[1], &xmp};
    for (const XmpWords* packet : packets) {
        for (const std::string* date :
             {&packet->photoshopDateCreated, &packet->exifDateTimeOriginal, &packet->createDate}) {
            if (!words.taken) {
                words.taken = ParseIsoDate(*date);
            }
        }
    }
    if (!words.taken) {
        words.taken = ParseIptcDate(iptc.dateCreated, iptc.timeCreated);
    }
    return words;
}

std::vector<PictureWords> ReadAllPictureWords(const std::vector<std::string>& paths,
                                              EmbeddedMetadataReader* embedded, unsigned workers) {
    std::vector<PictureWords> all(paths.size());
    if (workers == 0) {
        workers = std::max(1u, std::thread::hardware_concurrency());
    }
    workers = static_cast<unsigned>(std::min<std::size_t>(workers, paths.size()));
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < paths.size(); i = next++) {
            try {
                all[i] = ReadPictureWords(paths[i], embedded);
            } catch (...) {
                // Out of memory for one picture's words: it goes without them.
            }
        }
    };
    std::vector<std::thread> threads;
    for (unsigned w = 1; w < workers; ++w) {
        try {
            threads.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // no more threads to be had: the ones started and this one share the work
        }
    }
    work();
    for (std::thread& thread : threads) {
        thread.join();
    }
    return all;
}
