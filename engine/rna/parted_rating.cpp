// fMatchReadsT_VarSzPartedRate: to be built.
#include "rna/rna_analyses.h"

namespace ruz {

bool fMatchReadsT_VarSzPartedRate(RunContext& context, const std::string&) {
    context.console.fail("\nfMatchReadsT_VarSzPartedRate: this analysis is not available in this version");
    return false;
}

}  // namespace ruz
