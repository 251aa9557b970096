#include "directory_list.h"

#include <QDir>
#include <QStorageInfo>

#include <algorithm>

namespace quellon {

QStringList volumeRoots() {
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady()) roots.append(volume.rootPath());
    }
    roots.sort(Qt::CaseInsensitive);
    roots.removeDuplicates();
    return roots;
}

QString volumeRootOf(const QString& directory) { return QStorageInfo(directory).rootPath(); }

namespace {

// Ancestors first: "/", "/home", "/home/user".
std::vector<DirectoryEntry> chainTo(const QString& directory) {
    std::vector<DirectoryEntry> chain;
    QDir dir(directory);
    while (true) {
        const QString path = dir.absolutePath();
        chain.push_back(DirectoryEntry{path, dir.isRoot() ? path : dir.dirName(), 0, false});
        if (dir.isRoot() || !dir.cdUp()) break;
    }
    std::reverse(chain.begin(), chain.end());
    for (std::size_t i = 0; i < chain.size(); ++i) chain[i].depth = static_cast<int>(i);
    chain.back().isCurrent = true;
    return chain;
}

}  // namespace

std::vector<DirectoryEntry> directoryEntries(const QString& directory) {
    std::vector<DirectoryEntry> entries = chainTo(directory);
    const int depth = entries.back().depth + 1;
    const QDir dir(entries.back().path);
    const QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot,
                                            QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names) {
        entries.push_back(DirectoryEntry{dir.absoluteFilePath(name), name, depth, false});
    }
    return entries;
}

}  // namespace quellon
