#include "imaging/vimbral/decoding.h"

#include <algorithm>
#include <string>
#include <vector>

#include "imaging/vimbral/cubic_reduce.h"
#include "imaging/vimbral/limits.h"
#include "imaging/vimbral/memory_cost.h"

namespace vimbral_impl {
namespace {

std::mutex g_wholeDecodeMutex;

// Runs one libvips operation on `in`; null (and the error forgotten) when it fails.
template <typename Operation>
ImageRef Apply(const ImageRef& in, Operation operation) {
    if (!in) {
        return nullptr;
    }
    VipsImage* out = nullptr;
    if (operation(in.get(), &out) != 0) {
        DropVipsError();
        return nullptr;
    }
    return ImageRef(out);
}

// White, and full opacity, in the value range of the image's band format.
double WhiteOf(const VipsImage* image) {
    switch (image->BandFmt) {
        case VIPS_FORMAT_USHORT:
        case VIPS_FORMAT_SHORT:
            return 65535.0;
        case VIPS_FORMAT_FLOAT:
        case VIPS_FORMAT_DOUBLE:
            return image->Type == VIPS_INTERPRETATION_scRGB ? 1.0 : 255.0;
        default:
            return 255.0;
    }
}

ImageRef FlattenOntoWhite(ImageRef image) {
    if (!image || !vips_image_hasalpha(image.get())) {
        return image;
    }
    const double white = WhiteOf(image.get());
    std::vector<double> background(static_cast<std::size_t>(image->Bands - 1), white);
    VipsArrayDouble* array = vips_array_double_new(background.data(), static_cast<int>(background.size()));
    ImageRef flat = Apply(image, [&](VipsImage* in, VipsImage** out) {
        return vips_flatten(in, out, "background", array, "max_alpha", white, nullptr);
    });
    vips_area_unref(VIPS_AREA(array));
    return flat;
}

ImageRef ToThreeBands(ImageRef image) {
    if (!image) {
        return nullptr;
    }
    if (image->Bands > 3) {
        return Apply(image, [](VipsImage* in, VipsImage** out) {
            return vips_extract_band(in, out, 0, "n", 3, nullptr);
        });
    }
    if (image->Bands < 3) {
        ImageRef grey =
            image->Bands == 1 ? std::move(image) : Apply(image, [](VipsImage* in, VipsImage** out) {
                return vips_extract_band(in, out, 0, nullptr);
            });
        return Apply(grey, [](VipsImage* in, VipsImage** out) {
            VipsImage* bands[3] = {in, in, in};
            return vips_bandjoin(bands, out, 3, nullptr);
        });
    }
    return image;
}

// Greyscale, CMYK, 16-bit, float and alpha pictures all become 8-bit sRGB with three bands.
ImageRef ToSrgb8(ImageRef image) {
    image = FlattenOntoWhite(std::move(image));
    if (!image) {
        return nullptr;
    }
    if (image->Type != VIPS_INTERPRETATION_sRGB || image->BandFmt != VIPS_FORMAT_UCHAR) {
        ImageRef srgb = Apply(image, [](VipsImage* in, VipsImage** out) {
            return vips_colourspace(in, out, VIPS_INTERPRETATION_sRGB, nullptr);
        });
        if (srgb) {  // pictures without a known colour space keep their values
            image = std::move(srgb);
        }
    }
    if (image->BandFmt != VIPS_FORMAT_UCHAR) {
        image = Apply(image, [](VipsImage* in, VipsImage** out) {
            return vips_cast(in, out, VIPS_FORMAT_UCHAR, "shift", TRUE, nullptr);
        });
    }
    return ToThreeBands(std::move(image));
}

// Resampling may round a side to one pixel more or less: crop or repeat the edge to fit exactly.
ImageRef FitExactly(ImageRef image, int width, int height) {
    if (!image || (image->Xsize == width && image->Ysize == height)) {
        return image;
    }
    if (image->Xsize > width || image->Ysize > height) {
        const int w = std::min(image->Xsize, width);
        const int h = std::min(image->Ysize, height);
        image = Apply(image, [&](VipsImage* in, VipsImage** out) {
            return vips_extract_area(in, out, 0, 0, w, h, nullptr);
        });
    }
    if (image && (image->Xsize < width || image->Ysize < height)) {
        image = Apply(image, [&](VipsImage* in, VipsImage** out) {
            return vips_embed(in, out, 0, 0, width, height, "extend", VIPS_EXTEND_COPY, nullptr);
        });
    }
    return image;
}

ImageRef CopyToMemory(const ImageRef& image) {
    if (!image) {
        return nullptr;
    }
    VipsImage* memory = vips_image_copy_memory(image.get());
    if (memory == nullptr) {
        DropVipsError();
    }
    return ImageRef(memory);
}

// A picture in memory with 8-bit samples, reduced by ReduceCubic into a new picture in memory
// that carries the same fields and metadata; null for other pictures.
ImageRef ReduceCubicInMemory(VipsImage* picture, int width, int height) {
    if (picture->BandFmt != VIPS_FORMAT_UCHAR || picture->Coding != VIPS_CODING_NONE ||
        vips_image_wio_input(picture) != 0 ||
        VIPS_IMAGE_SIZEOF_LINE(picture) != static_cast<std::size_t>(picture->Xsize) * picture->Bands) {
        DropVipsError();
        return nullptr;
    }
    ImageRef reduced(vips_image_new_memory());
    if (!reduced || vips_image_pipelinev(reduced.get(), VIPS_DEMAND_STYLE_THINSTRIP, picture, nullptr) != 0) {
        DropVipsError();
        return nullptr;
    }
    reduced->Xsize = width;
    reduced->Ysize = height;
    if (vips_image_write_prepare(reduced.get()) != 0) {
        DropVipsError();
        return nullptr;
    }
    if (!ReduceCubic(static_cast<const std::uint8_t*>(VIPS_IMAGE_ADDR(picture, 0, 0)), picture->Xsize,
                     picture->Ysize, picture->Bands,
                     static_cast<std::uint8_t*>(VIPS_IMAGE_ADDR(reduced.get(), 0, 0)), width, height)) {
        return nullptr;
    }
    return reduced;
}

// The whole factor in one pass of the cubic kernel: vips_resize would first box-shrink by the
// factor's integer part. Cubic, not lanczos3: it costs about a third less. Pictures of 8-bit
// samples take ReduceCubic, about twice as fast as libvips' reduce in plain C.
ImageRef ReduceWholeFactor(const ImageRef& picture, int width, int height) {
    if (ImageRef reduced = ReduceCubicInMemory(picture.get(), width, height)) {
        return reduced;
    }
    const double hshrink = static_cast<double>(picture->Xsize) / width;
    const double vshrink = static_cast<double>(picture->Ysize) / height;
    ImageRef reduced = Apply(picture, [&](VipsImage* in, VipsImage** out) {
        return vips_reduce(in, out, hshrink, vshrink, "kernel", VIPS_KERNEL_CUBIC, nullptr);
    });
    return CopyToMemory(FitExactly(std::move(reduced), width, height));
}

ImageRef ThumbnailFromFile(const SourceFile& source, int width, int height) {
    VipsImage* out = nullptr;
    const int status =
        source.colourManaged
            ? vips_thumbnail(source.path.c_str(), &out, width, "height", height, "size", VIPS_SIZE_FORCE,
                             "fail_on", VIPS_FAIL_ON_ERROR, "export_profile", "srgb", nullptr)
            : vips_thumbnail(source.path.c_str(), &out, width, "height", height, "size", VIPS_SIZE_FORCE,
                             "fail_on", VIPS_FAIL_ON_ERROR, nullptr);
    if (status != 0) {
        DropVipsError();
        return nullptr;
    }
    return ImageRef(out);
}

// ImageMagick reads the whole picture when it opens it, so it is opened once and resampled from
// memory. The coder is named explicitly ("BMP:path"): ImageMagick then neither guesses another
// format nor reads a colon in the path as a format prefix.
ImageRef ThumbnailThroughMagick(const SourceFile& source, int width, int height) {
    const std::string name = std::string(MagickCoder(source.legacyFormat)) + ":" + source.path;
    VipsImage* loaded = nullptr;
    if (vips_magickload(name.c_str(), &loaded, "fail_on", VIPS_FAIL_ON_ERROR, nullptr) != 0) {
        DropVipsError();
        return nullptr;
    }
    ImageRef whole(loaded);
    if (!FitsLimits(whole->Xsize, whole->Ysize, kMaxPixelsWholeDecode)) {
        return nullptr;
    }
    const bool colourManaged = NeedsColourManagement(whole.get());
    return Apply(whole, [&](VipsImage* in, VipsImage** out) {
        return colourManaged
                   ? vips_thumbnail_image(in, out, width, "height", height, "size", VIPS_SIZE_FORCE,
                                          "export_profile", "srgb", nullptr)
                   : vips_thumbnail_image(in, out, width, "height", height, "size", VIPS_SIZE_FORCE, nullptr);
    });
}

}  // namespace

bool NeedsColourManagement(VipsImage* image) {
    return vips_image_get_typeof(image, VIPS_META_ICC_NAME) != 0 ||
           vips_image_get_interpretation(image) == VIPS_INTERPRETATION_CMYK;
}

std::optional<Pipeline> OpenAt(const SourceFile& source, int width, int height) {
    if (!FitsLimits(width, height)) {
        return std::nullopt;
    }
    Pipeline pipeline;
    ImageRef sized;
    if (source.decoder == Decoder::Magick) {
        pipeline.wholeDecode = std::unique_lock(g_wholeDecodeMutex);
        sized = ThumbnailThroughMagick(source, width, height);
    } else {
        sized = ThumbnailFromFile(source, width, height);
    }
    pipeline.image = FitExactly(ToSrgb8(std::move(sized)), width, height);
    if (!pipeline.image) {
        return std::nullopt;
    }
    return pipeline;
}

ImageRef DecodeAt(const SourceFile& source, int width, int height) {
    auto pipeline = OpenAt(source, width, height);
    return pipeline ? CopyToMemory(pipeline->image) : nullptr;
}

ImageRef ResizeInMemory(VipsImage* picture, int width, int height) {
    if (picture == nullptr || !FitsLimits(width, height)) {
        return nullptr;
    }
    if (picture->Xsize == width && picture->Ysize == height) {
        return Share(picture);
    }
    const double hscale = static_cast<double>(width) / picture->Xsize;
    const double vscale = static_cast<double>(height) / picture->Ysize;
    ImageRef resized = Apply(Share(picture), [&](VipsImage* in, VipsImage** out) {
        return vips_resize(in, out, hscale, "vscale", vscale, nullptr);
    });
    return CopyToMemory(FitExactly(ToSrgb8(std::move(resized)), width, height));
}

ImageRef ReduceInMemory(VipsImage* picture, int width, int height) {
    if (picture == nullptr || !FitsLimits(width, height) || width > picture->Xsize ||
        height > picture->Ysize) {
        return nullptr;
    }
    if (picture->Xsize == width && picture->Ysize == height) {
        return Share(picture);
    }
    return ReduceWholeFactor(Share(picture), width, height);
}

int JpegShrinkFactor(const SourceFile& source, int width, int height) {
    int shrink = 8;
    while (shrink > 1 && (source.width / shrink < width || source.height / shrink < height)) {
        shrink /= 2;
    }
    return shrink;
}

std::int64_t DecodeShrunkBytes(const SourceFile& source, int width, int height) {
    if (source.decoder != Decoder::Jpeg || source.colourManaged) {
        return DecodeBytes(source, width, height, true);
    }
    const std::int64_t shrink = JpegShrinkFactor(source, width, height);
    const std::int64_t loaded =
        (source.width + shrink - 1) / shrink * ((source.height + shrink - 1) / shrink) * 3;
    const std::int64_t result = static_cast<std::int64_t>(width) * height * 3;
    // Decoding into memory; then the reduce, whose scratch is at most twice the decode; then the
    // result and its upright copy.
    return std::max({DecodeBytes(source, width, height, false) + loaded, 3 * loaded + result, 2 * result});
}

ImageRef DecodeShrunk(const SourceFile& source, int width, int height) {
    if (!FitsLimits(width, height) || width > source.width || height > source.height) {
        return nullptr;
    }
    // Pictures that need colour management, and other formats, take the usual way.
    if (source.decoder != Decoder::Jpeg || source.colourManaged) {
        return DecodeAt(source, width, height);
    }
    const int shrink = JpegShrinkFactor(source, width, height);
    VipsImage* loaded = nullptr;
    if (vips_jpegload(source.path.c_str(), &loaded, "shrink", shrink, "access", VIPS_ACCESS_SEQUENTIAL,
                      "fail_on", VIPS_FAIL_ON_ERROR, nullptr) != 0) {
        DropVipsError();
        return nullptr;
    }
    ImageRef picture = ToSrgb8(ImageRef(loaded));
    if (!picture) {
        return nullptr;
    }
    // Reduced as stored, read in order, and turned upright once small and in memory.
    const bool turned = vips_image_get_orientation_swap(picture.get()) != 0;
    const int storedWidth = turned ? height : width;
    const int storedHeight = turned ? width : height;
    // The decode is held whole for the reduce (DecodeShrunkBytes counts it).
    ImageRef stored = picture->Xsize > storedWidth && picture->Ysize > storedHeight
                          ? ReduceWholeFactor(CopyToMemory(picture), storedWidth, storedHeight)
                          : CopyToMemory(FitExactly(std::move(picture), storedWidth, storedHeight));
    ImageRef upright =
        Apply(stored, [](VipsImage* in, VipsImage** out) { return vips_autorot(in, out, nullptr); });
    return CopyToMemory(upright);
}

}  // namespace vimbral_impl
