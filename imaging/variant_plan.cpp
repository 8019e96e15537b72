#include "imaging/variant_plan.h"

#include <algorithm>
#include <iterator>

#include "imaging/source_dimensions.h"
#include "imaging/vimbral/vimbral.h"

namespace {

bool IsGifName(const std::string& path) {
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || path.size() - dot != 4) {
        return false;
    }
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return ext == "gif";
}

}  // namespace

VariantPlan PlanVariants(const ConversionSettings& settings, const std::string& path, int width, int height) {
    VariantPlan plan;
    const VariantRequest& asked = settings.variants;
    // Without large pictures (a same-folder run) the source itself is the page's picture: its
    // variants are made as for a large picture kept at the source size, the limits aside. Not of a
    // GIF, which may move: a still WebP would take its place on most screens.
    const bool largeMade = settings.jpegQuality > 0 && (settings.makeLargePictures || !IsGifName(path));
    PictureSize large{width, height};
    if (settings.makeLargePictures) {
        if (const auto limited =
                LargePictureSize(width, height, settings.largeMaxWidth, settings.largeMaxHeight)) {
            large = *limited;
        }
    }
    plan.shown.largeWidth = large.width;
    plan.shown.largeHeight = large.height;
    if (width <= 0 || height <= 0) {
        return plan;
    }
    const auto twice = DoubleThumbnailSize(width, height, settings.thumbMaxWidth, settings.thumbMaxHeight);
    // No WebP file at the box's own size: at 100 px the JPEG thumbnail is as light or lighter, and
    // every extra file costs an upload its own round trips. The WebP list names the JPEG for 1x.
    if (asked.thumbnailWebp && twice) {
        plan.files.push_back({DoubleThumbnailName(path, true), *twice, true, true, true});
        plan.shown.doubleThumbnailWebp = true;
    }
    if (asked.thumbnailJpeg && twice) {
        plan.files.push_back({DoubleThumbnailName(path, false), *twice, false, true, true});
        plan.shown.doubleThumbnailJpeg = true;
    }
    if (!largeMade || !(asked.largeWebp || asked.largeJpeg)) {
        return plan;
    }
    std::vector<PictureSize> sizes =
        settings.makeLargePictures
            ? LargeVariantSizes(width, height, settings.largeMaxWidth, settings.largeMaxHeight)
            : LargeVariantSizes(width, height, 0, 0);
    // The large picture's own size too, when it is below the widest variant: a browser takes a
    // candidate a little below what the screen could show before one far above it, and at this
    // size the WebP file is the lighter twin of the JPEG the page names. It takes the place of a
    // standard width within a tenth of it: the two would be nearly the same file.
    if (!sizes.empty() && large.width < sizes.back().width &&
        std::none_of(sizes.begin(), sizes.end(),
                     [&](const PictureSize& size) { return size.width == large.width; })) {
        std::erase_if(sizes, [&](const PictureSize& size) {
            return size.width * 10 >= large.width * 9 && large.width * 10 >= size.width * 9;
        });
        sizes.insert(std::find_if(sizes.begin(), sizes.end(),
                                  [&](const PictureSize& size) { return size.width > large.width; }),
                     large);
    }
    // A picture narrower than every standard width gets its WebP twin alone: the page's WebP list
    // then names a WebP file, not the JPEG under the WebP type.
    if (sizes.empty()) {
        sizes.push_back(large);
    }
    // The file at twice the limit that only wide and sharp screens take: one JPEG file, on top of
    // the WebP list (any browser that reads that list reads JPEG) and in the JPEG list.
    const bool widestJpeg =
        settings.makeLargePictures &&
        WidestVariantIsJpeg(sizes.back(), width, height, settings.largeMaxWidth, settings.largeMaxHeight);
    for (const PictureSize& size : sizes) {
        if (widestJpeg && &size == &sizes.back()) {
            plan.files.push_back(
                {LargeVariantName(path, size.width, false), size, false, false, false, true});
            if (asked.largeWebp) {
                plan.shown.wideJpegWidth = size.width;
            }
            if (asked.largeJpeg) {
                plan.shown.jpegWidths.push_back(size.width);
            }
            continue;
        }
        if (asked.largeWebp) {
            plan.files.push_back({LargeVariantName(path, size.width, true), size, true, false, false,
                                  size.width > large.width});
            plan.shown.webpWidths.push_back(size.width);
        }
        if (asked.largeJpeg && !(size == large)) {
            plan.files.push_back({LargeVariantName(path, size.width, false), size, false, false});
            plan.shown.jpegWidths.push_back(size.width);
        }
    }
    return plan;
}

VariantPlan PlanVariants(const ConversionSettings& settings, const std::string& path) {
    if (!settings.variants.Any()) {
        return {};
    }
    const auto size = SourceDimensions(path);
    if (!size) {
        return {};
    }
    return PlanVariants(settings, path, size->width, size->height);
}

int WebpQualityFor(int jpegQuality) {
    // Measured by bench/conversion/webp_quality.py (8 photographs of the corpus at 1280 pixels,
    // SSIM on luma, WebP at effort 1 as Vimbral writes it; effort 0 gives the same qualities): the
    // lowest WebP quality, in steps of 2, whose SSIM reaches the JPEG's.
    static constexpr int kMeasured[][2] = {{50, 44}, {60, 52}, {70, 66}, {75, 72},
                                           {80, 80}, {85, 84}, {90, 90}, {95, 96}};
    const int quality = jpegQuality < 1 ? vimbral::kDefaultQuality : std::min(jpegQuality, 100);
    if (quality <= kMeasured[0][0]) {
        return std::max(1, quality - (kMeasured[0][0] - kMeasured[0][1]));
    }
    for (std::size_t i = 1; i < std::size(kMeasured); ++i) {
        const auto [jpegHigh, webpHigh] = kMeasured[i];
        const auto [jpegLow, webpLow] = kMeasured[i - 1];
        if (quality <= jpegHigh) {
            return webpLow + ((quality - jpegLow) * (webpHigh - webpLow) + (jpegHigh - jpegLow) / 2) /
                                 (jpegHigh - jpegLow);
        }
    }
    return std::min(100, quality + 1);
}

void ForgetVariant(PictureVariants& shown, const VariantFile& file) {
    if (file.thumbnail) {
        (file.webp ? shown.doubleThumbnailWebp : shown.doubleThumbnailJpeg) = false;
        return;
    }
    if (!file.webp && shown.wideJpegWidth == file.size.width) {
        shown.wideJpegWidth = 0;
    }
    auto& widths = file.webp ? shown.webpWidths : shown.jpegWidths;
    widths.erase(std::remove(widths.begin(), widths.end(), file.size.width), widths.end());
}
