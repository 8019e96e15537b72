#include "imaging/vimbral/source_file.h"

#include <sys/stat.h>

#include <utility>

#include "imaging/vimbral/decoding.h"
#include "imaging/vimbral/limits.h"
#include "imaging/vimbral/memory_cost.h"
#include "imaging/vimbral/vips_runtime.h"

namespace vimbral_impl {
namespace {

struct NativeLoader {
    const char* nickname;
    Decoder decoder;
};

constexpr NativeLoader kNativeLoaders[] = {
    {"jpegload", Decoder::Jpeg}, {"gifload", Decoder::Gif},   {"tiffload", Decoder::Tiff},
    {"pngload", Decoder::Png},   {"webpload", Decoder::Webp}, {"heifload", Decoder::Heif},
};

std::optional<FileIdentity> IdentifyRegularFile(const std::string& path) {
    struct stat st {};
    // A FIFO or a device named .jpg would block or never end: regular files only.
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
        return std::nullopt;
    }
    return FileIdentity{st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
}

// The header, lazily: libvips reads pixels only when they are asked for.
ImageRef OpenNativeHeader(const std::string& path, Decoder decoder) {
    VipsImage* header = nullptr;
    const char* p = path.c_str();
    const auto access = VIPS_ACCESS_SEQUENTIAL;
    const auto failOn = VIPS_FAIL_ON_ERROR;
    int status = -1;
    switch (decoder) {
        case Decoder::Jpeg:
            status = vips_jpegload(p, &header, "access", access, "fail_on", failOn, nullptr);
            break;
        case Decoder::Gif:
            status = vips_gifload(p, &header, "access", access, "fail_on", failOn, nullptr);
            break;
        case Decoder::Tiff:
            status = vips_tiffload(p, &header, "access", access, "fail_on", failOn, nullptr);
            break;
        case Decoder::Png:
            status = vips_pngload(p, &header, "access", access, "fail_on", failOn, nullptr);
            break;
        case Decoder::Webp:
            status = vips_webpload(p, &header, "access", access, "fail_on", failOn, nullptr);
            break;
        case Decoder::Heif:  // HEIC and AVIF; libheif applies the file's rotation and mirroring
            status = vips_heifload(p, &header, "access", access, "fail_on", failOn, nullptr);
            break;
        case Decoder::Magick:
            break;
    }
    if (status != 0) {
        DropVipsError();
        return nullptr;
    }
    return ImageRef(header);
}

bool ReadNative(SourceFile& source) {
    for (const NativeLoader& loader : kNativeLoaders) {
        if (!vips_foreign_is_a(loader.nickname, source.path.c_str())) {
            continue;
        }
        ImageRef header = OpenNativeHeader(source.path, loader.decoder);
        if (!header) {
            return false;
        }
        source.decoder = loader.decoder;
        source.width = vips_image_get_width(header.get());
        source.height = vips_image_get_height(header.get());
        if (vips_image_get_orientation_swap(header.get())) {
            std::swap(source.width, source.height);
        }
        const bool grey = vips_image_get_bands(header.get()) <= 2;
        source.colourManaged = NeedsColourManagement(header.get());
        source.bits = (loader.decoder == Decoder::Gif || grey) ? 8 : 24;
        source.wholeDecodeBytes = WholeDecodeBytes(header.get(), loader.decoder);
        return FitsLimits(source.width, source.height);
    }
    DropVipsError();
    return false;
}

bool TakeLegacy(SourceFile& source, const LegacyHeader& header) {
    source.decoder = Decoder::Magick;
    source.legacyFormat = header.format;
    source.width = header.width;
    source.height = header.height;
    source.bits = header.bits;
    source.wholeDecodeBytes = MagickDecodeBytes(header.width, header.height);
    return FitsLimits(source.width, source.height, kMaxPixelsWholeDecode);
}

}  // namespace

ImageRef OpenNativeHeader(const std::string& path) {
    if (!IdentifyRegularFile(path)) {
        return nullptr;
    }
    for (const NativeLoader& loader : kNativeLoaders) {
        if (vips_foreign_is_a(loader.nickname, path.c_str())) {
            return OpenNativeHeader(path, loader.decoder);
        }
    }
    DropVipsError();
    return nullptr;
}

std::optional<SourceFile> OpenSource(const std::string& path) {
    const auto identity = IdentifyRegularFile(path);
    if (!identity) {
        return std::nullopt;
    }
    SourceFile source;
    source.path = path;
    source.identity = *identity;
    const auto legacy = ReadLegacyHeader(path);
    const bool readable = legacy ? TakeLegacy(source, *legacy) : ReadNative(source);
    return readable ? std::optional(std::move(source)) : std::nullopt;
}

}  // namespace vimbral_impl
