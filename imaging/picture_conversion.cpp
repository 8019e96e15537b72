#include "imaging/picture_conversion.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "engine/directory.h"
#include "engine/picture_names.h"
#include "engine/run_report.h"
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

// Why a source gave no picture: the system's reason when it cannot even be opened.
std::string WhyUnreadable(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return SystemReason(errno);
    }
    ::close(fd);
    return "not a picture that can be read";
}

// Why an output of about `bytes` bytes cannot be written into the target's folder, or empty when
// it can: Vimbral reports only that a save failed, and the page must say whether the source or
// the destination is at fault. The probe writes as Vimbral does, beside the target, and removes
// its file again.
std::string WhyNotWritable(const std::string& target, std::size_t bytes) {
    const std::string_view name = FileNameOf(target);
    // Vimbral writes under "." + name + ".vimbral-XXXXXX" first.
    if (name.size() + 16 > NAME_MAX) {
        return SystemReason(ENAMETOOLONG);
    }
    const auto slash = target.rfind('/');
    std::string probe =
        (slash == std::string::npos ? std::string(".") : target.substr(0, slash)) + "/.galvane-probe-XXXXXX";
    const int fd = ::mkostemp(probe.data(), O_CLOEXEC);
    if (fd < 0) {
        return SystemReason(errno);
    }
    std::string reason;
    static const std::vector<char> zeros(1 << 16, 0);
    for (std::size_t left = bytes; left > 0 && reason.empty();) {
        const ssize_t put = ::write(fd, zeros.data(), std::min(left, zeros.size()));
        if (put > 0) {
            left -= static_cast<std::size_t>(put);
        } else if (put < 0 && errno != EINTR) {
            reason = SystemReason(errno);
        }
    }
    if (::close(fd) != 0 && reason.empty()) {
        reason = SystemReason(errno);
    }
    ::unlink(probe.c_str());
    return reason;
}

std::size_t FileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::size_t>(st.st_size) : 0;
}

bool IsSameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace

// A failed save: the destination's fault when a probe of the same size (at least 1 MiB) cannot be
// written there, else the picture's own (pixels that turn out undecodable). The floor matters on a
// full disk: another conversion's failed file, removed meanwhile, can free room for a small probe,
// and the write failure would be blamed on the picture.
HalfResult SaveFailed(const std::string& target, std::size_t bytes) {
    const std::string why = WhyNotWritable(target, std::max<std::size_t>(bytes, 1u << 20));
    if (!why.empty()) {
        return {HalfResult::NotWritten, target, why};
    }
    return {HalfResult::Unreadable, target, "the picture's data could not be decoded"};
}

ConversionSettings SettingsOf(const GalleryJob& job) {
    ConversionSettings settings;
    settings.destFolder = job.m_strDestFolder;
    settings.makeLargePictures = !IsSameFolder(job.m_strDestFolder, job.m_strSourceFolder);
    settings.jpegQuality = job.m_nJpegQuality;
    settings.thumbMaxWidth = job.m_nThumbMaxWidth;
    settings.thumbMaxHeight = job.m_nThumbMaxHeight;
    settings.largeMaxWidth = job.m_nLargeMaxWidth;
    settings.largeMaxHeight = job.m_nLargeMaxHeight;
    settings.variants = StyleVariantRequest(job.m_strStylePath);
    return settings;
}

ConversionSettings AlbumSettingsOf(const GalleryJob& job, const std::string& album) {
    ConversionSettings settings = SettingsOf(job);
    if (!album.empty()) {
        settings.destFolder = JoinPath(settings.destFolder, album);
    }
    return settings;
}

std::string WhySourceUnreadable(const std::string& sourcePath) {
    try {
        return LoadPicture(sourcePath) ? std::string() : WhyUnreadable(sourcePath);
    } catch (...) {
        return WhyUnreadable(sourcePath);
    }
}

HalfResult MakeLargePicture(const ConversionSettings& settings, const std::string& sourcePath) {
    if (!settings.makeLargePictures) {
        return {};
    }
    std::string target;
    try {
        target = JoinPath(settings.destFolder, LargePictureName(sourcePath, settings.jpegQuality));
        if (IsSameFile(target, sourcePath)) {
            return {HalfResult::Skipped, target, {}};
        }
        // Taken before the load: a source changed while it is read gets a new identity.
        const auto identity = IdentifySource(sourcePath);
        const ImageHandle image = LoadPicture(sourcePath);
        return WriteLargePicture(settings, sourcePath, identity, image.get());
    } catch (...) {
        // The half is abandoned; the conversion goes on.
        return {HalfResult::NotWritten, target, "the conversion failed"};
    }
}

