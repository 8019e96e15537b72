#pragma once

#include <QFont>
#include <QWidget>
#include <string>

#include "engine/gallery_job.h"

// Shows how page text will look: the background colour, tiled with the background picture if one
// is set, under a sample text in the text colour. The colors page writes the members, then calls
// update().
class CColorExampleStatic : public QWidget {
    Q_OBJECT

public:
    explicit CColorExampleStatic(QWidget* parent = nullptr);

    // The face the sample text is drawn in: "MS Sans Serif" where installed, else the system's serif.
    static QFont SampleFont();

    std::string m_strBkgndImage;  // empty: no picture
    ColorRef m_crBkgndColor = 0;
    ColorRef m_crTextColor = 0;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void TileBackground(QImage& canvas) const;
};
