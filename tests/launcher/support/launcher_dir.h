// A launcher directory for one test: a temporary directory with a Params
// folder, filled from the project's params/ folder or file by file.
#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <stdexcept>

namespace quellon::test_support {

inline void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("cannot read " + path.toStdString());
    }
    return file.readAll();
}

inline QString projectParamsDir() { return QStringLiteral(QUELLON_PROJECT_PARAMS); }
// The catalogue the build made from the engine's table.
inline QString projectCatalogue() { return QStringLiteral(QUELLON_CATALOGUE); }

class LauncherDir {
public:
    LauncherDir() {
        if (!dir_.isValid() || !QDir(dir_.path()).mkdir("Params")) {
            throw std::runtime_error("cannot create a temporary launcher directory");
        }
    }
    // With its trailing separator, as the launcher holds it.
    QString path() const { return dir_.path() + u'/'; }
    QString paramsPath() const { return path() + "Params/"; }
    void copyProjectParams() const {
        const QDir source(projectParamsDir());
        for (const QString& name : source.entryList(QDir::Files)) {
            writeParam(name, readFile(source.filePath(name)));
        }
        writeParam(QStringLiteral("List_FuncModulePack.txt"), readFile(projectCatalogue()));
    }
    void writeParam(const QString& name, const QByteArray& content) const {
        writeFile(paramsPath() + name, content);
    }
    QByteArray readParam(const QString& name) const { return readFile(paramsPath() + name); }

private:
    QTemporaryDir dir_;
};

}  // namespace quellon::test_support
