#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/gallery_job.h"
#include "engine/picture_variants.h"
#include "imaging/picture_sizes.h"

// What the conversion of one picture needs of the job.
struct ConversionSettings {
    std::string destFolder;
    // False when the destination is the source folder (IsSameFolder): no large pictures then.
    bool makeLargePictures = true;
    int jpegQuality = 0;  // below 1: large pictures are GIF files
    int thumbMaxWidth = 0;
    int thumbMaxHeight = 0;
    int largeMaxWidth = 0;
    int largeMaxHeight = 0;
    // Convert every picture, also those whose outputs are up to date.
    bool rebuild = false;
    // The variants the style asks for (none: exactly the thumbnail and the large picture).
    VariantRequest variants;
};

// The job's settings, with the variants its style asks for.
ConversionSettings SettingsOf(const GalleryJob& job);
// The settings for the pictures of one album of a gallery of albums: its folder of the destination
// (`album` relative to it; empty for the top album, which is SettingsOf).
ConversionSettings AlbumSettingsOf(const GalleryJob& job, const std::string& album);

// What became of one half of a picture's conversion.
struct HalfResult {
    enum Kind { Written, Skipped, Unreadable, NotWritten };
    Kind kind = Skipped;
    std::string target;  // the output's path
    std::string reason;  // for Unreadable and NotWritten, in the system's words where it has them
};

// The two halves of one picture's conversion, through Vimbral. Each loads the source
// itself and writes its file into the destination folder, or nothing when the source cannot be read
// or written; an exception from a library call abandons the half, never escapes.

// Writes the large picture, unless settings say not to, or its file would be the source itself
// (Skipped then).
HalfResult MakeLargePicture(const ConversionSettings& settings, const std::string& sourcePath);
// Writes the thumbnail, always from the source (never from the large picture).
HalfResult MakeThumbnail(const ConversionSettings& settings, const std::string& sourcePath);

// Why a source picture cannot be loaded, or empty when it can.
std::string WhySourceUnreadable(const std::string& sourcePath);
namespace vimbral {
struct ImageObject;
}
struct SourceIdentity;

// The two halves' work on a picture already loaded (and perhaps decoded), for a conversion that
// makes more files of the same decode. `image` is changed (resized, recoloured) and stays the
// caller's. The large half streams from the source, as MakeLargePicture does, when `image` is
// not decoded.
// `identity` is the source's, taken before it was loaded; the output's size follows from
// `sourceSize` (by default the image's own size, which a decode at a smaller size no longer is).
HalfResult WriteLargePicture(const ConversionSettings& settings, const std::string& sourcePath,
                             const std::optional<SourceIdentity>& identity, vimbral::ImageObject* image,
                             std::optional<PictureSize> sourceSize = std::nullopt);
HalfResult WriteThumbnail(const ConversionSettings& settings, const std::string& sourcePath,
                          const std::optional<SourceIdentity>& identity, vimbral::ImageObject* image,
                          std::optional<PictureSize> sourceSize = std::nullopt);

// Why a save of about `bytes` bytes into `target` failed: NotWritten with the destination's reason
// when a file of that size cannot be written there, else Unreadable.
HalfResult SaveFailed(const std::string& target, std::size_t bytes);

// About the most memory that converting the picture (both halves, one after the other) takes at
// once, from its header; empty when it cannot be read.
std::optional<std::int64_t> ConversionMemoryCost(const ConversionSettings& settings,
                                                 const std::string& sourcePath);
