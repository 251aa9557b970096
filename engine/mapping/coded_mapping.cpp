#include "coded_mapping.h"

#include <algorithm>
#include <cstdio>

#include "core/files.h"
#include "core/platform.h"

namespace ruz::coded_mapping {

Outcome<Genome> loadCodedGenome(const std::string& path, std::int32_t margin) {
    GenomeLoadOptions options;
    options.form = GenomeForm::Code;
    options.check = GenomeCheck::Coded;
    options.backMargin = std::max(margin, kChainKey - 1);
    return loadGenome(path, options);
}


}  // namespace ruz::coded_mapping
