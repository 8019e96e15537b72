#include "imaging/vimbral/memory_cost.h"

#include <cstring>

#include "imaging/vimbral/limits.h"

namespace vimbral_impl {
namespace {

constexpr std::int64_t kRgbBytes = 3;
// Rows of the source that libvips' strips, line caches and reduce kernels hold at once.
constexpr std::int64_t kStreamedRows = 64;

std::int64_t Pixels(int width, int height) {
    return static_cast<std::int64_t>(width) * height;
}

std::int64_t RoundUp16(int side) {
    return (static_cast<std::int64_t>(side) + 15) / 16 * 16;
}

// The share of the luma plane that each chroma plane takes.
double ChromaShare(VipsImage* header) {
    const char* subsample = nullptr;
    if (vips_image_get_typeof(header, "jpeg-chroma-subsample") == 0 ||
        vips_image_get_string(header, "jpeg-chroma-subsample", &subsample) != 0 || subsample == nullptr) {
        DropVipsError();
        return 1.0;
    }
    if (std::strcmp(subsample, "4:2:0") == 0) {
        return 0.25;
    }
    if (std::strcmp(subsample, "4:2:2") == 0 || std::strcmp(subsample, "4:4:0") == 0) {
        return 0.5;
    }
    return 1.0;  // 4:4:4, or not known: counted at full size
}

bool IntField(VipsImage* header, const char* name) {
    int value = 0;
    if (vips_image_get_typeof(header, name) == 0 || vips_image_get_int(header, name, &value) != 0) {
        DropVipsError();
        return false;
    }
    return value != 0;
}

std::int64_t JpegCoefficientBytes(VipsImage* header) {
    if (!IntField(header, "jpeg-multiscan")) {
        return 0;  // one interleaved scan: decoded row by row
    }
    const std::int64_t plane = RoundUp16(header->Xsize) * RoundUp16(header->Ysize) * 2;
    const int chroma = header->Bands >= 3 ? 2 : 0;
    const int full = header->Bands - chroma;
    return static_cast<std::int64_t>(plane * (full + chroma * ChromaShare(header)));
}

std::int64_t WholeBytes(VipsImage* header, std::int64_t bytesPerPixel) {
    return Pixels(header->Xsize, header->Ysize) * bytesPerPixel;
}

}  // namespace

std::int64_t WholeDecodeBytes(VipsImage* header, Decoder decoder) {
    const std::int64_t sampleBytes = header->BandFmt == VIPS_FORMAT_UCHAR ? 1 : 2;
    switch (decoder) {
        case Decoder::Jpeg:
            return JpegCoefficientBytes(header);
        case Decoder::Png:
            return IntField(header, "interlaced") ? WholeBytes(header, header->Bands * sampleBytes) : 0;
        case Decoder::Gif:
            return WholeBytes(header, 8);  // the frame the decoder draws into and libvips' copy of it
        case Decoder::Webp:
            return WholeBytes(header, 4);  // libwebp decodes a whole frame
        case Decoder::Heif:
            // libheif hands over a whole decoded picture, after its codec's own frame.
            return WholeBytes(header, header->Bands * sampleBytes * 2);
        case Decoder::Tiff:
            // A strip may be the whole picture; tiles and strips are not told apart here.
            return WholeBytes(header, header->Bands * sampleBytes);
        case Decoder::Magick:
            break;
    }
    return 0;
}

std::int64_t MagickDecodeBytes(int width, int height) {
    return Pixels(width, height) * 15;  // ImageMagick's own pixels and libvips' copy of them
}

std::int64_t DecodeBytes(const SourceFile& source, int width, int height, bool inMemory) {
    const std::int64_t strips = static_cast<std::int64_t>(source.width) * kRgbBytes * kStreamedRows;
    const std::int64_t result = inMemory ? Pixels(width, height) * kRgbBytes : 0;
    return source.wholeDecodeBytes + strips + result;
}

std::int64_t WriteBytes(int width, int height, FileFormat format) {
    const std::int64_t pixels = Pixels(width, height);
    if (format == FileFormat::Gif) {
        return pixels * 8;  // RGBA copy, palette indices and the quantiser's buffers
    }
    if (format == FileFormat::Webp || format == FileFormat::WebpFast) {
        return pixels * 4;  // libwebp's YUV planes and the whole encoded file
    }
    return format == FileFormat::Jpeg && pixels <= kMaxOptimizedPixels ? pixels * kRgbBytes : 0;
}

}  // namespace vimbral_impl
