#include "engine/picture_variants.h"

#include "engine/directory.h"
#include "engine/picture_names.h"
#include "engine/safe_files.h"

VariantRequest TemplateVariantRequest(std::string_view text) {
    VariantRequest request;
    request.largeWebp = text.find(kWebpWidthsTag) != std::string_view::npos;
    request.largeJpeg = text.find(kJpegWidthsTag) != std::string_view::npos;
    request.thumbnailWebp = text.find(kWebpThumbsTag) != std::string_view::npos;
    request.thumbnailJpeg = text.find(kJpegThumbsTag) != std::string_view::npos;
    request.largeSize = text.find(kPictureWidthTag) != std::string_view::npos ||
                        text.find(kPictureHeightTag) != std::string_view::npos;
    return request;
}

VariantRequest StyleVariantRequest(const std::string& stylePath) {
    VariantRequest request;
    if (stylePath.empty()) {
        return request;
    }
    for (const DirectoryEntry& entry : ListDirectory(stylePath)) {
        if (entry.isDirectory || !MatchesWildcard("*.htm*", entry.name)) {
            continue;
        }
        std::string text, reason;
        if (!ReadRegularFile(JoinPath(stylePath, entry.name), text, reason)) {
            continue;
        }
        const VariantRequest asked = TemplateVariantRequest(text);
        request.largeWebp |= asked.largeWebp;
        request.largeJpeg |= asked.largeJpeg;
        request.thumbnailWebp |= asked.thumbnailWebp;
        request.thumbnailJpeg |= asked.thumbnailJpeg;
        request.largeSize |= asked.largeSize;
    }
    return request;
}

std::string LargeVariantName(std::string_view path, int width, bool webp) {
    return PictureBaseName(path) + "-" + std::to_string(width) + (webp ? "w.webp" : "w.jpg");
}

std::string ThumbnailWebpName(std::string_view path) {
    return "thn_" + PictureBaseName(path) + ".webp";
}

std::string DoubleThumbnailName(std::string_view path, bool webp) {
    return "thn_" + PictureBaseName(path) + (webp ? "@2x.webp" : "@2x.jpg");
}

bool IsVariantNameOf(std::string_view name, std::string_view sourceName) {
    if (name == ThumbnailWebpName(sourceName) || name == DoubleThumbnailName(sourceName, true) ||
        name == DoubleThumbnailName(sourceName, false)) {
        return true;
    }
    const std::string stem = PictureBaseName(sourceName) + "-";
    if (name.substr(0, stem.size()) != stem) {
        return false;
    }
    std::string_view rest = name.substr(stem.size());
    std::size_t digits = 0;
    while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') {
        ++digits;
    }
    rest.remove_prefix(digits);
    return digits > 0 && (rest == "w.webp" || rest == "w.jpg");
}
