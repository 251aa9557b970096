// The launcher's parameter-template reader and writer.
//
// The input is the parameter template of a function "F" in a Params folder
// whose catalogue serves F from the launcher directory. "show Params" reads
// it into the grid; every row is asked what a click on it opens; "fix
// Params" writes it back with the call file. The grid must hold the file's
// lines four a row (nine rows, the rest kept), a template beginning with
// "external" must ask for a start instead, and a template written back must
// give the engine, which reads it next, the values the grid shows.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "core/params.h"
#include "model/catalogue.h"
#include "model/launch_paths.h"
#include "model/launcher_error.h"
#include "model/param_grid.h"
#include "model/session.h"
#include "model/text_lines.h"
#include "model/value_check.h"
#include "support/fuzz_support.h"
#include "support/launcher_scratch.h"

namespace {

using namespace quellon;
using ruz::fuzz::qPath;
using ruz::fuzz::text;

QByteArray fileBytes(const std::string& path) {
    QFile file(qPath(path));
    FUZZ_CHECK(file.open(QIODevice::ReadOnly), "a written file cannot be read: " + path);
    return file.readAll();
}

void checkGrid(const ParamGrid& grid, const QStringList& lines) {
    constexpr int shown = ParamGrid::kRows * ParamGrid::kColumns;
    for (int i = 0; i < shown; ++i) {
        const QString want = i < lines.size() ? lines[i] : QString();
        FUZZ_CHECK(grid.cell(i / ParamGrid::kColumns, i % ParamGrid::kColumns) == want,
                   "cell " + std::to_string(i) + " does not hold line " + std::to_string(i + 1));
    }
    FUZZ_CHECK(grid.keptLines() == lines.mid(shown), "the lines beyond the grid were not kept");
}

RowEditor describedEditor(const QString& type) {
    if (type == QLatin1String("dir")) return RowEditor::Directory;
    if (type == QLatin1String("file")) return RowEditor::File;
    if (type == QLatin1String("table")) return RowEditor::Table;
    if (type == QLatin1String("int") || type == QLatin1String("str")) return RowEditor::Value;
    return RowEditor::None;
}

std::string lineOf(const QStringList& lines, qsizetype i) {
    return i < lines.size() ? lines[i].toLocal8Bit().toStdString() : std::string();
}

// What the engine reads from the written template must be what the
// launcher wrote: each record's name with the last value written for it (a
// record cut short by the file's end has empty lines).
void checkEngineReading(const QByteArray& written, const QStringList& lines) {
    ruz::ParameterTable table = ruz::ParameterTable::parse(std::string_view(written.constData(), written.size()));
    FUZZ_CHECK(table.longLine() == 0, "the launcher wrote a line the engine cannot read");
    std::map<std::string, std::string> lastValue;
    for (qsizetype r = 0; r < lines.size(); r += ParamGrid::kColumns)
        lastValue[lineOf(lines, r + ParamGrid::Name)] = lineOf(lines, r + ParamGrid::Value);
    for (const auto& [name, value] : lastValue)
        FUZZ_CHECK(table.find(name) == value, "the engine reads " + name + " = \"" + table.find(name) +
                                                    "\", the launcher wrote \"" + value + "\"");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string templatePath = [] {
        ruz::fuzz::writeFileBytes(ruz::fuzz::paramsFile(kCatalogueFileName), "F\n*\n@this\n#P\n");
        return ruz::fuzz::paramsFile("F.txt");
    }();
    static const std::string callPath = ruz::fuzz::launcherDirectory() + kCallFileName;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ruz::fuzz::writeFileBytes(templatePath, bytes);
    QFile::remove(qPath(callPath));
    const QStringList lines = ruz::fuzz::describedLines(bytes);

    Session session(qPath(ruz::fuzz::launcherDirectory()));
    session.activate(QStringLiteral("P"), QStringLiteral("F"));
    session.chooseFunction(QStringLiteral("F"));
    ShowOutcome outcome{};
    try {
        outcome = session.showParams();
    } catch (const LauncherError& e) {
        FUZZ_CHECK(lines.isEmpty(), "a template with lines was refused: " + text(e.message()));
        return 0;
    }
    FUZZ_CHECK(!lines.isEmpty(), "an empty template was shown");
    if (lines.first() == QLatin1String("external")) {
        FUZZ_CHECK(outcome == ShowOutcome::External && session.startRequested(), "an external function was not started");
        return 0;
    }
    FUZZ_CHECK(outcome == ShowOutcome::Parameters, "a template was taken as external");
    checkGrid(session.grid(), lines);
    FUZZ_CHECK(!session.isFixed(), "a template just shown counts as fixed");

    for (int row = 0; row < ParamGrid::kRows; ++row) {
        const QString& type = session.grid().cell(row, ParamGrid::Type);
        FUZZ_CHECK(session.editorFor(row) == describedEditor(type), "row " + std::to_string(row + 1) + " opens the wrong editor");
        if (type == QLatin1String("int")) intProblem(session.value(row));
    }
    try {
        session.userTaskList(QStringLiteral("RandExtTaskList"));
    } catch (const LauncherError&) {
    }

    try {
        session.fixParams();
    } catch (const LauncherError& e) {
        FUZZ_CHECK(!session.isFixed(), "a refused fix counts as fixed");
        FUZZ_CHECK(fileBytes(templatePath) == QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())),
                   "a refused fix changed the template: " + text(e.message()));
        return 0;
    }
    FUZZ_CHECK(session.isFixed(), "a written template does not count as fixed");
    const QStringList written = session.grid().linesToWrite();
    const QByteArray bytesWritten = fileBytes(templatePath);
    FUZZ_CHECK(bytesWritten == joinLines(written), "the template was written otherwise than the grid holds");
    FUZZ_CHECK(fileBytes(callPath) == callFileContent(session.parameterFilePath(), QStringLiteral("F")),
               "the call file names another template or function");
    checkEngineReading(bytesWritten, written);
    return 0;
}
