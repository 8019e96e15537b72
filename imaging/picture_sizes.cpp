#include "imaging/picture_sizes.h"

#include <algorithm>
#include <iterator>

namespace {

// The smaller of two scale factors; on equality the height's, which is the same value.
double SmallerFactor(double widthFactor, double heightFactor) {
    return widthFactor < heightFactor ? widthFactor : heightFactor;
}

int ScaledSide(int side, double factor) {
    const int scaled = static_cast<int>(side * factor);
    return scaled < 1 ? 1 : scaled;
}

std::optional<PictureSize> Scaled(int width, int height, double factor) {
    return PictureSize{ScaledSide(width, factor), ScaledSide(height, factor)};
}

}  // namespace

std::optional<PictureSize> LargePictureSize(int width, int height, int maxWidth, int maxHeight) {
    if (width <= 0 || height <= 0 || (maxWidth >= width && maxHeight >= height)) {
        return std::nullopt;
    }
    if (maxWidth <= 0 || maxHeight <= 0) {
        return std::nullopt;
    }
    return Scaled(
        width, height,
        SmallerFactor(static_cast<double>(maxWidth) / width, static_cast<double>(maxHeight) / height));
}

std::optional<PictureSize> ThumbnailSize(int width, int height, int maxWidth, int maxHeight) {
    if (width <= 0 || height <= 0) {
        return std::nullopt;
    }
    const double widthFactor = static_cast<double>(maxWidth) / width;
    const double heightFactor = static_cast<double>(maxHeight) / height;
    if (maxWidth > 0 && maxHeight > 0) {
        return Scaled(width, height, SmallerFactor(widthFactor, heightFactor));
    }
    if (maxWidth > 0) {
        return Scaled(width, height, widthFactor);
    }
    if (maxHeight > 0) {
        return Scaled(width, height, heightFactor);
    }
    return std::nullopt;
}

std::vector<PictureSize> LargeVariantSizes(int width, int height, int maxWidth, int maxHeight) {
    std::vector<PictureSize> sizes;
    if (width <= 0 || height <= 0) {
        return sizes;
    }
    const bool largeKeepsSource = !LargePictureSize(width, height, maxWidth, maxHeight);
    PictureSize cap{width, height};
    if (!largeKeepsSource) {
        if (const auto fitted = LargePictureSize(width, height, 2 * maxWidth, 2 * maxHeight)) {
            cap = *fitted;
        }
    }
    // With the large picture at the source size, that picture is the top of the list.
    const bool capMade = !largeKeepsSource && cap.width <= kMaxVariantWidth;
    const bool capListed = largeKeepsSource || capMade;
    const PictureSize large =
        LargePictureSize(width, height, maxWidth, maxHeight).value_or(PictureSize{width, height});
    for (const int standard : kVariantWidths) {
        if (largeKeepsSource && standard > kWidestPhoneVariantWidth) {
            break;
        }
        if (standard >= cap.width || (capListed && standard * 10 >= cap.width * 9)) {
            continue;
        }
        if (standard == kVariantWidths[0] && standard * 10 >= large.width * 9 &&
            large.width * 10 >= standard * 9) {
            continue;
        }
        const auto scaled = static_cast<int>(static_cast<long long>(height) * standard / width);
        sizes.push_back({standard, scaled < 1 ? 1 : scaled});
    }
    const auto nearOrAbove = [](int width, int other) { return width * 10 >= other * 9; };
    const int tall = static_cast<int>(static_cast<long long>(width) * kDesktopVariantHeight / height);
    const bool narrow = static_cast<long long>(width) * 9 * 11 < static_cast<long long>(height) * 16 * 10;
    if (narrow && tall >= 1 && !nearOrAbove(tall, cap.width) &&
        std::none_of(sizes.begin(), sizes.end(), [&](const PictureSize& size) {
            return nearOrAbove(tall, size.width) && nearOrAbove(size.width, tall);
        })) {
        const auto scaled = static_cast<int>(static_cast<long long>(height) * tall / width);
        const PictureSize size{tall, scaled < 1 ? 1 : scaled};
        sizes.insert(
            std::upper_bound(sizes.begin(), sizes.end(), size,
                             [](const PictureSize& a, const PictureSize& b) { return a.width < b.width; }),
            size);
    }
    if (capMade) {
        sizes.push_back(cap);
    }
    return sizes;
}

bool WidestVariantIsJpeg(const PictureSize& widest, int width, int height, int maxWidth, int maxHeight) {
    const auto large = LargePictureSize(width, height, maxWidth, maxHeight);
    if (!large || large->width < kDesktopPictureWidth) {
        return false;
    }
    const PictureSize cap =
        LargePictureSize(width, height, 2 * maxWidth, 2 * maxHeight).value_or(PictureSize{width, height});
    return widest == cap && cap.width > large->width;
}

std::optional<PictureSize> DoubleThumbnailSize(int width, int height, int maxWidth, int maxHeight) {
    const auto size = ThumbnailSize(width, height, maxWidth > 0 ? 2 * maxWidth : maxWidth,
                                    maxHeight > 0 ? 2 * maxHeight : maxHeight);
    if (!size || size->width > width || size->height > height) {
        return std::nullopt;
    }
    return size;
}
