// fMapReadsOnToSeq: to be built.
#include "mapping/mapping_analyses.h"

namespace ruz {

bool fMapReadsOnToSeq(RunContext& context, const std::string&) {
    context.console.fail("\nfMapReadsOnToSeq: this analysis is not available in this version");
    return false;
}

}  // namespace ruz
