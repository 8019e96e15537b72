// The exported functions of libvimbral.so. Every one of them returns a value for every failure:
// no exception and no libvips error leaves the library.

#include "imaging/vimbral/vimbral.h"

#include <algorithm>
#include <string>
#include <utility>

#include "imaging/vimbral/comments.h"
#include "imaging/vimbral/cubic_reduce.h"
#include "imaging/vimbral/decoding.h"
#include "imaging/vimbral/file_inspection.h"
#include "imaging/vimbral/image_object.h"
#include "imaging/vimbral/kept_decode.h"
#include "imaging/vimbral/limits.h"
#include "imaging/vimbral/memory_cost.h"
#include "imaging/vimbral/writing.h"

namespace vimbral_impl {

ImageRef DecodeSource(const SourceFile& source, int width, int height) {
    if (ImageRef kept = FindKeptDecode(source, width, height)) {
        return ResizeInMemory(kept.get(), width, height);
    }
    ImageRef decoded = DecodeAt(source, width, height);
    if (decoded) {
        KeepDecode(source, decoded.get());
    }
    return decoded;
}

bool DecodeInPlace(vimbral::ImageObject& image) {
    if (image.pixels) {
        return true;
    }
    if (!image.Usable()) {
        return false;
    }
    image.pixels = DecodeSource(*image.source, image.width, image.height);
    if (!image.pixels) {
        image.undecodable = true;
        return false;
    }
    image.source.reset();
    return true;
}

}  // namespace vimbral_impl

