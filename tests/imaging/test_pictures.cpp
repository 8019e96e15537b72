#include "tests/imaging/test_pictures.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "imaging/vimbral/vimbral.h"

namespace {

void PutLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

std::string BmpHeader(int width, int height, std::uint32_t pixelBytes) {
    std::string header = "BM";
    PutLe(header, 54 + pixelBytes, 4);
    PutLe(header, 0, 4);
    PutLe(header, 54, 4);
    PutLe(header, 40, 4);
    PutLe(header, static_cast<std::uint32_t>(width), 4);
    PutLe(header, static_cast<std::uint32_t>(height), 4);
    PutLe(header, 1, 2);
    PutLe(header, 24, 2);
    PutLe(header, 0, 4);
    PutLe(header, pixelBytes, 4);
    PutLe(header, 2835, 4);
    PutLe(header, 2835, 4);
    PutLe(header, 0, 4);
    PutLe(header, 0, 4);
    return header;
}

Rgb g_solid;
Rgb Solid(int, int, int, int) {
    return g_solid;
}

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

struct ImageDeleter {
    void operator()(vimbral::ImageObject* image) const { vimbral::DeleteImageObject(image); }
};
using Handle = std::unique_ptr<vimbral::ImageObject, ImageDeleter>;

}  // namespace

Rgb Gradient(int x, int y, int width, int height) {
    return {static_cast<std::uint8_t>(x * 255 / std::max(1, width - 1)),
            static_cast<std::uint8_t>(y * 255 / std::max(1, height - 1)), 128};
}

Rgb Noise(int x, int y, int, int) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 73856093u ^ static_cast<std::uint32_t>(y) * 19349663u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return {static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(h >> 8),
            static_cast<std::uint8_t>(h >> 16)};
}

std::string BmpBytes(int width, int height, PixelRule rule) {
    const int rowBytes = (width * 3 + 3) / 4 * 4;
    std::string bytes = BmpHeader(width, height, static_cast<std::uint32_t>(rowBytes * height));
    for (int row = height - 1; row >= 0; --row) {  // bottom-up
        std::string line;
        for (int x = 0; x < width; ++x) {
            const Rgb c = rule(x, row, width, height);
            line += static_cast<char>(c.b);
            line += static_cast<char>(c.g);
            line += static_cast<char>(c.r);
        }
        line.resize(static_cast<std::size_t>(rowBytes), '\0');
        bytes += line;
    }
    return bytes;
}

std::string SolidBmpBytes(int width, int height, Rgb colour) {
    g_solid = colour;
    return BmpBytes(width, height, Solid);
}

std::string BmpHeaderOnly(int width, int height) {
    return BmpHeader(width, height,
                     static_cast<std::uint32_t>(width) * 3u * static_cast<std::uint32_t>(height));
}

namespace {

std::string JpegFromBmp(const TempFolder& folder, const std::string& name, const std::string& bmp,
                        int quality) {
    const std::string source = folder.Write(".source-" + name + ".bmp", bmp);
    const Handle image(vimbral::InitImageObject(source.c_str(), nullptr, -1, -1));
    const std::string target = folder / name;
    if (image) {
        vimbral::SetQuality(image.get(), quality);
        vimbral::Save(image.get(), target.c_str(), vimbral::kFormatJpeg);
    }
    std::filesystem::remove(source);
    return target;
}

}  // namespace

std::string MakeJpeg(const TempFolder& folder, const std::string& name, int width, int height, PixelRule rule,
                     int quality) {
    return JpegFromBmp(folder, name, BmpBytes(width, height, rule), quality);
}

std::string MakeSolidJpeg(const TempFolder& folder, const std::string& name, int width, int height,
                          Rgb colour) {
    return JpegFromBmp(folder, name, SolidBmpBytes(width, height, colour), 90);
}

