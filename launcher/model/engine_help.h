// Which analyses the engine provides, as its "--help" lists them: after the
// line "functions:", one line a function, two spaces, the name, padding and
// a help text, which ends in "(not available in this version)" for an
// analysis not built yet.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace quellon {

// The names the help text lists without the "not available" mark. Nothing
// when the text has no "functions:" line: that module cannot tell.
std::optional<QStringList> providedFunctions(const QString& helpText);

// Runs `executable --help` with empty input and reads its answer. Nothing
// when the program is missing, does not end within `timeoutMs` (it is then
// killed) or does not answer with a function list.
std::optional<QStringList> askProvidedFunctions(const QString& executable, int timeoutMs = 5000);

}  // namespace quellon
