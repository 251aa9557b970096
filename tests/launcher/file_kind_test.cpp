// The kind of file each row reads: the dialog's filters, and the pre-run
// check of a coded file given for letters or the reverse.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "model/file_kind.h"
#include "model/param_grid.h"
#include "model/value_check.h"
#include "support/qt_print.h"

namespace quellon {
namespace {

// The file rows of the delivered templates, by name and comment.
TEST(FileKind, EveryFileRowOfTheTemplatesHasItsKind) {
    struct Case {
        const char* name;
        const char* comment;
        FileKind kind;
    };
    const Case cases[] = {
        {"pthGnm", "genome file: letters ACGT only, no header", FileKind::Letters},
        {"pthReads", "reads file: letters, one read a line", FileKind::Letters},
        {"pthLetters", "letter genome or letter reads file", FileKind::Letters},
        {"pthGnm", "coded genome file: one byte 0-3 a base", FileKind::Coded},
        {"pthReads", "coded reads file: bytes 0-3, one read a line", FileKind::Coded},
        {"pthFasta", "FASTA file of the genome (.fa or .fa.gz)", FileKind::Sequences},
        {"pthFastq", "reads file: FASTQ or FASTA, plain or .gz", FileKind::Sequences},
        {"pthList", "list file: one reads file name a line (LF or CR LF)", FileKind::List},
        {"pthTaskList", "task list", FileKind::TaskList},
        {"other", "some file", FileKind::Any},
    };
    for (const Case& c : cases) EXPECT_EQ(fileKindOf(c.name, c.comment), c.kind) << c.name << ": " << c.comment;
    EXPECT_EQ(nameFilters(FileKind::Coded), (QStringList{"coded files (*.bin)", "all files (*)"}));
    EXPECT_EQ(nameFilters(FileKind::Any), QStringList{"all files (*)"});
    EXPECT_TRUE(nameFilters(FileKind::Sequences).first().contains("*.gz"));
}

TEST(FileKind, AFileOfTheOtherFormIsNamedBeforeTheRun) {
    QTemporaryDir dir;
    const auto file = [&](const char* name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    };
    const QString letters = file("g.txt", "ACGTNacgt\r\nACGT\n");
    const QString coded = file("g.bin", QByteArray("\0\1\2\3\n\3", 6));
    const QString other = file("g.fa", ">chr1\nACGT\n");
    EXPECT_EQ(contentKind(letters), FileKind::Letters);
    EXPECT_EQ(contentKind(coded), FileKind::Coded);
    EXPECT_EQ(contentKind(other), FileKind::Any);

    ParamGrid grid;
    grid.fill({"genome file: letters ACGT only, no header", "file", "pthGnm", coded,
               "coded reads file: bytes 0-3, one read a line", "file", "pthReads", letters,
               "reads file: letters, one read a line", "file", "pthReads", letters,
               "FASTA file of the genome (.fa or .fa.gz)", "file", "pthFasta", other});
    EXPECT_EQ(valueProblems(grid),
              (QStringList{"row 1 (pthGnm): a coded file (bytes 0-3) where the row reads letters: " + coded,
                           "row 2 (pthReads): a letter file where the row reads coded bytes 0-3: " + letters}));
}

}  // namespace
}  // namespace quellon
