#include "file_kind.h"

#include <QFile>

namespace quellon {

namespace {

// Bytes read to tell letters from codes: a few reads, or the start of a
// genome.
constexpr qint64 kSniffBytes = 4096;

const QString kAllFiles = QStringLiteral("all files (*)");

}  // namespace

FileKind fileKindOf(const QString& name, const QString& comment) {
    if (name == QLatin1String("pthFasta") || name == QLatin1String("pthFastq")) return FileKind::Sequences;
    if (name == QLatin1String("pthList")) return FileKind::List;
    if (name == QLatin1String("pthTaskList")) return FileKind::TaskList;
    if (comment.contains(QLatin1String("coded"))) return FileKind::Coded;
    if (comment.contains(QLatin1String("letter"))) return FileKind::Letters;
    return FileKind::Any;
}

QStringList nameFilters(FileKind kind) {
    switch (kind) {
        case FileKind::Letters: return {QStringLiteral("letter files (*.txt)"), kAllFiles};
        case FileKind::Coded: return {QStringLiteral("coded files (*.bin)"), kAllFiles};
        case FileKind::Sequences:
            return {QStringLiteral("FASTA and FASTQ (*.fa *.fasta *.fna *.fas *.fq *.fastq *.gz)"), kAllFiles};
        case FileKind::List:
        case FileKind::TaskList: return {QStringLiteral("lists (*.txt)"), kAllFiles};
        case FileKind::Any: break;
    }
    return {kAllFiles};
}

FileKind contentKind(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return FileKind::Any;
    const QByteArray head = file.read(kSniffBytes);
    if (head.isEmpty()) return FileKind::Any;
    bool letters = true, codes = true;
    for (const char c : head) {
        const auto byte = static_cast<unsigned char>(c);
        const bool lineEnd = byte == '\n' || byte == '\r';
        codes = codes && (byte <= 3 || byte == '\n');
        letters = letters && (lineEnd || QByteArrayView("ACGTNacgtn").contains(c));
    }
    if (codes) return FileKind::Coded;
    return letters ? FileKind::Letters : FileKind::Any;
}

QString kindProblem(FileKind wanted, const QString& path) {
    if (wanted != FileKind::Letters && wanted != FileKind::Coded) return QString();
    const FileKind held = contentKind(path);
    if (wanted == FileKind::Letters && held == FileKind::Coded)
        return QStringLiteral("a coded file (bytes 0-3) where the row reads letters: ") + path;
    if (wanted == FileKind::Coded && held == FileKind::Letters)
        return QStringLiteral("a letter file where the row reads coded bytes 0-3: ") + path;
    return QString();
}

}  // namespace quellon