namespace vimbral {
namespace {

using namespace vimbral_impl;

template <typename Body>
auto Guarded(Body body, decltype(body()) failure) noexcept {
    try {
        return body();
    } catch (...) {
        DropVipsError();
        return failure;
    }
}

}  // namespace

Image InitImageObject() {
    return Guarded([]() -> Image { return StartVips() ? new ImageObject() : nullptr; }, nullptr);
}

Image InitImageObject(const char* path, Canvas* canvas, int a, int b) {
    Image image = InitImageObject();
    if (image != nullptr && Load(image, path, canvas, a, b) == 0) {
        DeleteImageObject(image);
        return nullptr;
    }
    return image;
}

int Load(Image image, const char* path, Canvas*, int, int) {
    if (image == nullptr) {
        return 0;
    }
    return Guarded(
        [&] {
            image->Clear();
            if (path == nullptr || !StartVips()) {
                return 0;
            }
            auto source = OpenSource(path);
            if (!source) {
                return 0;
            }
            image->width = source->width;
            image->height = source->height;
            image->bits = source->bits;
            image->source = std::move(source);
            return 1;
        },
        0);
}

int Save(Image image, const char* path, int format) {
    if (image == nullptr || path == nullptr || !image->Usable()) {
        return 0;
    }
    FileFormat fileFormat;
    switch (format) {
        case kFormatJpeg:
        case kFormatThumbnail:
            fileFormat = FileFormat::Jpeg;
            break;
        case kFormatGif:
            fileFormat = FileFormat::Gif;
            break;
        case kFormatWebp:
            fileFormat = FileFormat::Webp;
            break;
        case kFormatWebpFast:
            fileFormat = FileFormat::WebpFast;
            break;
        case kFormatJpegFast:
            fileFormat = FileFormat::JpegFast;
            break;
        default:
            return 0;
    }
    return Guarded(
        [&] {
            if (image->pixels) {
                return WriteFileAtomically(image->pixels.get(), path, fileFormat, image->quality,
                                           image->comment)
                           ? 1
                           : 0;
            }
            // Not decoded yet: stream from the file, without holding the whole picture in memory.
            auto pipeline = OpenAt(*image->source, image->width, image->height);
            if (!pipeline) {
                image->undecodable = true;
                return 0;
            }
            return WriteFileAtomically(pipeline->image.get(), path, fileFormat, image->quality,
                                       image->comment)
                       ? 1
                       : 0;
        },
        0);
}

int ChangeImageFormat(Image image, int bitsPerPixel) {
    if (image == nullptr || image->Empty() || (bitsPerPixel != 24 && bitsPerPixel != 8)) {
        return 0;
    }
    image->bits = bitsPerPixel;
    return 1;
}

int SetQuality(Image image, int quality) {
    if (image == nullptr) {
        return 0;
    }
    image->quality = quality < 1 ? kDefaultQuality : (quality > 100 ? 100 : quality);
    return 1;
}

int GetWidth(Image image) {
    return image != nullptr ? image->width : 0;
}

int GetHeight(Image image) {
    return image != nullptr ? image->height : 0;
}

int GetNumBits(Image image) {
    return image != nullptr ? image->bits : 0;
}

int Stretch(Image image, int width, int height) {
    if (image == nullptr || !image->Usable() || !FitsLimits(width, height)) {
        return 0;
    }
    if (width == image->width && height == image->height) {
        return 1;
    }
    return Guarded(
        [&] {
            ImageRef resized = image->pixels ? ResizeInMemory(image->pixels.get(), width, height)
                                             : DecodeSource(*image->source, width, height);
            if (!resized) {
                image->undecodable = !image->pixels;
                return 0;
            }
            image->pixels = std::move(resized);
            image->source.reset();
            image->width = width;
            image->height = height;
            return 1;
        },
        0);
}

int Shrink(Image image, int width, int height) {
    if (image == nullptr || !image->Usable() || !FitsLimits(width, height) || width > image->width ||
        height > image->height) {
        return 0;
    }
    return Guarded(
        [&] {
            ImageRef reduced = image->pixels ? ReduceInMemory(image->pixels.get(), width, height)
                                             : DecodeShrunk(*image->source, width, height);
            if (!reduced) {
                image->undecodable = !image->pixels;
                return 0;
            }
            image->source.reset();
            image->pixels = std::move(reduced);
            image->width = width;
            image->height = height;
            return 1;
        },
        0);
}

void DeleteImageObject(Image image) {
    delete image;
}

Image CopyImageObject(Image image) {
    if (image == nullptr || !image->Usable()) {
        return nullptr;
    }
    return Guarded(
        [&]() -> Image {
            if (!DecodeInPlace(*image)) {
                return nullptr;
            }
            auto* copy = new ImageObject();
            copy->pixels = Share(image->pixels.get());
            copy->width = image->width;
            copy->height = image->height;
            copy->bits = image->bits;
            copy->quality = image->quality;
            copy->comment = image->comment;
            return copy;
        },
        nullptr);
}

std::int64_t GetPeakMemory(Image image, int width, int height, int format) {
    if (image == nullptr || image->Empty() || width < 1 || height < 1) {
        return 0;
    }
    std::int64_t writing = 0;
    if (format == kFormatJpeg || format == kFormatThumbnail) {
        writing = WriteBytes(width, height, FileFormat::Jpeg);
    } else if (format == kFormatJpegFast) {
        writing = WriteBytes(width, height, FileFormat::JpegFast);
    } else if (format == kFormatGif) {
        writing = WriteBytes(width, height, FileFormat::Gif);
    } else if (format == kFormatWebp || format == kFormatWebpFast) {
        writing = WriteBytes(width, height, FileFormat::Webp);
    }
    const std::int64_t result = static_cast<std::int64_t>(width) * height * 3;
    const bool resized = width != image->width || height != image->height;
    if (image->pixels) {
        const std::int64_t held = static_cast<std::int64_t>(image->width) * image->height * 3;
        return held + (resized ? result : 0) + writing;
    }
    if (!resized) {  // Save streams from the file into the writer
        return DecodeBytes(*image->source, width, height, false) + writing;
    }
    // Stretch decodes into memory; the decoder is gone before Save writes the result.
    const std::int64_t decoding = DecodeBytes(*image->source, width, height, true);
    return decoding > result + writing ? decoding : result + writing;
}

std::int64_t GetShrinkMemory(Image image, int width, int height) {
    if (image == nullptr || image->Empty() || width < 1 || height < 1) {
        return 0;
    }
    if (!image->pixels) {
        return DecodeShrunkBytes(*image->source, width, height);
    }
    const std::int64_t held = static_cast<std::int64_t>(image->width) * image->height * 3;
    return held + ReduceCubicBytes(image->width, width, height, 3) +
           static_cast<std::int64_t>(width) * height * 3;
}

int SetComment(Image image, const char* text) {
    if (image == nullptr) {
        return 0;
    }
    return Guarded(
        [&] {
            const std::string comment = text != nullptr ? text : "";
            if (comment.size() > kMaxCommentBytes) {
                return 0;
            }
            image->comment = comment;
            return 1;
        },
        0);
}

int ReadComment(const char* path, char* buffer, int size) {
    return InspectFile(path, buffer, size, nullptr);
}

int InspectFile(const char* path, char* buffer, int size, int* whole) {
    if (whole != nullptr) {
        *whole = 0;
    }
    if (path == nullptr) {
        return -1;
    }
    return Guarded(
        [&] {
            const FileInspection found = vimbral_impl::InspectFile(path);
            if (whole != nullptr) {
                *whole = found.kind == FileInspection::Kind::Gif ? -1 : (found.whole ? 1 : 0);
            }
            if (!found.comment) {
                return -1;
            }
            const std::string& comment = *found.comment;
            if (buffer != nullptr && size > 0) {
                const std::size_t copied = std::min(comment.size(), static_cast<std::size_t>(size - 1));
                comment.copy(buffer, copied);
                buffer[copied] = '\0';
            }
            return static_cast<int>(comment.size());
        },
        -1);
}

void ReleaseKeptDecode() {
    DropKeptDecode();
}

}  // namespace vimbral
