#include "engine/picture_converter.h"

#include "engine/directory.h"
#include "engine/picture_names.h"

std::vector<std::string> PictureConverter::OutputNames(const GalleryJob& job, const ImageList& images) const {
    const bool large = !IsSameFolder(job.m_strDestFolder, job.m_strSourceFolder);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < images.GetSize(); ++i) {
        const ImageEntry& entry = images.ElementAt(i);
        const auto named = [&entry](std::string name) {
            return entry.album.empty() ? name : JoinPath(entry.album, name);
        };
        names.push_back(named(ThumbnailName(entry.path)));
        if (large) {
            names.push_back(named(LargePictureName(entry.path, job.m_nJpegQuality)));
        }
    }
    return names;
}

std::vector<PictureConverter::StaleOutput> PictureConverter::StaleOutputs(const GalleryJob& job,
                                                                        const ImageList& images) const {
    std::vector<StaleOutput> stale;
    for (std::string& name : OutputNames(job, images)) {
        stale.push_back({std::move(name)});
    }
    return stale;
}
