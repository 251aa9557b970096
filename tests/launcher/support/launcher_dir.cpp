#include "launcher_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

namespace quellon::test_support {

namespace {

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
        throw std::runtime_error("cannot write test file " + path.toStdString());
    }
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("cannot read test file " + path.toStdString());
    }
    return file.readAll();
}

}  // namespace

QString projectParamsDir() { return QStringLiteral(QUELLON_PROJECT_PARAMS); }

LauncherDir::LauncherDir() {
    if (!dir_.isValid() || !QDir(dir_.path()).mkdir(QStringLiteral("Params"))) {
        throw std::runtime_error("cannot create a temporary launcher directory");
    }
}

QString LauncherDir::path() const { return dir_.path() + u'/'; }

QString LauncherDir::paramsPath() const { return path() + QStringLiteral("Params/"); }

void LauncherDir::copyProjectParams() const {
    const QDir source(projectParamsDir());
    for (const QString& name : source.entryList(QDir::Files)) {
        writeParam(name, readFile(source.filePath(name)));
    }
}

void LauncherDir::writeParam(const QString& name, const QByteArray& content) const {
    writeFile(paramsPath() + name, content);
}

void LauncherDir::write(const QString& name, const QByteArray& content) const {
    writeFile(path() + name, content);
}

QByteArray LauncherDir::readParam(const QString& name) const { return readFile(paramsPath() + name); }

QByteArray LauncherDir::read(const QString& name) const { return readFile(path() + name); }

bool LauncherDir::exists(const QString& name) const { return QFileInfo::exists(path() + name); }

}  // namespace quellon::test_support
