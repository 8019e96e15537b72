#pragma once

#include <cstdint>

#include "imaging/vimbral/source_file.h"
#include "imaging/vimbral/vips_runtime.h"
#include "imaging/vimbral/writing.h"

namespace vimbral_impl {

// What decoding and writing a picture costs in memory, estimated from its header. libvips streams
// most formats through small strips, but some decoders hold a whole picture however small the
// result: libjpeg keeps every DCT coefficient of a progressive or multi-scan JPEG (2 bytes per
// sample at full resolution, even when it decodes at 1/8), interlaced PNG and GIF are decoded
// whole, and ImageMagick reads BMP, PCX and TGA whole. A header claiming a huge size over a few
// bytes of data costs as much as a real picture of that size.

// The bytes such a decoder holds for the picture whose header `header` is, read by `decoder`.
std::int64_t WholeDecodeBytes(VipsImage* header, Decoder decoder);
// The same for a picture that ImageMagick decodes whole.
std::int64_t MagickDecodeBytes(int width, int height);

// About the most memory that decoding `source` at width x height takes at once: what the decoder
// holds, its strips, and the result in memory when `inMemory` (a Stretch), not when it streams
// into a file (a Save at the source's size).
std::int64_t DecodeBytes(const SourceFile& source, int width, int height, bool inMemory);
// What writing a picture of width x height in `format` holds besides the picture.
std::int64_t WriteBytes(int width, int height, FileFormat format);

}  // namespace vimbral_impl
