#pragma once

#include <optional>
#include <string>

namespace vimbral_impl {

enum class LegacyFormat { Bmp, Pcx, Tga };

// What the first bytes of a BMP, PCX or TGA file say, read without ImageMagick.
struct LegacyHeader {
    LegacyFormat format;
    int width = 0;
    int height = 0;
    int bits = 24;  // 8 for palette and greyscale pictures
};

// BMP and PCX are known by their first bytes; TGA has no signature and is taken only from a file
// whose name ends in ".tga" (any letter case). Empty when the header is none of these or invalid.
std::optional<LegacyHeader> ReadLegacyHeader(const std::string& path);

// The ImageMagick coder name for a format: "BMP", "PCX", "TGA".
const char* MagickCoder(LegacyFormat format);

}  // namespace vimbral_impl
