#include "wizard/shell.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

void OpenLocalFile(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

void OpenAddress(const std::string& address) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

void ExploreFolder(const std::string& folder) {
    OpenLocalFile(folder);
}
