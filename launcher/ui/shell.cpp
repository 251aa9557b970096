#include "shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include "model/module_start.h"
#include "model/text_lines.h"

namespace quellon {

QString DesktopShell::openDocument(const QString& path) {
    if (!QFileInfo(path).isFile() || !QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
        return QStringLiteral("i can't open ") + nativePath(path);
    }
    return QString();
}

QString DesktopShell::openFolder(const QString& path) {
    if (!QFileInfo(path).isDir() || !QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
        return QStringLiteral("i can't open ") + nativePath(path);
    }
    return QString();
}

QString DesktopShell::startModule(const QString& executable) {
    return quellon::startModule(executable);
}

}  // namespace quellon
