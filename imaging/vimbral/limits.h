#pragma once

#include <cstdint>

#include "imaging/vimbral/vimbral.h"

namespace vimbral_impl {

// Pictures larger than this are refused at load, and Stretch refuses such sizes: a header that
// claims 100,000 x 100,000 pixels never reaches a decoder.
inline constexpr int kMaxSide = 30'000;
inline constexpr std::int64_t kMaxPixels = 200'000'000;
// BMP, PCX and TGA are decoded whole by ImageMagick (about 15 bytes per pixel at its peak).
inline constexpr std::int64_t kMaxPixelsWholeDecode = 50'000'000;
// The largest decode a thread keeps for the next load of the same file (12 MB of pixels).
inline constexpr std::int64_t kMaxKeptPixels = vimbral::kMaxKeptDecodePixels;
// JPEG files up to this size are written with optimised Huffman tables, for which libjpeg holds
// every coefficient of the output in memory.
inline constexpr std::int64_t kMaxOptimizedPixels = 4'000'000;

inline bool FitsLimits(int width, int height, std::int64_t maxPixels = kMaxPixels) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
           static_cast<std::int64_t>(width) * height <= maxPixels;
}

}  // namespace vimbral_impl
