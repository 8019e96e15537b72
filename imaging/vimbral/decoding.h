#pragma once

#include <mutex>
#include <optional>

#include "imaging/vimbral/source_file.h"
#include "imaging/vimbral/vips_runtime.h"

namespace vimbral_impl {

// A picture as Vimbral keeps and writes it: 8-bit sRGB, three bands, no alpha, exactly the size
// asked for, upright.
struct Pipeline {
    ImageRef image;  // lazy: pixels are decoded as they are read
    // Held while an ImageMagick decode lives: those decode whole pictures into memory, so they take
    // turns across threads to keep memory bounded.
    std::unique_lock<std::mutex> wholeDecode;
};

// The source resampled to width x height: shrink-on-load where the format has it (JPEG DCT
// scaling), then libvips' reduce kernels; EXIF orientation and colour management applied.
std::optional<Pipeline> OpenAt(const SourceFile& source, int width, int height);

// Whether a picture carries an ICC profile or CMYK pixels.
bool NeedsColourManagement(VipsImage* image);

// OpenAt, decoded into memory. Null when the file cannot be decoded.
ImageRef DecodeAt(const SourceFile& source, int width, int height);

// A picture in Vimbral's form resampled to width x height, in memory.
ImageRef ResizeInMemory(VipsImage* picture, int width, int height);

// The same, down only (null for a size above the picture's), in one pass of libvips' reduce kernel.
ImageRef ReduceInMemory(VipsImage* picture, int width, int height);

// The source decoded at width x height, no larger than it, in memory: a JPEG without colour
// management is decoded at the smallest DCT scale that covers the size, then reduced in one pass
// (DecodeAt leaves a factor of two above the size for its resample, which costs a third more);
// other pictures as DecodeAt decodes them.
ImageRef DecodeShrunk(const SourceFile& source, int width, int height);
// The DCT scale (1, 2, 4 or 8) DecodeShrunk decodes a JPEG at for that size.
int JpegShrinkFactor(const SourceFile& source, int width, int height);
// The most bytes DecodeShrunk holds at once.
std::int64_t DecodeShrunkBytes(const SourceFile& source, int width, int height);

}  // namespace vimbral_impl
