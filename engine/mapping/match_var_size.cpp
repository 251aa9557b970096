// fMatchReadsT_VarSzO: to be built.
#include "mapping/mapping_analyses.h"

namespace ruz {

bool fMatchReadsT_VarSzO(RunContext& context, const std::string&) {
    context.console.fail("\nfMatchReadsT_VarSzO: this analysis is not available in this version");
    return false;
}

}  // namespace ruz
