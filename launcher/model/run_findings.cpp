#include "run_findings.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>

#include "report_layout.h"

namespace quellon {

namespace {

// Logs and tables are read this far: their counts stand at the start.
constexpr qint64 kReadBytes = 1 << 16;
constexpr int kMostCountLines = 12;

QString head(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QString();
    return QString::fromLocal8Bit(file.read(kReadBytes));
}

QString number(qlonglong n) { return QLocale(QLocale::English).toString(n); }

// "name=123" anywhere in the text, or -1.
qlonglong count(const QString& text, const QString& name) {
    const QRegularExpression pattern(QRegularExpression::escape(name) + QStringLiteral("\\s*=\\s*(\\d+)"));
    const QRegularExpressionMatch match = pattern.match(text);
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

// The preparation's drops: "with N=654 (dropped)", "too short=3", ...
void prepWarnings(const QString& log, QStringList& warnings) {
    const qlonglong input = count(log, QStringLiteral("input"));
    if (input <= 0) return;
    const struct {
        const char* name;
        const char* why;
    } drops[] = {{"with N", "for holding N"}, {"too short", "as too short"}, {"too long", "as too long"}};
    for (const auto& drop : drops) {
        const qlonglong n = count(log, QLatin1String(drop.name));
        if (n > 0 && 2 * n > input)
            warnings.append(QStringLiteral("%1 of %2 reads were dropped %3")
                                .arg(number(n), number(input), QLatin1String(drop.why)));
    }
}

// The replaced-end analyses read only the reads of one size.
void sizeWarnings(const QString& log, QStringList& warnings) {
    const qlonglong input = count(log, QStringLiteral("input"));
    const qlonglong these = count(log, QStringLiteral("these reads"));
    const qlonglong size = count(log, QStringLiteral("required read size"));
    if (input > 0 && these >= 0 && size > 0 && 2 * these < input)
        warnings.append(QStringLiteral("only %1 of %2 reads are %3 bases long, the read size the settings ask for "
                                       "(immutSz + mutTipSz)")
                            .arg(number(these), number(input), number(size)));
}

}  // namespace

RunFindings runFindings(const QString& resultDirectory, const QStringList& files, const QString& resultTable) {
    RunFindings findings;
    const QDir directory(resultDirectory);
    for (const QString& name : files) {
        if (!name.endsWith(QLatin1String("Log.txt"))) continue;
        const QString log = head(directory.filePath(name));
        for (const QString& line : log.split(u'\n')) {
            if (line.contains(u'=') && !line.startsWith(QLatin1String("proc")) &&
                !line.startsWith(QLatin1String("program")) && !line.startsWith(QLatin1String("genome")) &&
                !line.startsWith(QLatin1String("dir of")) &&
                !line.startsWith(QLatin1String("reads=")) && findings.counts.size() < kMostCountLines)
                findings.counts.append(line.trimmed());
        }
        prepWarnings(log, findings.warnings);
        sizeWarnings(log, findings.warnings);
    }
    if (!resultTable.isEmpty()) {
        const ReportLayout layout = reportLayoutOf(directory.filePath(resultTable));
        if (layout.shape != ReportShape::Text && !layout.rows)
            findings.warnings.prepend(QStringLiteral("the result table %1 holds no result: nothing was found")
                                          .arg(resultTable));
    }
    return findings;
}

}  // namespace quellon
