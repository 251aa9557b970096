// The launcher's catalogue reader.
//
// The input is a catalogue "List_FuncModulePack.txt" in the Params folder of
// a launcher directory. It is read as the launcher reads it (whole, into
// lines) and every lookup the windows make is put to it: the packages, the
// functions of each, the module and executable of each function, through
// the catalogue itself and through the session the main window uses. A
// lookup either answers or throws LauncherError naming the catalogue; what
// it answers must be made of the catalogue's own lines.
#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>
#include <string_view>

#include "model/catalogue.h"
#include "model/launch_paths.h"
#include "model/launcher_error.h"
#include "model/session.h"
#include "model/text_lines.h"
#include "support/fuzz_support.h"
#include "support/launcher_scratch.h"

namespace {

using namespace quellon;
using ruz::fuzz::qPath;
using ruz::fuzz::text;

// Lookups per input stay few: the catalogue is read again for each.
constexpr int kLookups = 8;

void checkError(const LauncherError& e, const QString& path) {
    FUZZ_CHECK(e.message().startsWith(nativePath(path)), "an error without the catalogue's name: " + text(e.message()));
}

void checkModule(const Catalogue& catalogue, const QStringList& lines, const QString& function, const QString& path) {
    try {
        const Module module = catalogue.moduleOf(function);
        const qsizetype at = lines.indexOf(function);
        FUZZ_CHECK(at >= 0, "a module for a function no line names");
        FUZZ_CHECK(lines.contains(QLatin1Char('*') + module.text), "a module text of no module line");
        const QString directory = moduleDirectory(module.directory, QStringLiteral("/launcher/"));
        for (const ExecutableRule rule : {ExecutableRule::Posix, ExecutableRule::Windows}) {
            const QString exe = moduleExecutable(directory, module.text, function, rule);
            FUZZ_CHECK(exe.startsWith(directory), "an executable outside its module directory");
        }
    } catch (const LauncherError& e) {
        checkError(e, path);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = ruz::fuzz::paramsFile(kCatalogueFileName);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ruz::fuzz::writeFileBytes(path, bytes);
    const QString qpath = qPath(path);

    const QStringList lines = ruz::fuzz::describedLines(bytes);
    const Catalogue catalogue = Catalogue::read(qpath);
    FUZZ_CHECK(readLines(qpath) == lines, "the catalogue's lines differ from the file's");

    const QStringList packages = catalogue.packages();
    QStringList expectedPackages;
    for (const QString& line : lines)
        if (line.startsWith(u'#')) expectedPackages.append(line.mid(1));
    FUZZ_CHECK(packages == expectedPackages, "the packages are not the '#' lines");

    int lookups = 0;
    for (const QString& package : packages) {
        if (++lookups > kLookups) break;
        try {
            const QStringList functions = catalogue.functionsOf(package);
            FUZZ_CHECK(!functions.isEmpty(), "a package without functions was answered");
            for (const QString& f : functions) {
                FUZZ_CHECK(!f.isEmpty() && !f.startsWith(u'#') && lines.contains(f), "a function of no line");
                checkModule(catalogue, lines, f, qpath);
            }
        } catch (const LauncherError& e) {
            checkError(e, qpath);
        }
    }
    for (int i = 0; i < lines.size() && i < kLookups; ++i) checkModule(catalogue, lines, lines[i], qpath);

    // The main window's way: the session reads the catalogue for each step.
    Session session(qPath(ruz::fuzz::launcherDirectory()));
    try {
        const QStringList names = session.packages();
        FUZZ_CHECK(names == packages, "the session lists other packages");
        const QStringList functions = session.choosePackage(names.first());
        FUZZ_CHECK(session.currentFunction() == functions.first(), "the first function was not chosen");
        FUZZ_CHECK(session.parameterFilePath() == parameterFilePath(session.paramsDirectory(), functions.first()),
                   "the parameter file is not the function's");
        session.moduleExecutable();
    } catch (const LauncherError& e) {
        FUZZ_CHECK(!e.message().isEmpty(), "an empty message");
    }
    return 0;
}
