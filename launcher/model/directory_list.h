// The content of the directory chooser's lists: the mounted volumes (the
// "drives" of the box above) and, for one directory, the chain of directories
// from the file system's root down to it followed by its subdirectories.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace quellon {

struct DirectoryEntry {
    QString path;   // absolute, without trailing separator (but the root "/")
    QString label;  // the last component, or the root path itself
    int depth = 0;  // 0 for the root; subdirectories one deeper than the directory
    bool isCurrent = false;
};

// The root paths of the mounted, ready volumes, sorted; duplicates removed.
QStringList volumeRoots();

// The root of the volume that holds the directory.
QString volumeRootOf(const QString& directory);

// The chain root..directory, then the directory's subdirectories in
// case-insensitive order. Hidden directories are left out.
std::vector<DirectoryEntry> directoryEntries(const QString& directory);

}  // namespace quellon
