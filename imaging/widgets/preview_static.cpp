#include "imaging/widgets/preview_static.h"

#include <QApplication>
#include <QPainter>

#include "imaging/widgets/image_canvas.h"
#include "imaging/widgets/preview_fit.h"
#include "imaging/widgets/wait_cursor.h"

CPreviewStatic::CPreviewStatic(QWidget* parent) : QWidget(parent) {}

void CPreviewStatic::SetPicture(const std::string& path) {
    if (path == m_strPath) {
        return;
    }
    WaitCursor wait;
    m_strPath = path;
    m_image.reset();
    try {
        ImageHandle loaded(vimbral::InitImageObject());
        if (loaded && vimbral::Load(loaded.get(), path.c_str(), nullptr, -1, -1) != 0) {
            m_image = std::move(loaded);
        }
    } catch (...) {
        // The library's failure is the user's unreadable picture: beep below, like any other.
    }
    if (!m_image) {
        QApplication::beep();
    }
    update();
}

void CPreviewStatic::paintEvent(QPaintEvent*) {
    // The window colour everywhere the picture does not cover: the centring strips, or all of it.
    QImage canvas(size(), QImage::Format_RGB32);
    canvas.fill(palette().color(QPalette::Base));
    if (m_image) {
        PaintPicture(canvas);
    }
    QPainter(this).drawImage(0, 0, canvas);
}

// Fits the held picture itself, so each later paint starts from the copy fitted last time.
void CPreviewStatic::PaintPicture(QImage& canvas) {
    try {
        vimbral::Image image = m_image.get();
        const PreviewFit fit =
            FitPreview(vimbral::GetWidth(image), vimbral::GetHeight(image), canvas.width(), canvas.height());
        if (!fit.drawable) {
            return;
        }
        if (vimbral::GetNumBits(image) != 24) {
            vimbral::ChangeImageFormat(image, 24);
        }
        vimbral::Stretch(image, fit.width, fit.height);
        vimbral::Canvas target = CanvasOf(canvas);
        vimbral::Draw(image, &target, fit.x, fit.y);
    } catch (...) {
        // An exception must not cross Qt's event loop; the preview then shows the window colour.
    }
}
