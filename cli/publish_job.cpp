#include "cli/publish_job.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "engine/directory.h"
#include "engine/publication_run.h"
#include "engine/style_library.h"

namespace fs = std::filesystem;

std::string WithoutTrailingSlash(std::string folder) {
    if (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

namespace {

bool IsDirectory(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

// A style by display name among those found, else by the path of its folder.
bool ResolveStyle(const std::string& wanted, GalleryJob& job, std::string& error) {
    std::vector<StyleInfo> styles;
    DiscoverStyles(job, styles);
    for (std::size_t i = 0; i < styles.size(); ++i) {
        if (styles[i].displayName == wanted) {
            job.m_nSelectedStyle = static_cast<int>(i);
            job.m_strStylePath = styles[i].path;
            return true;
        }
    }
    const std::string path = WithoutTrailingSlash(wanted);
    if (!path.empty() && IsDirectory(path)) {
        job.m_strStylePath = path;
        for (std::size_t i = 0; i < styles.size(); ++i) {
            if (IsSameFolder(styles[i].path, path)) {
                job.m_nSelectedStyle = static_cast<int>(i);
            }
        }
        return true;
    }
    error = "unknown style \"" + wanted + "\" (see --list-styles)";
    return false;
}

bool ResolveFolders(const PublishOptions& o, GalleryJob& job, std::string& error) {
    job.m_strSourceFolder = WithoutTrailingSlash(o.source);
    if (job.m_strSourceFolder.empty() || !IsDirectory(job.m_strSourceFolder)) {
        error = "source folder not found: \"" + o.source + "\"";
        return false;
    }
    if (o.useOriginal) {
        if (!o.dest.empty() && !IsSameFolder(WithoutTrailingSlash(o.dest), job.m_strSourceFolder)) {
            error = "--use-original publishes into the source folder; --dest names another folder";
            return false;
        }
        job.m_strDestFolder = job.m_strSourceFolder;
        return true;
    }
    job.m_strDestFolder = WithoutTrailingSlash(o.dest);
    if (job.m_strDestFolder.empty()) {
        error = "--dest is missing";
        return false;
    }
    std::error_code ec;
    if (fs::exists(job.m_strDestFolder, ec)) {
        if (!IsDirectory(job.m_strDestFolder)) {
            error = "destination is not a folder: \"" + o.dest + "\"";
            return false;
        }
        return true;
    }
    const fs::path parent = fs::absolute(job.m_strDestFolder, ec).parent_path();
    if (!IsDirectory(parent.string())) {
        error = "the folder holding the destination does not exist: \"" + parent.string() + "\"";
        return false;
    }
    return true;
}

bool DestinationHoldsAStyle(const std::string& dest) {
    GalleryJob ignored;
    std::vector<StyleInfo> styles;
    DiscoverStyles(ignored, styles);
    std::vector<std::string> paths;
    for (const StyleInfo& style : styles) {
        paths.push_back(style.path);
    }
    return IsDirectory(dest) && FolderHoldsStyle(dest, paths);
}

bool ResolveBackground(const PublishOptions& o, GalleryJob& job, std::string& error) {
    if (o.noBgImage) {
        return true;
    }
    if (!o.bgImage.empty()) {
        std::error_code ec;
        if (!fs::is_regular_file(o.bgImage, ec)) {
            error = "background picture not found: \"" + o.bgImage + "\"";
            return false;
        }
        job.m_strBkgndImage = fs::absolute(o.bgImage, ec).lexically_normal().string();
        job.m_bUseBkgndImage = 1;
        return true;
    }
    // As the colors page proposes: the style's own background picture, when it has one.
    job.m_strBkgndImage = FindStyleBackground(job.m_strStylePath);
    job.m_bUseBkgndImage = job.m_strBkgndImage.empty() ? 0 : 1;
    return true;
}

}  // namespace

std::optional<GalleryJob> BuildPublishJob(const PublishOptions& o, std::string& error) {
    GalleryJob job;
    if (o.style.empty()) {
        error = "--style is missing";
        return std::nullopt;
    }
    if (!ResolveStyle(o.style, job, error) || !ResolveFolders(o, job, error) ||
        !ResolveBackground(o, job, error)) {
        return std::nullopt;
    }
    if (DestinationIsStyleFolder(job)) {
        error = "the destination is the style's own folder: publishing there would delete its templates";
        return std::nullopt;
    }
    if (DestinationHoldsAStyle(job.m_strDestFolder)) {
        error = "the destination holds a style: publishing there would delete its templates";
        return std::nullopt;
    }
    job.m_strTitle = o.title;
    job.m_strName = o.name;
    job.m_strCommentary = o.commentary;
    job.m_crBkgndColor = o.bgColor;
    job.m_crTextColor = o.textColor;
    job.m_nThumbMaxWidth = o.thumbWidth;
    job.m_nThumbMaxHeight = o.thumbHeight;
    job.m_nLargeMaxWidth = o.largeWidth;
    job.m_nLargeMaxHeight = o.largeHeight;
    job.m_nJpegQuality = o.quality;
    job.m_bAlbums = o.albums;
    return job;
}
