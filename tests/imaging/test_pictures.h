#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

// Pictures made at test time: nothing binary is committed.

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

// The colour of a picture's pixel at (x, y).
using PixelRule = Rgb (*)(int x, int y, int width, int height);

Rgb Gradient(int x, int y, int width, int height);  // red across, green down, blue 128
Rgb Noise(int x, int y, int width, int height);     // pseudo-random: compresses badly

// An uncompressed 24-bit BMP file.
std::string BmpBytes(int width, int height, PixelRule rule = Gradient);
// A BMP file of solid colour.
std::string SolidBmpBytes(int width, int height, Rgb colour);
// Only the 54-byte header of a BMP claiming width x height pixels: no pixel data at all.
std::string BmpHeaderOnly(int width, int height);

// A JPEG file written through Vimbral from a BMP made with `rule`.
std::string MakeJpeg(const TempFolder& folder, const std::string& name, int width, int height,
                     PixelRule rule = Gradient, int quality = 90);
std::string MakeSolidJpeg(const TempFolder& folder, const std::string& name, int width, int height,
                          Rgb colour);

// Runs ImageMagick's convert with the given arguments (already quoted); true when it succeeded.
bool RunConvert(const std::string& arguments);
// Converts a BMP made with `rule` into `name` with ImageMagick; `options` go before the output.
std::string MakeWithMagick(const TempFolder& folder, const std::string& name, int width, int height,
                           const std::string& options = "", PixelRule rule = Gradient);

// The JPEG with an EXIF APP1 segment carrying only IFD0 Orientation = `orientation`.
std::string WithExifOrientation(const std::string& jpeg, int orientation);
// The JPEG with its SOF frame header claiming width x height.
std::string WithJpegSize(const std::string& jpeg, int width, int height);

bool IsJpegFile(const std::string& path);  // FF D8 FF
bool IsGifFile(const std::string& path);   // "GIF8"
bool HasExif(const std::string& path);     // an "Exif" APP1 segment

// The pixels a Vimbral handle draws, 0xAARRGGBB, row by row.
std::vector<std::uint32_t> DrawnPixels(const std::string& path, int* width = nullptr, int* height = nullptr);
Rgb ColourOf(std::uint32_t pixel);
// Colours within `tolerance` in every channel.
bool Near(Rgb a, Rgb b, int tolerance = 24);

// Width and height of a picture file as Vimbral reads it; 0 x 0 when it cannot.
struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};
Size SizeOf(const std::string& path);

std::vector<std::string> FilesIn(const std::string& folder);  // names, sorted
