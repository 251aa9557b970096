// fMatchReadsT_VarSzParted: to be built.
#include "rna/rna_analyses.h"

namespace ruz {

bool fMatchReadsT_VarSzParted(RunContext& context, const std::string&) {
    context.console.fail("\nfMatchReadsT_VarSzParted: this analysis is not available in this version");
    return false;
}

}  // namespace ruz
