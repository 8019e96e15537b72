#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/gallery_job.h"

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
};

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

// About the most memory that converting the picture (both halves, one after the other) takes at
// once, from its header; empty when it cannot be read.
std::optional<std::int64_t> ConversionMemoryCost(const ConversionSettings& settings,
                                                 const std::string& sourcePath);
