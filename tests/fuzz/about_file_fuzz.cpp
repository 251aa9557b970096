// The launcher's about-file reader.
//
// The input is an about file; it is written as both "AboutFuncs.txt" and
// "AboutPacks.txt" of a Params folder. The entries of several keys are looked
// up in it, directly and through the session's about windows: the first
// lines of the file, a key no line holds and the empty key. An entry either
// comes back or LauncherError names the file and the empty line in it; an
// entry is the run of lines after its key up to a line that begins with '*'.
#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>
#include <string_view>

#include "model/about_file.h"
#include "model/launcher_error.h"
#include "model/session.h"
#include "model/text_lines.h"
#include "support/fuzz_support.h"
#include "support/launcher_scratch.h"

namespace {

using namespace quellon;
using ruz::fuzz::qPath;
using ruz::fuzz::text;

// The entry of `key` as the about files are described.
QStringList describedBlock(const QStringList& lines, const QString& key, bool& emptyLine) {
    qsizetype at = 0;
    for (; at < lines.size(); ++at)
        if (lines[at].compare(key, Qt::CaseInsensitive) == 0) break;
    const qsizetype first = at < lines.size() ? at + 1 : 0;
    QStringList block;
    emptyLine = false;
    for (qsizetype i = first; i < lines.size(); ++i) {
        if (lines[i].isEmpty()) {
            emptyLine = true;
            return {};
        }
        if (lines[i].startsWith(u'*')) break;
        block.append(lines[i]);
    }
    return block;
}

void checkKey(const QStringList& lines, const QString& key, const QString& path) {
    bool emptyLine = false;
    const QStringList expected = describedBlock(lines, key, emptyLine);
    try {
        const QStringList block = aboutBlock(lines, key, path);
        FUZZ_CHECK(!emptyLine, "an entry with an empty line was taken");
        FUZZ_CHECK(block == expected, "the entry of \"" + text(key) + "\" differs");
    } catch (const LauncherError& e) {
        FUZZ_CHECK(emptyLine, "an entry without an empty line was refused: " + text(e.message()));
        FUZZ_CHECK(e.message().startsWith(nativePath(path) + u'\n') && e.message().endsWith(QStringLiteral(": empty line")),
                   "the error does not name the file and the line: " + text(e.message()));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string functionsPath = ruz::fuzz::paramsFile(kAboutFunctionsFileName);
    static const std::string packagesPath = ruz::fuzz::paramsFile(kAboutPackagesFileName);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ruz::fuzz::writeFileBytes(functionsPath, bytes);
    ruz::fuzz::writeFileBytes(packagesPath, bytes);

    const QString path = qPath(functionsPath);
    const QStringList lines = readLines(path);
    FUZZ_CHECK(lines == ruz::fuzz::describedLines(bytes), "the about file's lines differ from the file's");

    QStringList keys{QString(), QStringLiteral("no such key")};
    for (int i = 0; i < lines.size() && i < 3; ++i) keys.append(lines[i]);
    for (const QString& key : keys) checkKey(lines, key, path);

    // The about windows of a function and of a package, through the session.
    Session session(qPath(ruz::fuzz::launcherDirectory()));
    session.activate(keys.last(), keys.value(2));
    for (const AboutSubject subject : {AboutSubject::Function, AboutSubject::Package}) {
        const QString key = subject == AboutSubject::Function ? session.currentFunction() : session.currentPackage();
        bool emptyLine = false;
        const QStringList expected = describedBlock(lines, key, emptyLine);
        try {
            const AboutText about = session.about(subject);
            FUZZ_CHECK(about.key == key && about.lines == expected, "the about window shows another entry");
        } catch (const LauncherError& e) {
            FUZZ_CHECK(emptyLine, "the about window refused an entry: " + text(e.message()));
        }
    }
    return 0;
}
