#include "tests/widgets/test_pictures.h"

#include <QPainter>
#include <QWidget>
#include <cstdlib>
#include <stdexcept>

#include "imaging/vimbral/vimbral.h"

std::string WritePicture(const std::string& path, const QImage& image) {
    if (!image.save(QString::fromStdString(path), "PNG")) {
        throw std::runtime_error("cannot write test picture " + path);
    }
    return path;
}

QImage SolidPicture(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

QImage TwoColourPicture(int width, int height, QColor left, QColor right) {
    QImage image = SolidPicture(width, height, right);
    QPainter(&image).fillRect(0, 0, width / 2, height, left);
    return image;
}

QImage Grab(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool Near(QColor a, QColor b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

QColor DrawnColour(const std::string& path, int x, int y) {
    vimbral::Image picture = vimbral::InitImageObject(path.c_str(), nullptr, -1, -1);
    if (picture == nullptr) {
        throw std::runtime_error("cannot load test picture " + path);
    }
    QImage canvas(vimbral::GetWidth(picture), vimbral::GetHeight(picture), QImage::Format_RGB32);
    canvas.fill(Qt::black);
    vimbral::Canvas target{reinterpret_cast<std::uint32_t*>(canvas.bits()), canvas.width(), canvas.height(),
                           static_cast<int>(canvas.bytesPerLine())};
    vimbral::Draw(picture, &target, 0, 0);
    vimbral::DeleteImageObject(picture);
    return canvas.pixelColor(x, y);
}
