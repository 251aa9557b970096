// The launcher's folder for the launcher's fuzz targets: a launcher
// directory in the scratch folder with its Params folder, and the lines of
// a Params file as the launcher's files are described.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <string>
#include <string_view>

#include "support/fuzz_support.h"

namespace ruz::fuzz {

// The launcher directory (with a trailing '/'), made once with its Params
// folder.
inline const std::string& launcherDirectory() {
    static const std::string dir = [] {
        const std::string d = scratchPath("launcher/");
        std::filesystem::create_directories(d + "Params");
        return d;
    }();
    return dir;
}

inline std::string paramsFile(std::string_view name) {
    return launcherDirectory() + "Params/" + std::string(name);
}

inline QString qPath(const std::string& path) { return QString::fromStdString(path); }

// Lines end at CR LF, LF or CR; a final line break adds no empty line; a
// zero byte ends the text; lines are taken in the local 8-bit encoding.
inline QStringList describedLines(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\0'));
    QStringList lines;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t end = bytes.find_first_of("\r\n", at);
        if (end == std::string_view::npos) {
            lines.append(QString::fromLocal8Bit(bytes.data() + at, static_cast<qsizetype>(bytes.size() - at)));
            break;
        }
        lines.append(QString::fromLocal8Bit(bytes.data() + at, static_cast<qsizetype>(end - at)));
        at = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

inline std::string text(const QString& s) { return s.toStdString(); }

}  // namespace ruz::fuzz
