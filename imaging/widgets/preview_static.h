#pragma once

#include <QWidget>
#include <string>

#include "imaging/widgets/image_handle.h"

// Shows one picture scaled to fit 90% of the control, centred on the window colour.
class CPreviewStatic : public QWidget {
    Q_OBJECT

public:
    explicit CPreviewStatic(QWidget* parent = nullptr);

    // Loads the picture at `path` and shows it; a picture that cannot be loaded beeps once and leaves
    // the preview empty. Asking again for the path last asked for does nothing, also after a
    // failure: the image order page asks on every selection change.
    void SetPicture(const std::string& path);
    const std::string& path() const { return m_strPath; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintPicture(QImage& canvas);

    ImageHandle m_image;
    std::string m_strPath;
};
