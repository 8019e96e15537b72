#include "imaging/widgets/preview_fit.h"

#include <algorithm>

PreviewFit FitPreview(int imageWidth, int imageHeight, int clientWidth, int clientHeight) {
    PreviewFit fit;
    const int boxWidth = clientWidth - clientWidth / 10;
    const int boxHeight = clientHeight - clientHeight / 10;
    // A collapsed control or an empty picture would divide by zero below.
    if (imageWidth < 1 || imageHeight < 1 || boxWidth < 1 || boxHeight < 1) {
        return fit;
    }
    // The scale is held in single precision and divided in double: 300 x 200 in 150 x 150 must come
    // out as 134 x 89, where a float division would round 134.99999 up to 135.
    const float sx = static_cast<float>(static_cast<double>(imageWidth) / boxWidth);
    const float sy = static_cast<float>(static_cast<double>(imageHeight) / boxHeight);
    const double s = sx > sy ? sx : sy;
    // A very thin picture would shrink to nothing along its short side; keep one pixel.
    fit.width = std::max(1, static_cast<int>(imageWidth / s));
    fit.height = std::max(1, static_cast<int>(imageHeight / s));
    if (fit.width < clientWidth) {
        fit.x = static_cast<int>((clientWidth - fit.width) / 2.0);
    }
    if (fit.height < clientHeight) {
        fit.y = static_cast<int>((clientHeight - fit.height) / 2.0);
    }
    fit.drawable = true;
    return fit;
}
