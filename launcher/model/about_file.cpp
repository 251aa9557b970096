#include "about_file.h"

#include "launcher_error.h"
#include "text_lines.h"

namespace quellon {

namespace {

int keyLine(const QStringList& lines, const QString& key) {
    for (int i = 0; i < lines.size(); ++i) {
        if (lines[i].compare(key, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

}  // namespace

QStringList aboutBlock(const QStringList& lines, const QString& key, const QString& path) {
    QStringList block;
    for (int i = keyLine(lines, key) + 1; i < lines.size(); ++i) {
        if (lines[i].isEmpty()) {
            throw LauncherError(
                QStringLiteral("%1\nline %2: empty line").arg(nativePath(path)).arg(i + 1));
        }
        if (lines[i].startsWith(u'*')) break;
        block.append(lines[i]);
    }
    return block;
}

}  // namespace quellon
