#include "engine/source_scan.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "engine/directory.h"

namespace {

constexpr std::array<std::string_view, 13> kPictureExtensions = {
    "bmp", "gif", "jpg", "jpeg", "tif", "tiff", "pcx", "tga", "png", "webp", "heic", "heif", "avif"};

std::string LowerExtension(const std::string& fullPath) {
    const auto dot = fullPath.rfind('.');
    std::string ext = dot == std::string::npos ? fullPath : fullPath.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
    return ext;
}

}  // namespace

bool IsSourcePictureName(const std::string& fullPath, const std::string& fileName) {
    if (fileName.compare(0, 4, "thn_") == 0) {
        return false;
    }
    const std::string ext = LowerExtension(fullPath);
    return std::find(kPictureExtensions.begin(), kPictureExtensions.end(), ext) != kPictureExtensions.end();
}

void ScanSourceFolder(const std::string& folder, ImageList& list) {
    list.RemoveAll();
    const bool endsWithSeparator = !folder.empty() && (folder.back() == '/' || folder.back() == '\\');
    for (const DirectoryEntry& entry : ListDirectory(folder)) {
        if (entry.isDirectory) {
            continue;
        }
        const std::string fullPath = endsWithSeparator ? folder + entry.name : JoinPath(folder, entry.name);
        if (IsSourcePictureName(fullPath, entry.name)) {
            list.Add(fullPath);
        }
    }
}
