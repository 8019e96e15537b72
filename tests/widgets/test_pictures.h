#pragma once

#include <QColor>
#include <QImage>
#include <string>

class QWidget;

// Writes `image` as a PNG file (lossless, so colours come back exactly) and returns its path.
std::string WritePicture(const std::string& path, const QImage& image);

QImage SolidPicture(int width, int height, QColor color);
// Left half `left`, right half `right`.
QImage TwoColourPicture(int width, int height, QColor left, QColor right);

// Paints the widget offscreen at its current size, as the screen would show it.
QImage Grab(QWidget& widget);

// Whether two colours agree within `tolerance` on every channel (resampling blurs edges a little).
bool Near(QColor a, QColor b, int tolerance = 8);

// The colour Vimbral draws at (x, y) of the picture at `path`, shown at its own size. The tests compare
// the controls' output with it, so that they check where the controls put a picture and leave how
// faithfully the library reproduces colours to the library's own tests.
QColor DrawnColour(const std::string& path, int x, int y);
