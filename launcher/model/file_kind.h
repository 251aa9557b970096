// The kind of file a "file" row of the grid takes, so that the file dialog
// offers those first and the pre-run check finds a coded file given where
// letters are read, or the reverse, before the engine refuses it with a
// message about its bytes.
#pragma once

#include <QString>
#include <QStringList>

namespace quellon {

enum class FileKind {
    Any,        // nothing known
    Letters,    // letter genome or reads: A, C, G, T, line breaks
    Coded,      // coded genome or reads: bytes 0 to 3, byte 10 between reads
    Sequences,  // FASTA or FASTQ, plain or .gz
    List,       // a list of reads files' names
    TaskList,   // a task list
};

// The kind of a row, from its parameter's name and its comment.
FileKind fileKindOf(const QString& name, const QString& comment);

// The file dialog's filters for a kind, its own first and "all files (*)"
// last; the first is the one selected.
QStringList nameFilters(FileKind kind);

// What the first bytes of a file hold: Letters, Coded, or Any when they are
// neither (or the file cannot be read).
FileKind contentKind(const QString& path);

// Why a file does not fit its row ("a coded file (bytes 0-3), where the row
// reads letters"), or an empty text.
QString kindProblem(FileKind wanted, const QString& path);

}  // namespace quellon
