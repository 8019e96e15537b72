#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

#include "imaging/vimbral/legacy_headers.h"
#include "imaging/vimbral/vips_runtime.h"

namespace vimbral_impl {

// Which decoder reads a source file. Only these are ever used: other formats that libvips could
// read (PDF, SVG, FITS, slides...) are refused.
enum class Decoder { Jpeg, Gif, Tiff, Png, Webp, Heif, Magick };

// Tells whether a file is still the one that was opened.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t mtimeSeconds = 0;
    std::int64_t mtimeNanoseconds = 0;

    bool operator==(const FileIdentity&) const = default;
};

// A picture file whose header has been read, its pixels not yet.
struct SourceFile {
    std::string path;
    FileIdentity identity;
    Decoder decoder = Decoder::Jpeg;
    LegacyFormat legacyFormat = LegacyFormat::Bmp;  // for Decoder::Magick
    int width = 0;                                  // of the upright picture (EXIF orientation applied)
    int height = 0;
    int bits = 24;  // 8 for palette and greyscale pictures
    // An embedded ICC profile or CMYK pixels: converted to sRGB through ICC transforms. (Without
    // a profile the pixels are taken as sRGB already: libvips 8.14's transform from its own sRGB
    // profile to itself would shift colours.)
    bool colourManaged = false;
    // Bytes the decoder holds at once whatever size the picture is decoded at: the coefficients of
    // a progressive JPEG, the whole of an interlaced PNG or a GIF frame (memory_cost.h).
    std::int64_t wholeDecodeBytes = 0;
};

// Reads the header of a picture file: empty when the file is not a regular, non-empty file in a
// format Vimbral reads, or when its size is beyond the limits (limits.h).
std::optional<SourceFile> OpenSource(const std::string& path);

// The header of a picture that libvips' own decoders read (not BMP, PCX or TGA), its pixels not
// decoded: null when there is none.
ImageRef OpenNativeHeader(const std::string& path);

}  // namespace vimbral_impl
