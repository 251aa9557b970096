// fTestGenomeSborka: to be built.
#include "mapping/mapping_analyses.h"

namespace ruz {

bool fTestGenomeSborka(RunContext& context, const std::string&) {
    context.console.fail("\nfTestGenomeSborka: this analysis is not available in this version");
    return false;
}

}  // namespace ruz
