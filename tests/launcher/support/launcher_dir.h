// A launcher directory for one test: a temporary directory with a Params
// folder, filled from the project's params/ folder or file by file.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace quellon::test_support {

class LauncherDir {
public:
    LauncherDir();

    // The directory, with its trailing separator, as the launcher holds it.
    QString path() const;
    QString paramsPath() const;  // path() + "Params/"

    // Copies every file of the project's params/ folder into Params.
    void copyProjectParams() const;

    // Writes a file of the Params folder, or of the launcher directory.
    void writeParam(const QString& name, const QByteArray& content) const;
    void write(const QString& name, const QByteArray& content) const;

    QByteArray readParam(const QString& name) const;
    QByteArray read(const QString& name) const;
    bool exists(const QString& name) const;

private:
    QTemporaryDir dir_;
};

// The project's params/ folder.
QString projectParamsDir();

}  // namespace quellon::test_support