HalfResult WriteLargePicture(const ConversionSettings& settings, const std::string& sourcePath,
                             const std::optional<SourceIdentity>& identity, vimbral::Image image,
                             std::optional<PictureSize> sourceSize) {
    if (!settings.makeLargePictures) {
        return {};
    }
    std::string target;
    try {
        target = JoinPath(settings.destFolder, LargePictureName(sourcePath, settings.jpegQuality));
        if (IsSameFile(target, sourcePath)) {
            return {HalfResult::Skipped, target, {}};
        }
        if (image == nullptr || !identity) {
            return {HalfResult::Unreadable, target, WhyUnreadable(sourcePath)};
        }
        vimbral::SetComment(image, ProvenanceText(settings, OutputKind::LargePicture, *identity).c_str());
        const int quality = settings.jpegQuality;
        if (vimbral::GetNumBits(image) != 24 && quality > 0) {
            vimbral::ChangeImageFormat(image, 24);
        }
        if (vimbral::GetNumBits(image) != 8 && quality <= 0) {
            vimbral::ChangeImageFormat(image, 8);
        }
        if (quality > 0) {
            vimbral::SetQuality(image, quality);
        }
        const PictureSize source =
            sourceSize.value_or(PictureSize{vimbral::GetWidth(image), vimbral::GetHeight(image)});
        StretchTo(image, LargePictureSize(source.width, source.height, settings.largeMaxWidth,
                                          settings.largeMaxHeight));
        if (vimbral::Save(image, target.c_str(), quality > 0 ? vimbral::kFormatJpeg : vimbral::kFormatGif) ==
            0) {
            const std::size_t expected = std::clamp<std::size_t>(FileSize(sourcePath), 16 << 10, 8 << 20);
            return SaveFailed(target, expected);
        }
        return {HalfResult::Written, target, {}};
    } catch (...) {
        // The half is abandoned; the conversion goes on.
        return {HalfResult::NotWritten, target, "the conversion failed"};
    }
}

HalfResult MakeThumbnail(const ConversionSettings& settings, const std::string& sourcePath) {
    // The picture is not loaded again: what the thread kept of it would only hold memory.
    struct ReleaseKept {
        ~ReleaseKept() { vimbral::ReleaseKeptDecode(); }
    } releaseKept;
    try {
        const auto identity = IdentifySource(sourcePath);
        const ImageHandle image = LoadPicture(sourcePath);
        return WriteThumbnail(settings, sourcePath, identity, image.get());
    } catch (...) {
        // The half is abandoned; the conversion goes on.
        return {HalfResult::NotWritten, JoinPath(settings.destFolder, ThumbnailName(sourcePath)),
                "the conversion failed"};
    }
}

HalfResult WriteThumbnail(const ConversionSettings& settings, const std::string& sourcePath,
                          const std::optional<SourceIdentity>& identity, vimbral::Image image,
                          std::optional<PictureSize> sourceSize) {
    std::string target;
    try {
        target = JoinPath(settings.destFolder, ThumbnailName(sourcePath));
        if (image == nullptr || !identity) {
            return {HalfResult::Unreadable, target, WhyUnreadable(sourcePath)};
        }
        vimbral::SetComment(image, ProvenanceText(settings, OutputKind::Thumbnail, *identity).c_str());
        if (vimbral::GetNumBits(image) != 24 && settings.jpegQuality > 0) {
            vimbral::ChangeImageFormat(image, 24);
        }
        // With GIF chosen this is 0, which Vimbral takes as its default quality.
        vimbral::SetQuality(image, settings.jpegQuality);
        const PictureSize source =
            sourceSize.value_or(PictureSize{vimbral::GetWidth(image), vimbral::GetHeight(image)});
        StretchTo(image, ThumbnailSize(source.width, source.height, settings.thumbMaxWidth,
                                       settings.thumbMaxHeight));
        if (vimbral::Save(image, target.c_str(), vimbral::kFormatThumbnail) == 0) {
            return SaveFailed(target, 16 << 10);
        }
        return {HalfResult::Written, target, {}};
    } catch (...) {
        // The half is abandoned; the conversion goes on.
        return {HalfResult::NotWritten, target, "the conversion failed"};
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
