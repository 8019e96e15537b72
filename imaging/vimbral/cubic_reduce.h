#pragma once

#include <cstdint>

namespace vimbral_impl {

// Reduces a picture of 8-bit samples, `bands` interleaved per pixel and rows packed, from
// width x height to outWidth x outHeight (neither side larger) with the cubic (Catmull-Rom) kernel
// widened by the factor, as libvips' reduce does, centres aligned and edges extended. `out` holds
// outWidth * outHeight * bands bytes. Returns false, writing nothing, for sizes it cannot do.
//
// libvips reduces in plain C while its run-time code generation is off (see vips_runtime.cpp);
// this runs each pass down whole rows, which the compiler turns into vector code, and the second
// pass on the picture turned on its side.
bool ReduceCubic(const std::uint8_t* in, int width, int height, int bands, std::uint8_t* out, int outWidth,
                 int outHeight);

// The most scratch bytes ReduceCubic holds at once besides `in` and `out`.
std::int64_t ReduceCubicBytes(int width, int outWidth, int outHeight, int bands);

}  // namespace vimbral_impl
