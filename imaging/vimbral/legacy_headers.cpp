#include "imaging/vimbral/legacy_headers.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>

namespace vimbral_impl {
namespace {

using HeaderBytes = std::array<unsigned char, 128>;

unsigned U16(const HeaderBytes& b, int at) {
    return b[at] | (b[at + 1] << 8);
}

std::int64_t I32(const HeaderBytes& b, int at) {
    const std::uint32_t u = static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
                            (static_cast<std::uint32_t>(b[at + 2]) << 16) |
                            (static_cast<std::uint32_t>(b[at + 3]) << 24);
    return static_cast<std::int32_t>(u);
}

bool IsOneOf(unsigned value, std::initializer_list<unsigned> allowed) {
    for (unsigned a : allowed) {
        if (value == a) {
            return true;
        }
    }
    return false;
}

std::optional<LegacyHeader> Make(LegacyFormat format, std::int64_t width, std::int64_t height, int bits) {
    if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX) {
        return std::nullopt;
    }
    return LegacyHeader{format, static_cast<int>(width), static_cast<int>(height), bits};
}

std::optional<LegacyHeader> ReadBmp(const HeaderBytes& b, std::size_t size) {
    if (size < 26 || b[0] != 'B' || b[1] != 'M') {
        return std::nullopt;
    }
    const std::int64_t dibSize = I32(b, 14);
    if (dibSize == 12) {  // OS/2 core header
        const unsigned bpp = U16(b, 24);
        if (!IsOneOf(bpp, {1, 4, 8, 24})) {
            return std::nullopt;
        }
        return Make(LegacyFormat::Bmp, U16(b, 18), U16(b, 20), bpp <= 8 ? 8 : 24);
    }
    if (dibSize < 40 || size < 30) {
        return std::nullopt;
    }
    const unsigned bpp = U16(b, 28);
    if (!IsOneOf(bpp, {1, 4, 8, 16, 24, 32})) {
        return std::nullopt;
    }
    // A negative height marks a top-down picture.
    return Make(LegacyFormat::Bmp, I32(b, 18), std::llabs(I32(b, 22)), bpp <= 8 ? 8 : 24);
}

std::optional<LegacyHeader> ReadPcx(const HeaderBytes& b, std::size_t size) {
    if (size < 128 || b[0] != 0x0A || !IsOneOf(b[1], {0, 2, 3, 4, 5}) || b[2] > 1 ||
        !IsOneOf(b[3], {1, 2, 4, 8}) || b[65] < 1 || b[65] > 4) {
        return std::nullopt;
    }
    const std::int64_t width = static_cast<std::int64_t>(U16(b, 8)) - U16(b, 4) + 1;
    const std::int64_t height = static_cast<std::int64_t>(U16(b, 10)) - U16(b, 6) + 1;
    return Make(LegacyFormat::Pcx, width, height, b[3] * b[65] <= 8 ? 8 : 24);
}

bool HasTgaExtension(const std::string& path) {
    if (path.size() < 4) {
        return false;
    }
    const std::string tail = path.substr(path.size() - 4);
    return tail[0] == '.' && (tail[1] | 0x20) == 't' && (tail[2] | 0x20) == 'g' && (tail[3] | 0x20) == 'a';
}

std::optional<LegacyHeader> ReadTga(const HeaderBytes& b, std::size_t size) {
    if (size < 18 || b[1] > 1 || !IsOneOf(b[2], {1, 2, 3, 9, 10, 11}) ||
        !IsOneOf(b[16], {8, 15, 16, 24, 32})) {
        return std::nullopt;
    }
    const bool paletteOrGrey = IsOneOf(b[2], {1, 3, 9, 11});
    return Make(LegacyFormat::Tga, U16(b, 12), U16(b, 14), paletteOrGrey ? 8 : 24);
}

}  // namespace

std::optional<LegacyHeader> ReadLegacyHeader(const std::string& path) {
    HeaderBytes bytes{};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return std::nullopt;
    }
    const ssize_t got = ::read(fd, bytes.data(), bytes.size());
    ::close(fd);
    if (got <= 0) {
        return std::nullopt;
    }
    const auto size = static_cast<std::size_t>(got);
    if (auto bmp = ReadBmp(bytes, size)) {
        return bmp;
    }
    if (auto pcx = ReadPcx(bytes, size)) {
        return pcx;
    }
    if (HasTgaExtension(path)) {
        return ReadTga(bytes, size);
    }
    return std::nullopt;
}

const char* MagickCoder(LegacyFormat format) {
    switch (format) {
        case LegacyFormat::Bmp:
            return "BMP";
        case LegacyFormat::Pcx:
            return "PCX";
        case LegacyFormat::Tga:
            return "TGA";
    }
    return "BMP";
}

}  // namespace vimbral_impl
