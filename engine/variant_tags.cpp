#include "engine/variant_tags.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "engine/page_escaping.h"
#include "engine/picture_names.h"

namespace {

const PictureVariants& VariantsOf(const PageContext& context, int index) {
    static const PictureVariants kNone;
    return index >= 0 && static_cast<std::size_t>(index) < context.variants.size()
               ? context.variants[static_cast<std::size_t>(index)]
               : kNone;
}

// The name as PICTURE and THUMBNAIL write it, so a browser that meets the file in a list and in a
// src holds it once under one address. A comma inside a candidate's address is part of it; only a
// leading one would be read as a separator, so such a name is written as "./,a.jpg", the same
// address.
std::string SrcsetUrl(const std::string& name) {
    const std::string url = UrlEncodeName(name);
    return url.starts_with(',') ? "./" + url : url;
}

using Candidate = std::pair<int, std::string>;  // width, candidate text

std::string Joined(std::vector<Candidate> candidates) {
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.first < b.first; });
    std::string list;
    for (const Candidate& candidate : candidates) {
        list += (list.empty() ? "" : ", ") + candidate.second;
    }
    return list;
}

std::string WidthCandidate(const std::string& name, int width) {
    return SrcsetUrl(name) + (width > 0 ? " " + std::to_string(width) + "w" : std::string());
}

std::string SourcePath(const PageContext& context, int index) {
    return context.images.GetPathAt(static_cast<std::size_t>(index));
}

}  // namespace

std::string LargeJpegSrcset(const PageContext& context, int index) {
    const PictureVariants& variants = VariantsOf(context, index);
    const std::string path = SourcePath(context, index);
    std::vector<Candidate> candidates;
    for (const int width : variants.jpegWidths) {
        candidates.push_back({width, WidthCandidate(LargeVariantName(path, width, false), width)});
    }
    candidates.push_back({variants.largeWidth, WidthCandidate(context.LargeOf(index), variants.largeWidth)});
    return Joined(std::move(candidates));
}

std::string LargeWebpSrcset(const PageContext& context, int index) {
    const PictureVariants& variants = VariantsOf(context, index);
    if (variants.webpWidths.empty()) {
        return LargeJpegSrcset(context, index);
    }
    const std::string path = SourcePath(context, index);
    std::vector<Candidate> candidates;
    for (const int width : variants.webpWidths) {
        candidates.push_back({width, WidthCandidate(LargeVariantName(path, width, true), width)});
    }
    // A large picture wider than every WebP file (kept at the photo's size) tops the list itself:
    // the widest screens get it rather than a smaller file.
    if (variants.largeWidth > variants.webpWidths.back()) {
        candidates.push_back(
            {variants.largeWidth, WidthCandidate(context.LargeOf(index), variants.largeWidth)});
    }
    // So does the JPEG file at twice the limit, made as JPEG because only wide, sharp screens take it.
    if (variants.wideJpegWidth > variants.webpWidths.back()) {
        candidates.push_back(
            {variants.wideJpegWidth,
             WidthCandidate(LargeVariantName(path, variants.wideJpegWidth, false), variants.wideJpegWidth)});
    }
    return Joined(std::move(candidates));
}

std::string ThumbnailJpegSrcset(const PageContext& context, int index) {
    const PictureVariants& variants = VariantsOf(context, index);
    std::string list = SrcsetUrl(context.ThumbnailOf(index));
    if (variants.doubleThumbnailJpeg) {
        list += ", " + SrcsetUrl(DoubleThumbnailName(SourcePath(context, index), false)) + " 2x";
    }
    return list;
}

std::string ThumbnailWebpSrcset(const PageContext& context, int index) {
    // At 1x the JPEG thumbnail itself: a WebP file at the box's size would be no lighter.
    if (!VariantsOf(context, index).doubleThumbnailWebp) {
        return ThumbnailJpegSrcset(context, index);
    }
    return SrcsetUrl(context.ThumbnailOf(index)) + ", " +
           SrcsetUrl(DoubleThumbnailName(SourcePath(context, index), true)) + " 2x";
}

void ApplyLargeSizeTags(PageBuffer& page, const PageContext& context, const VariantRequest& asked,
                        int index) {
    if (!asked.largeSize) {
        return;
    }
    const PictureVariants& variants = VariantsOf(context, index);
    const std::string width = std::to_string(std::max(0, variants.largeWidth));
    const std::string height = std::to_string(std::max(0, variants.largeHeight));
    while (page.ReplacePlaceholder(kPictureWidthTag, width)) {
    }
    while (page.ReplacePlaceholder(kPictureHeightTag, height)) {
    }
}

void ApplyLargeVariantTags(PageBuffer& page, const PageContext& context, const VariantRequest& asked,
                           int index) {
    if (asked.largeWebp) {
        page.ReplacePlaceholder(kWebpWidthsTag, LargeWebpSrcset(context, index));
    }
    if (asked.largeJpeg) {
        page.ReplacePlaceholder(kJpegWidthsTag, LargeJpegSrcset(context, index));
    }
}

void ApplyThumbnailVariantTags(PageBuffer& page, const PageContext& context, const VariantRequest& asked,
                               int index) {
    const bool shown = index >= 0 && index < context.PictureCount();
    if (asked.thumbnailWebp) {
        page.ReplacePlaceholder(kWebpThumbsTag, shown ? ThumbnailWebpSrcset(context, index) : "empty.gif");
    }
    if (asked.thumbnailJpeg) {
        page.ReplacePlaceholder(kJpegThumbsTag, shown ? ThumbnailJpegSrcset(context, index) : "empty.gif");
    }
}
