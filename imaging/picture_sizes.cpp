#include "imaging/picture_sizes.h"

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
