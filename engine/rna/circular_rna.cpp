// fIdentifyCircularRna: to be built.
#include "rna/rna_analyses.h"

namespace ruz {

bool fIdentifyCircularRna(RunContext& context, const std::string&) {
    context.console.fail("\nfIdentifyCircularRna: this analysis is not available in this version");
    return false;
}

}  // namespace ruz
