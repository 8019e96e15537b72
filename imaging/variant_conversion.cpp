#include "imaging/variant_conversion.h"

#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "engine/directory.h"
#include "engine/picture_names.h"
#include "imaging/output_provenance.h"
#include "imaging/vimbral/vimbral.h"

namespace {

struct ImageDeleter {
    void operator()(vimbral::ImageObject* image) const { vimbral::DeleteImageObject(image); }
};
using ImageHandle = std::unique_ptr<vimbral::ImageObject, ImageDeleter>;

std::int64_t Pixels(const PictureSize& size) {
    return static_cast<std::int64_t>(size.width) * size.height;
}

// What the one decode must serve. A large picture that keeps the size of a source larger than
// every variant is streamed from the file instead: resampling each variant from the whole picture
// in memory costs more than that second pass (measured: 85 s against 46 s for the corpus).
struct DecodeChoice {
    PictureSize size;           // the decode's size
    bool largeStreams = false;  // the large picture keeps the source size and is streamed
};

DecodeChoice ChooseDecode(const ConversionSettings& settings, const VariantPlan& plan,
                          const StaleOutputs& stale, const PictureSize& source) {
    DecodeChoice choice;
    const auto serve = [&](const PictureSize& size) {
        if (size.width > choice.size.width) {
            choice.size = size;
        }
    };
    for (std::size_t i = 0; i < plan.files.size(); ++i) {
        if (stale.variants[i]) {
            serve(plan.files[i].size);
        }
    }
    if (stale.thumbnail) {
        serve(ThumbnailSize(source.width, source.height, settings.thumbMaxWidth, settings.thumbMaxHeight)
                  .value_or(source));
    }
    if (stale.large && settings.makeLargePictures) {
        const auto large =
            LargePictureSize(source.width, source.height, settings.largeMaxWidth, settings.largeMaxHeight);
        if (large) {
            serve(*large);
        } else if (choice.size.width < source.width) {
            choice.largeStreams = true;
        }
    }
    if (choice.size.width >= source.width || choice.size.height >= source.height || choice.size.width < 1) {
        choice.size = source;
    }
    return choice;
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

int VariantQuality(const ConversionSettings& settings, const VariantFile& file) {
    return file.webp ? WebpQualityFor(settings.jpegQuality) : settings.jpegQuality;
}

// The pictures resampled so far from the one decode: each output is made from the smallest of
// them that covers its size, so a chain of widths costs about one resample of the decode.
class ResampleChain {
public:
    explicit ResampleChain(vimbral::Image decoded) {
        if (decoded != nullptr) {
            m_made.emplace_back(vimbral::CopyImageObject(decoded));
        }
    }

    // A handle of its own at exactly `size`; null when the pixels cannot be had.
    ImageHandle CopyAt(const PictureSize& size) {
        vimbral::Image from = nullptr;
        for (const ImageHandle& made : m_made) {
            const int width = vimbral::GetWidth(made.get());
            if (made && width >= size.width && vimbral::GetHeight(made.get()) >= size.height &&
                (from == nullptr || width < vimbral::GetWidth(from))) {
                from = made.get();
            }
        }
        if (from == nullptr) {  // larger than the decode: enlarged from it
            if (m_made.empty() || !m_made.front()) {
                return nullptr;
            }
            ImageHandle copy(vimbral::CopyImageObject(m_made.front().get()));
            return copy && vimbral::Stretch(copy.get(), size.width, size.height) != 0 ? std::move(copy)
                                                                                      : nullptr;
        }
        ImageHandle copy(vimbral::CopyImageObject(from));
        if (!copy) {
            return nullptr;
        }
        if (vimbral::GetWidth(from) != size.width || vimbral::GetHeight(from) != size.height) {
            if (vimbral::Shrink(copy.get(), size.width, size.height) == 0) {
                return nullptr;
            }
            m_made.emplace_back(vimbral::CopyImageObject(copy.get()));
        }
        return copy;
    }

private:
    std::vector<ImageHandle> m_made;
};

HalfResult WriteVariant(const ConversionSettings& settings, const VariantFile& file,
                        const SourceIdentity& identity, ResampleChain& chain) {
    const std::string target = JoinPath(settings.destFolder, file.name);
    if (PathExists(target) && !ReadProvenance(target)) {
        return {HalfResult::NotWritten, target, "a file that Galvane did not make has this name"};
    }
    const ImageHandle copy = chain.CopyAt(file.size);
    if (!copy) {
        return {HalfResult::Unreadable, target, "the picture's data could not be decoded"};
    }
    vimbral::SetComment(copy.get(), VariantProvenanceText(settings, file, identity).c_str());
    vimbral::ChangeImageFormat(copy.get(), 24);
    vimbral::SetQuality(copy.get(), VariantQuality(settings, file));
    const int format = !file.webp  ? (file.fast ? vimbral::kFormatJpegFast : vimbral::kFormatJpeg)
                       : file.fast ? vimbral::kFormatWebpFast
                                   : vimbral::kFormatWebp;
    if (vimbral::Save(copy.get(), target.c_str(), format) == 0) {
        return SaveFailed(target, 16 << 10);
    }
    return {HalfResult::Written, target, {}};
}

// The plan's files, widest first, so that each is resampled from the next bigger one.
std::vector<std::size_t> WidestFirst(const VariantPlan& plan) {
    std::vector<std::size_t> order(plan.files.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return plan.files[a].size.width > plan.files[b].size.width;
    });
    return order;
}

}  // namespace

bool StaleOutputs::Any() const {
    if (large || thumbnail) {
        return true;
    }
    for (const bool variant : variants) {
        if (variant) {
            return true;
        }
    }
    return false;
}

