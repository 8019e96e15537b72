#include "wizard/qt_bridge.h"

#include <QApplication>
#include <QPalette>
#include <QStringList>

ColorRef ToColorRef(const QColor& color) {
    return MakeColorRef(static_cast<unsigned>(color.red()), static_cast<unsigned>(color.green()),
                        static_cast<unsigned>(color.blue()));
}

QColor ToQColor(ColorRef color) {
    return QColor(static_cast<int>(RedOf(color)), static_cast<int>(GreenOf(color)),
                  static_cast<int>(BlueOf(color)));
}

QColor SystemWindowColor() {
    return QApplication::palette().color(QPalette::Base);
}

QColor SystemWindowTextColor() {
    return QApplication::palette().color(QPalette::Text);
}

QString QtFileFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        if (description.isEmpty()) {
            break;
        }
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
            for (const QString& variant :
                 {pattern.trimmed(), pattern.trimmed().toLower(), pattern.trimmed().toUpper()}) {
                if (!variant.isEmpty() && !patterns.contains(variant)) {
                    patterns << variant;
                }
            }
        }
        entries << description + " (" + patterns.join(' ') + ")";
    }
    return entries.join(";;");
}
