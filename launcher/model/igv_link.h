// "show in genome browser": a run's tracks and a position sent to a running
// IGV through its batch port on this machine (load, goto), one command a
// line, each answered by a line ("OK" or the reason).
#pragma once

#include <QString>
#include <QStringList>

namespace quellon {

class IgvLink {
public:
    // IGV's batch port unless its preferences say otherwise.
    static constexpr quint16 kDefaultPort = 60151;

    explicit IgvLink(quint16 port = kDefaultPort, int timeoutMs = 5000) : port_(port), timeoutMs_(timeoutMs) {}

    // Loads every track and goes to `locus` ("name:first-last"). Returns an
    // empty text, or what went wrong: no browser answering (with how to
    // start one), or the browser's answer to a command.
    QString show(const QStringList& tracks, const QString& locus) const;

    // The tracks among a result directory's files (.bed, .bedGraph, .bw).
    static QStringList tracksOf(const QString& directory, const QStringList& files);

    // The sequence name the first track's first data line gives, or empty.
    static QString sequenceOf(const QStringList& tracks);

    // "name:first-last" around the 1-based position, `flank` bases on each
    // side, from 1 on.
    static QString locusAround(const QString& sequence, qint64 position, qint64 flank = 100);

private:
    quint16 port_;
    int timeoutMs_;
};

}  // namespace quellon
