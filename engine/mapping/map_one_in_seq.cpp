// fMapReadsOneInSeq: to be built.
#include "mapping/mapping_analyses.h"

namespace ruz {

bool fMapReadsOneInSeq(RunContext& context, const std::string&) {
    context.console.fail("\nfMapReadsOneInSeq: this analysis is not available in this version");
    return false;
}

}  // namespace ruz
