#include "imaging/widgets/picture_preview.h"

#include <QApplication>
#include <QPainter>

#include "imaging/widgets/preview_fit.h"

CPicturePreview::CPicturePreview(QWidget* parent) : QWidget(parent) {
    connect(&m_decoder, &PreviewDecoder::PreviewReady, this, &CPicturePreview::OnPreviewReady);
}

void CPicturePreview::SetPicture(const std::string& path) {
    if (path == m_strPath) {
        return;
    }
    m_strPath = path;
    m_image = QImage();
    Request();
    update();
}

// The decode fits the 90% box of the control's current size.
void CPicturePreview::Request() {
    m_decoding = !m_strPath.empty();
    if (m_decoding) {
        m_decoder.RequestPreview(m_strPath, width() - width() / 10, height() - height() / 10);
    }
}

void CPicturePreview::OnPreviewReady(const QString& path, const QImage& image, const QString& problem) {
    if (path.toStdString() != m_strPath) {
        return;  // an answer to an earlier request
    }
    m_decoding = false;
    m_image = image;
    update();
    if (!problem.isEmpty()) {
        QApplication::beep();
        emit PictureFailed(path, problem);
    }
}

void CPicturePreview::resizeEvent(QResizeEvent*) {
    // The picture decoded for the old size stays, stretched, until the new one comes. A picture
    // that failed is not asked for again.
    if (!m_strPath.empty() && (m_decoding || !m_image.isNull())) {
        Request();
    }
}

void CPicturePreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    if (m_image.isNull()) {
        return;
    }
    const PreviewFit fit = FitPreview(m_image.width(), m_image.height(), width(), height());
    if (!fit.drawable) {
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(fit.x, fit.y, fit.width, fit.height), m_image);
}
