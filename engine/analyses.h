// The engine's analyses: one table of {name, function, help, parameters}
// that both dispatches a call and prints the usage text.
#pragma once

#include "core/entry.h"

namespace ruz {

// The analyses in the order their names are compared.
AnalysisTable analysisTable();

}  // namespace ruz
