#pragma once

#include <QColor>
#include <QString>
#include <string>

#include "engine/gallery_job.h"

ColorRef ToColorRef(const QColor& color);
QColor ToQColor(ColorRef color);

// The desktop's colours for window backgrounds and window text.
QColor SystemWindowColor();
QColor SystemWindowTextColor();

// A file-dialog filter in the "Description|patterns|...||" form, in Qt's "Description (patterns);;..."
// form with the same entries. Patterns match in either letter case, as they were meant to.
QString QtFileFilter(const std::string& filter);
