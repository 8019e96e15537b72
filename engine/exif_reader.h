#pragma once

#include <string>
#include <string_view>

// The few EXIF fields a gallery publishes, as their raw bytes (up to the first zero byte).
struct ExifWords {
    std::string imageDescription;    // IFD0 ImageDescription
    std::string dateTimeOriginal;    // Exif IFD DateTimeOriginal, "YYYY:MM:DD HH:MM:SS"
    std::string offsetTimeOriginal;  // Exif IFD OffsetTimeOriginal, "+HH:MM"
};

// Reads an EXIF block: a TIFF structure, optionally preceded by "Exif\0\0" as in a JPEG's APP1
// segment. Nothing else of the block is looked at (no GPS, no maker notes), and every offset is
// checked against the block: a damaged block gives what could be read, never more.
ExifWords ParseExif(std::string_view block);
