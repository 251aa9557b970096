// Checks of the values shown in the grid, made before the engine is started,
// so a mistake is named in the launcher instead of in the engine's console
// after the launcher has gone.
#pragma once

#include <QString>
#include <QStringList>

#include "param_grid.h"

namespace quellon {

// The heading of every refusal of the grid's values.
inline constexpr char kIncorrectInputData[] = "incorrect input data";

// Why an "int" value is refused, or an empty text for a whole number in the
// 32-bit range: an optional sign and decimal digits, nothing else. The
// engine itself would read the leading digits of "2O" as 2.
QString intProblem(const QString& text);

// Every problem of the records the grid holds (the rows up to the first
// empty comment), one line each, naming the row and the parameter:
//   "file" rows name a readable file (of letters where the row reads
//   letters, of codes where it reads codes), "dir" rows an existing, readable
//   folder; the result directory (`diRes`) must also take new files, and
//   "int" rows hold whole numbers. Relative paths count from the current
//   directory, where the engine starts too.
QStringList valueProblems(const ParamGrid& grid);

}  // namespace quellon
