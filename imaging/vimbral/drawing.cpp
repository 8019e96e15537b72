// Draw: paints a picture onto a caller's 32-bit canvas, clipped to it.

#include <algorithm>
#include <cstdint>

#include "imaging/vimbral/image_object.h"

namespace vimbral {
namespace {

bool IsValid(const Canvas& canvas) {
    return canvas.pixels != nullptr && canvas.width > 0 && canvas.height > 0 &&
           static_cast<std::int64_t>(canvas.stride) >= static_cast<std::int64_t>(canvas.width) * 4;
}

// Rows and columns of the canvas that the picture covers: [begin, end).
struct Span {
    int begin;
    int end;
};

Span Clip(int at, int length, int limit) {
    const std::int64_t begin = std::max<std::int64_t>(at, 0);
    const std::int64_t end = std::min<std::int64_t>(static_cast<std::int64_t>(at) + length, limit);
    return {static_cast<int>(begin), static_cast<int>(std::max(begin, end))};
}

void Paint(VipsImage* picture, Canvas& canvas, int x, int y) {
    const Span columns = Clip(x, picture->Xsize, canvas.width);
    const Span rows = Clip(y, picture->Ysize, canvas.height);
    auto* base = reinterpret_cast<unsigned char*>(canvas.pixels);
    for (int row = rows.begin; row < rows.end; ++row) {
        const VipsPel* source = VIPS_IMAGE_ADDR(picture, columns.begin - x, row - y);
        auto* target =
            reinterpret_cast<std::uint32_t*>(base + static_cast<std::ptrdiff_t>(row) * canvas.stride);
        for (int column = columns.begin; column < columns.end; ++column, source += 3) {
            target[column] = 0xFF000000u | (std::uint32_t{source[0]} << 16) |
                             (std::uint32_t{source[1]} << 8) | std::uint32_t{source[2]};
        }
    }
}

}  // namespace

int Draw(Image image, Canvas* canvas, int x, int y) {
    if (image == nullptr || canvas == nullptr || !IsValid(*canvas)) {
        return 0;
    }
    try {
        if (!vimbral_impl::DecodeInPlace(*image) || vips_image_wio_input(image->pixels.get()) != 0) {
            vimbral_impl::DropVipsError();
            return 0;
        }
        Paint(image->pixels.get(), *canvas, x, y);
        return 1;
    } catch (...) {
        return 0;
    }
}

}  // namespace vimbral
