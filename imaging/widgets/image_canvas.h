#pragma once

#include <QImage>

#include "imaging/vimbral/vimbral.h"

// Lets Vimbral draw straight into a 32-bit QImage (RGB32 holds pixels as 0xAARRGGBB, as Draw writes).
inline vimbral::Canvas CanvasOf(QImage& image) {
    Q_ASSERT(image.format() == QImage::Format_RGB32);
    vimbral::Canvas canvas;
    canvas.pixels = reinterpret_cast<std::uint32_t*>(image.bits());
    canvas.width = image.width();
    canvas.height = image.height();
    canvas.stride = static_cast<int>(image.bytesPerLine());
    return canvas;
}
