#pragma once

#include <optional>
#include <string>

namespace vimbral_impl {

// What a look at a file's head tells without decoding it: one open, one read of its first bytes
// (more only for a JPEG whose header runs longer) and, for WebP, a read of each chunk's header
// and of the XMP chunk. Cheap enough to run over every output of a gallery on each publish.
struct FileInspection {
    enum class Kind { Other, Jpeg, Webp, Gif };
    Kind kind = Kind::Other;
    // The first comment: a JPEG's COM segment before the scan, a WebP file's XMP description, a
    // GIF's comment extension.
    std::optional<std::string> comment;
    // A JPEG or WebP file a decoder takes whole: a sound header (a frame of a size, an image chunk)
    // and an end where its format puts it (JPEG's end marker, the RIFF length). Never told of GIF.
    bool whole = false;
};

FileInspection InspectFile(const std::string& path);

}  // namespace vimbral_impl
