#include "imaging/widgets/color_example_static.h"

#include <QFontDatabase>
#include <QPainter>
#include <filesystem>
#include <system_error>

#include "imaging/widgets/image_canvas.h"
#include "imaging/widgets/image_handle.h"

namespace {

constexpr const char* kSampleText = "Example of\ntext color";
constexpr const char* kSampleFace = "MS Sans Serif";
constexpr int kSamplePixelSize = 32;

QColor ToQColor(ColorRef color) {
    return QColor(static_cast<int>(RedOf(color)), static_cast<int>(GreenOf(color)),
                  static_cast<int>(BlueOf(color)));
}

}  // namespace

CColorExampleStatic::CColorExampleStatic(QWidget* parent) : QWidget(parent) {}

QFont CColorExampleStatic::SampleFont() {
    QFont font;
    if (QFontDatabase::hasFamily(kSampleFace)) {
        font.setFamily(kSampleFace);
    } else {
        font.setStyleHint(QFont::Serif);
        font.setFamily(font.defaultFamily());
    }
    font.setPixelSize(kSamplePixelSize);
    font.setWeight(QFont::Bold);
    return font;
}

void CColorExampleStatic::paintEvent(QPaintEvent*) {
    QImage canvas(size(), QImage::Format_RGB32);
    canvas.fill(ToQColor(m_crBkgndColor));
    TileBackground(canvas);

    QPainter painter(this);
    painter.drawImage(0, 0, canvas);
    painter.setFont(SampleFont());
    painter.setPen(ToQColor(m_crTextColor));
    painter.drawText(rect(), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, kSampleText);
}

// Loaded afresh on every paint, so a picture changed or deleted on disk shows at once.
void CColorExampleStatic::TileBackground(QImage& canvas) const {
    std::error_code ec;
    if (m_strBkgndImage.empty() || !std::filesystem::exists(m_strBkgndImage, ec)) {
        return;
    }
    try {
        ImageHandle picture(vimbral::InitImageObject(m_strBkgndImage.c_str(), nullptr, -1, -1));
        if (!picture) {
            return;
        }
        const int stepX = vimbral::GetWidth(picture.get());
        const int stepY = vimbral::GetHeight(picture.get());
        // An empty picture would never step forward.
        if (stepX < 1 || stepY < 1) {
            return;
        }
        // The canvas is the client rectangle, and Draw clips to it.
        vimbral::Canvas target = CanvasOf(canvas);
        for (int y = 0; y < canvas.height(); y += stepY) {
            for (int x = 0; x < canvas.width(); x += stepX) {
                vimbral::Draw(picture.get(), &target, x, y);
            }
        }
    } catch (...) {
        // A library failure ends the tiling; the colour and the text are still shown.
    }
}
