// What "fix Params" refuses to write.
#include <gtest/gtest.h>

#include "model/directory_list.h"
#include "model/launch_paths.h"
#include "model/launcher_error.h"
#include "model/param_grid.h"
#include "model/session.h"
#include "model/text_lines.h"
#include "support/launcher_dir.h"
#include "support/qt_print.h"

namespace quellon {
namespace {

using test_support::readFile;
using test_support::writeFile;

// The engine reads a parameter file line by line into 500 bytes and the call
// file's path line into 200: what it would cut or split is refused unwritten.
TEST(SessionFix, RefusesLinesAndPathsTheEngineWouldCut) {
    const QByteArray original = "genome\nfile\npthGnm\n/g.txt\nresults\ndir\ndiRes\n/r\n";
    const QString refused = "incorrect input data\nrecord 2 (diRes), value: ";
    const struct {
        QString subdirectory;
        QString value;
        QString refusal;  // the message's start; empty: fixed
    } cases[] = {
        {"", QString(499, 'x'), ""},
        {"", "/r\nx", refused + "a line break in the text"},
        {"", "/r\rx", refused + "a line break in the text"},
        {"", QString(500, 'x'), refused + "longer than 499 characters"},
        {QString(190, 'd'), "/s", "the engine reads at most 199 characters of the parameter file"},
    };
    for (const auto& c : cases) {
        const test_support::LauncherDir dir;
        Session session(dir.path() + c.subdirectory);
        QDir().mkpath(session.paramsDirectory());
        writeFile(session.paramsDirectory() + kCatalogueFileName, "RandExt\n*R\n>this\n#Helixa\n");
        writeFile(session.paramsDirectory() + "RandExt.txt", original);
        session.activate("Helixa", "RandExt");
        session.showParams();
        session.setValue(1, c.value);
        QString error;
        try {
            session.fixParams();
        } catch (const LauncherError& refusal) {
            error = refusal.message();
        }
        EXPECT_TRUE(c.refusal.isEmpty() ? error.isEmpty() : error.startsWith(c.refusal)) << error;
        EXPECT_EQ(session.isFixed(), c.refusal.isEmpty());
        EXPECT_EQ(readFile(session.parameterFilePath()) == original, !c.refusal.isEmpty());
        EXPECT_EQ(QFile::exists(session.launcherDirectory() + kCallFileName), c.refusal.isEmpty());
    }
}

}  // namespace
}  // namespace quellon
