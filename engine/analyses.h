// The engine's analyses: the table of their descriptions, which both
// dispatches a call and prints the usage text. It is generated from the
// RUZ_ANALYSIS lines of the analysis sources.
#pragma once

#include "core/analysis.h"

namespace ruz {

// Every analysis, in the order of their sources.
AnalysisTable analysisTable();

}  // namespace ruz
