#include "engine/style_library.h"

#include "engine/directory.h"
#include "engine/program_info.h"

int DiscoverStylesIn(const std::vector<std::string>& folders, GalleryJob& job,
                     std::vector<StyleInfo>& styles) {
    styles.clear();
    job.m_nStyleCount = 0;
    for (const std::string& folder : folders) {
        for (const DirectoryEntry& entry : ListDirectory(folder)) {
            if (!entry.isDirectory || entry.name.find("###") == std::string::npos) {
                continue;
            }
            // Only the first three characters go, wherever the "###" stands.
            styles.push_back({entry.name.substr(3), JoinPath(folder, entry.name)});
            ++job.m_nStyleCount;
        }
    }
    return job.m_nStyleCount;
}

int DiscoverStyles(GalleryJob& job, std::vector<StyleInfo>& styles) {
    return DiscoverStylesIn(DataFolders(), job, styles);
}

std::string FindStylePreview(const std::string& stylePath) {
    const std::string folder = JoinPath(stylePath, kStylePreviewFolder);
    for (const DirectoryEntry& entry : ListDirectory(folder)) {
        if (!entry.isDirectory && MatchesWildcard("preview.*", entry.name)) {
            return JoinPath(folder, entry.name);
        }
    }
    return {};
}

std::string FindStyleBackground(const std::string& stylePath) {
    for (const DirectoryEntry& entry : ListDirectory(stylePath)) {
        if (!entry.isDirectory && MatchesWildcard("background.*", entry.name)) {
            return JoinPath(stylePath, entry.name);
        }
    }
    return {};
}