StaleOutputs FindStaleOutputs(const ConversionSettings& settings, const std::string& sourcePath,
                              const VariantPlan& plan) {
    StaleOutputs stale;
    // The source is read for its identity once, for all its outputs.
    const auto identity = IdentifySource(sourcePath);
    stale.large = !OutputUpToDate(settings, sourcePath, OutputKind::LargePicture, &identity);
    stale.thumbnail = !OutputUpToDate(settings, sourcePath, OutputKind::Thumbnail, &identity);
    for (const VariantFile& file : plan.files) {
        stale.variants.push_back(settings.rebuild || !identity ||
                                 !IsOutputUpToDate(JoinPath(settings.destFolder, file.name),
                                                   VariantProvenanceText(settings, file, *identity)));
    }
    return stale;
}

VariantConversion ConvertWithVariants(const ConversionSettings& settings, const std::string& sourcePath,
                                      const VariantPlan& plan, const StaleOutputs& stale,
                                      const std::function<void(const HalfResult&)>& largeDone) {
    // What the thread kept of the decode would only hold memory after this picture.
    struct ReleaseKept {
        ~ReleaseKept() { vimbral::ReleaseKeptDecode(); }
    } releaseKept;
    VariantConversion result;
    const std::string thumbnailTarget = JoinPath(settings.destFolder, ThumbnailName(sourcePath));
    // Taken before the load: a source changed while it is read gets a new identity.
    const auto identity = IdentifySource(sourcePath);
    const ImageHandle image(vimbral::InitImageObject(sourcePath.c_str(), nullptr, -1, -1));
    const PictureSize source{vimbral::GetWidth(image.get()), vimbral::GetHeight(image.get())};
    const DecodeChoice decode = ChooseDecode(settings, plan, stale, source);
    const bool decoded =
        image && identity &&
        (decode.size == source ? true
                               : vimbral::Shrink(image.get(), decode.size.width, decode.size.height) != 0);
    // Every output below comes from this decode: the source is decoded once, here.
    ResampleChain chain(decoded ? image.get() : nullptr);
    const PictureSize largeSize =
        LargePictureSize(source.width, source.height, settings.largeMaxWidth, settings.largeMaxHeight)
            .value_or(source);
    bool largeWritten = false;
    // The large picture comes after the wider variants, so that it is resampled from the nearest
    // of them rather than from the decode (1280 -> 1024 pixels costs about 0.7x of 2048 -> 1024).
    const auto writeLarge = [&] {
        largeWritten = true;
        if (stale.large) {
            if (decode.largeStreams) {
                const ImageHandle whole(vimbral::InitImageObject(sourcePath.c_str(), nullptr, -1, -1));
                result.large =
                    WriteLargePicture(settings, sourcePath, identity, decoded ? whole.get() : nullptr);
            } else {
                result.large =
                    WriteLargePicture(settings, sourcePath, identity, chain.CopyAt(largeSize).get(), source);
            }
        }
        largeDone(result.large);
    };
    result.variants.resize(plan.files.size());
    for (const std::size_t i : WidestFirst(plan)) {
        const VariantFile& file = plan.files[i];
        if (!largeWritten && (decode.largeStreams || file.size.width <= largeSize.width)) {
            writeLarge();
        }
        const std::string target = JoinPath(settings.destFolder, file.name);
        if (!stale.variants[i]) {
            result.variants[i] = {HalfResult::Skipped, target, {}};
        } else if (!decoded) {
            result.variants[i] = {HalfResult::Unreadable, target, "the picture's data could not be decoded"};
        } else {
            result.variants[i] = WriteVariant(settings, file, *identity, chain);
        }
    }
    if (!largeWritten) {
        writeLarge();
    }
    if (stale.thumbnail) {
        const PictureSize size =
            ThumbnailSize(source.width, source.height, settings.thumbMaxWidth, settings.thumbMaxHeight)
                .value_or(source);
        result.thumbnail = WriteThumbnail(settings, sourcePath, identity, chain.CopyAt(size).get(), source);
    } else {
        result.thumbnail = {HalfResult::Written, thumbnailTarget, {}};
    }
    return result;
}

std::optional<std::int64_t> VariantConversionMemoryCost(const ConversionSettings& settings,
                                                        const std::string& sourcePath,
                                                        const VariantPlan& plan) {
    const ImageHandle image(vimbral::InitImageObject(sourcePath.c_str(), nullptr, -1, -1));
    if (!image) {
        return std::nullopt;
    }
    const PictureSize source{vimbral::GetWidth(image.get()), vimbral::GetHeight(image.get())};
    const StaleOutputs all{true, true, std::vector<bool>(plan.files.size(), true)};
    const DecodeChoice decode = ChooseDecode(settings, plan, all, source);
    // The decode, and the smaller pictures resampled from it for the rest of the chain.
    const std::int64_t held = Pixels(decode.size) * 3 * 3 / 2;
    const std::int64_t decoding =
        vimbral::GetShrinkMemory(image.get(), decode.size.width, decode.size.height) + held;
    // A reduced copy, the reduce's scratch (up to twice the copy) and the encoder's buffers, for
    // the largest output made from the decode.
    std::int64_t output = Pixels(decode.size) * 10;
    if (decode.largeStreams) {
        output = std::max(output, vimbral::GetPeakMemory(
                                      image.get(), source.width, source.height,
                                      settings.jpegQuality > 0 ? vimbral::kFormatJpeg : vimbral::kFormatGif));
    }
    return held + std::max(decoding, output);
}
