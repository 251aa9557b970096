// Lets GoogleTest print Qt texts in its failure messages.
#pragma once

#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

inline void PrintTo(const QStringList& lines, std::ostream* out) {
    *out << '{';
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i) *out << ", ";
        PrintTo(lines[i], out);
    }
    *out << '}';
}
