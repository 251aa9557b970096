#include "igv_link.h"

#include <QDir>
#include <QFile>
#include <QTcpSocket>

#include "text_lines.h"

namespace quellon {

QString IgvLink::show(const QStringList& tracks, const QString& locus) const {
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port_);
    if (!socket.waitForConnected(timeoutMs_)) {
        return QStringLiteral("no genome browser answers on port %1 of this machine: start IGV (Debian igv), "
                              "and in its View > Preferences > Advanced enable the port %1; then try again")
            .arg(port_);
    }
    QStringList commands;
    for (const QString& track : tracks) commands.append(QStringLiteral("load ") + nativePath(track));
    commands.append(QStringLiteral("goto ") + locus);
    for (const QString& command : commands) {
        socket.write(command.toUtf8() + '\n');
        if (!socket.waitForBytesWritten(timeoutMs_)) return QStringLiteral("the genome browser took no command");
        while (!socket.canReadLine()) {
            if (!socket.waitForReadyRead(timeoutMs_ * 6))
                return QStringLiteral("the genome browser did not answer \"%1\"").arg(command);
        }
        const QString answer = QString::fromUtf8(socket.readLine()).trimmed();
        if (answer != QLatin1String("OK"))
            return QStringLiteral("the genome browser answered \"%1\" to \"%2\"").arg(answer, command);
    }
    return QString();
}

QStringList IgvLink::tracksOf(const QString& directory, const QStringList& files) {
    QStringList tracks;
    for (const QString& name : files) {
        if (name.endsWith(QLatin1String(".bed")) || name.endsWith(QLatin1String(".bedGraph")) ||
            name.endsWith(QLatin1String(".bw")))
            tracks.append(QDir(directory).filePath(name));
    }
    return tracks;
}

QString IgvLink::sequenceOf(const QStringList& tracks) {
    for (const QString& track : tracks) {
        if (track.endsWith(QLatin1String(".bw"))) continue;
        QFile file(track);
        if (!file.open(QIODevice::ReadOnly)) continue;
        while (!file.atEnd()) {
            const QByteArray line = file.readLine();
            if (line.startsWith("track") || line.startsWith('#') || line.trimmed().isEmpty()) continue;
            return QString::fromUtf8(line.left(line.indexOf('\t')));
        }
    }
    return QString();
}

QString IgvLink::locusAround(const QString& sequence, qint64 position, qint64 flank) {
    return QStringLiteral("%1:%2-%3").arg(sequence).arg(std::max<qint64>(1, position - flank)).arg(position + flank);
}

}  // namespace quellon
