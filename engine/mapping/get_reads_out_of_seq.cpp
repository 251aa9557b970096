// fGetReadsThatOutOfSeq: to be built.
#include "mapping/mapping_analyses.h"

namespace ruz {

bool fGetReadsThatOutOfSeq(RunContext& context, const std::string&) {
    context.console.fail("\nfGetReadsThatOutOfSeq: this analysis is not available in this version");
    return false;
}

}  // namespace ruz