bool RunConvert(const std::string& arguments) {
    const std::string command = "convert " + arguments + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

std::string MakeWithMagick(const TempFolder& folder, const std::string& name, int width, int height,
                           const std::string& options, PixelRule rule) {
    const std::string source = folder.Write(".magick-" + name + ".bmp", BmpBytes(width, height, rule));
    const std::string target = folder / name;
    RunConvert(Quote(source) + " " + options + " " + Quote(target));
    std::filesystem::remove(source);
    return target;
}

std::string WithExifOrientation(const std::string& jpeg, int orientation) {
    // "Exif\0\0", then a big-endian TIFF header and IFD0 with one SHORT entry: 0x0112 Orientation.
    const std::string tiff = std::string("MM\0\x2A\0\0\0\x08", 8) + std::string("\0\x01", 2) +
                             std::string("\x01\x12\0\x03\0\0\0\x01", 8) + std::string("\0", 1) +
                             static_cast<char>(orientation) + std::string("\0\0", 2) +
                             std::string("\0\0\0\0", 4);
    const std::string payload = std::string("Exif\0\0", 6) + tiff;
    const std::size_t length = payload.size() + 2;
    std::string segment = "\xFF\xE1";
    segment += static_cast<char>(length >> 8);
    segment += static_cast<char>(length & 0xFF);
    segment += payload;
    return jpeg.substr(0, 2) + segment + jpeg.substr(2);
}

std::string WithJpegSize(const std::string& jpeg, int width, int height) {
    std::string patched = jpeg;
    for (std::size_t i = 2; i + 9 < patched.size(); ++i) {
        const auto marker = static_cast<unsigned char>(patched[i + 1]);
        if (static_cast<unsigned char>(patched[i]) == 0xFF &&
            (marker == 0xC0 || marker == 0xC1 || marker == 0xC2)) {
            patched[i + 5] = static_cast<char>(height >> 8);
            patched[i + 6] = static_cast<char>(height & 0xFF);
            patched[i + 7] = static_cast<char>(width >> 8);
            patched[i + 8] = static_cast<char>(width & 0xFF);
            break;
        }
    }
    return patched;
}

bool IsJpegFile(const std::string& path) {
    return ReadFile(path).rfind("\xFF\xD8\xFF", 0) == 0;
}

bool IsGifFile(const std::string& path) {
    return ReadFile(path).rfind("GIF8", 0) == 0;
}

bool HasExif(const std::string& path) {
    // Walks the marker segments before the scan data: APP1 segments whose payload starts "Exif".
    const std::string bytes = ReadFile(path);
    std::size_t at = 2;
    while (at + 4 <= bytes.size() && static_cast<unsigned char>(bytes[at]) == 0xFF) {
        const auto marker = static_cast<unsigned char>(bytes[at + 1]);
        const std::size_t length =
            (static_cast<unsigned char>(bytes[at + 2]) << 8) | static_cast<unsigned char>(bytes[at + 3]);
        if (marker == 0xE1 && bytes.compare(at + 4, 4, "Exif") == 0) {
            return true;
        }
        if (marker == 0xDA) {  // start of scan
            break;
        }
        at += 2 + length;
    }
    return false;
}

std::vector<std::uint32_t> DrawnPixels(const std::string& path, int* width, int* height) {
    const Handle image(vimbral::InitImageObject(path.c_str(), nullptr, -1, -1));
    if (!image) {
        return {};
    }
    const int w = vimbral::GetWidth(image.get());
    const int h = vimbral::GetHeight(image.get());
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h, 0);
    vimbral::Canvas canvas{pixels.data(), w, h, w * 4};
    if (vimbral::Draw(image.get(), &canvas, 0, 0) == 0) {
        return {};
    }
    if (width != nullptr) {
        *width = w;
    }
    if (height != nullptr) {
        *height = h;
    }
    return pixels;
}

Rgb ColourOf(std::uint32_t pixel) {
    return {static_cast<std::uint8_t>(pixel >> 16), static_cast<std::uint8_t>(pixel >> 8),
            static_cast<std::uint8_t>(pixel)};
}

bool Near(Rgb a, Rgb b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

Size SizeOf(const std::string& path) {
    const Handle image(vimbral::InitImageObject(path.c_str(), nullptr, -1, -1));
    if (!image) {
        return {};
    }
    return {vimbral::GetWidth(image.get()), vimbral::GetHeight(image.get())};
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}
