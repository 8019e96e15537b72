#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <string>

#include "imaging/widgets/preview_decoder.h"

// Shows one picture scaled to fit 90% of the control, centred on the window colour, like
// CPreviewStatic, but decoded on its decoder's thread: SetPicture returns at once, the picture
// appears when it is decoded, and only the picture asked for last is ever shown.
class CPicturePreview : public QWidget {
    Q_OBJECT

public:
    explicit CPicturePreview(QWidget* parent = nullptr);

    // Asks for the picture at `path`; asking again for the path last asked for does nothing.
    // An empty path shows nothing.
    void SetPicture(const std::string& path);
    const std::string& path() const { return m_strPath; }
    // Whether the picture last asked for is still being decoded.
    bool IsDecoding() const { return m_decoding; }
    // Whether the picture last asked for is shown.
    bool IsShown() const { return !m_decoding && !m_image.isNull(); }

    PreviewDecoder& Decoder() { return m_decoder; }

signals:
    // The picture last asked for could not be shown, and why.
    void PictureFailed(const QString& path, const QString& problem);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Request();
    void OnPreviewReady(const QString& path, const QImage& image, const QString& problem);

    PreviewDecoder m_decoder;
    std::string m_strPath;
    QImage m_image;  // the last picture decoded for m_strPath, perhaps for an earlier size
    bool m_decoding = false;
};
