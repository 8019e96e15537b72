#include "imaging/picture_conversion.h"

#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "engine/directory.h"
#include "engine/picture_names.h"
#include "imaging/output_provenance.h"
#include "imaging/picture_sizes.h"
#include "imaging/vimbral/vimbral.h"

namespace {

struct ImageDeleter {
    void operator()(vimbral::ImageObject* image) const { vimbral::DeleteImageObject(image); }
};
// Frees the image object on every path, also when a half is abandoned by an exception.
using ImageHandle = std::unique_ptr<vimbral::ImageObject, ImageDeleter>;

ImageHandle LoadPicture(const std::string& path) {
    return ImageHandle(vimbral::InitImageObject(path.c_str(), nullptr, -1, -1));
}

void StretchTo(vimbral::Image image, const std::optional<PictureSize>& size) {
    if (size) {
        vimbral::Stretch(image, size->width, size->height);
    }
}

bool IsSameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace

ConversionSettings SettingsOf(const GalleryJob& job) {
    ConversionSettings settings;
    settings.destFolder = job.m_strDestFolder;
    settings.makeLargePictures = !IsSameFolder(job.m_strDestFolder, job.m_strSourceFolder);
    settings.jpegQuality = job.m_nJpegQuality;
    settings.thumbMaxWidth = job.m_nThumbMaxWidth;
    settings.thumbMaxHeight = job.m_nThumbMaxHeight;
    settings.largeMaxWidth = job.m_nLargeMaxWidth;
    settings.largeMaxHeight = job.m_nLargeMaxHeight;
    return settings;
}

void MakeLargePicture(const ConversionSettings& settings, const std::string& sourcePath) {
    if (!settings.makeLargePictures) {
        return;
    }
    try {
        const std::string target =
            JoinPath(settings.destFolder, LargePictureName(sourcePath, settings.jpegQuality));
        if (IsSameFile(target, sourcePath)) {
            return;
        }
        // Taken before the load: a source changed while it is read gets a new identity.
        const auto identity = IdentifySource(sourcePath);
        const ImageHandle image = LoadPicture(sourcePath);
        if (!image || !identity) {
            return;
        }
        vimbral::SetComment(image.get(),
                            ProvenanceText(settings, OutputKind::LargePicture, *identity).c_str());
        const int quality = settings.jpegQuality;
        if (vimbral::GetNumBits(image.get()) != 24 && quality > 0) {
            vimbral::ChangeImageFormat(image.get(), 24);
        }
        if (vimbral::GetNumBits(image.get()) != 8 && quality <= 0) {
            vimbral::ChangeImageFormat(image.get(), 8);
        }
        if (quality > 0) {
            vimbral::SetQuality(image.get(), quality);
        }
        StretchTo(image.get(),
                  LargePictureSize(vimbral::GetWidth(image.get()), vimbral::GetHeight(image.get()),
                                   settings.largeMaxWidth, settings.largeMaxHeight));
        vimbral::Save(image.get(), target.c_str(), quality > 0 ? vimbral::kFormatJpeg : vimbral::kFormatGif);
    } catch (...) {
        // The half is abandoned; the conversion goes on.
    }
}

bool MakeThumbnail(const ConversionSettings& settings, const std::string& sourcePath) {
    // The picture is not loaded again: what the thread kept of it would only hold memory.
    struct ReleaseKept {
        ~ReleaseKept() { vimbral::ReleaseKeptDecode(); }
    } releaseKept;
    try {
        const std::string target = JoinPath(settings.destFolder, ThumbnailName(sourcePath));
        const auto identity = IdentifySource(sourcePath);
        const ImageHandle image = LoadPicture(sourcePath);
        if (!image || !identity) {
            return false;
        }
        vimbral::SetComment(image.get(), ProvenanceText(settings, OutputKind::Thumbnail, *identity).c_str());
        if (vimbral::GetNumBits(image.get()) != 24 && settings.jpegQuality > 0) {
            vimbral::ChangeImageFormat(image.get(), 24);
        }
        // With GIF chosen this is 0, which Vimbral takes as its default quality.
        vimbral::SetQuality(image.get(), settings.jpegQuality);
        StretchTo(image.get(), ThumbnailSize(vimbral::GetWidth(image.get()), vimbral::GetHeight(image.get()),
                                             settings.thumbMaxWidth, settings.thumbMaxHeight));
        return vimbral::Save(image.get(), target.c_str(), vimbral::kFormatThumbnail) != 0;
    } catch (...) {
        // The half is abandoned; the conversion goes on.
        return false;
    }
}

namespace {

int FormatOf(const ConversionSettings& settings) {
    return settings.jpegQuality > 0 ? vimbral::kFormatJpeg : vimbral::kFormatGif;
}

bool Stretchable(const std::optional<PictureSize>& size) {
    return size && size->width >= 1 && size->height >= 1;
}

}  // namespace

std::optional<std::int64_t> ConversionMemoryCost(const ConversionSettings& settings,
                                                 const std::string& sourcePath) {
    const ImageHandle image = LoadPicture(sourcePath);
    if (!image) {
        return std::nullopt;
    }
    const int width = vimbral::GetWidth(image.get());
    const int height = vimbral::GetHeight(image.get());
    std::int64_t largeHalf = 0;
    std::int64_t kept = 0;  // what the large half's decode leaves for the thumbnail's
    if (settings.makeLargePictures) {
        const auto size = LargePictureSize(width, height, settings.largeMaxWidth, settings.largeMaxHeight);
        if (Stretchable(size)) {
            largeHalf = vimbral::GetPeakMemory(image.get(), size->width, size->height, FormatOf(settings));
            const std::int64_t pixels = static_cast<std::int64_t>(size->width) * size->height;
            kept = pixels <= vimbral::kMaxKeptDecodePixels ? pixels * 3 : 0;
        } else {
            largeHalf = vimbral::GetPeakMemory(image.get(), width, height, FormatOf(settings));
        }
    }
    const auto size = ThumbnailSize(width, height, settings.thumbMaxWidth, settings.thumbMaxHeight);
    const std::int64_t thumbnailHalf =
        Stretchable(size)
            ? vimbral::GetPeakMemory(image.get(), size->width, size->height, vimbral::kFormatThumbnail)
            : vimbral::GetPeakMemory(image.get(), width, height, vimbral::kFormatThumbnail);
    return std::max(largeHalf, kept + thumbnailHalf);
}
