// fReadsOutOfSeq: to be built.
#include "mapping/mapping_analyses.h"

namespace ruz {

bool fReadsOutOfSeq(RunContext& context, const std::string&) {
    context.console.fail("\nfReadsOutOfSeq: this analysis is not available in this version");
    return false;
}

}  // namespace ruz
