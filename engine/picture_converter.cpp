#include "engine/picture_converter.h"

#include "engine/directory.h"
#include "engine/picture_names.h"

std::vector<std::string> PictureConverter::OutputNames(const GalleryJob& job, const ImageList& images) const {
    const bool large = !IsSameFolder(job.m_strDestFolder, job.m_strSourceFolder);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < images.GetSize(); ++i) {
        names.push_back(ThumbnailName(images.GetPathAt(i)));
        if (large) {
            names.push_back(LargePictureName(images.GetPathAt(i), job.m_nJpegQuality));
        }
    }
    return names;
}
