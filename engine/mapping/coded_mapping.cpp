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

std::string companionPath(std::string_view readsPath, std::string_view suffix) {
    std::size_t nameStart = 0;
    for (std::size_t i = readsPath.size(); i-- > 0;) {
        if (platform::isPathSeparator(readsPath[i])) {
            nameStart = i + 1;
            break;
        }
    }
    const std::size_t dot = readsPath.rfind('.');
    std::string path(dot != std::string_view::npos && dot >= nameStart ? readsPath.substr(0, dot)
                                                                         : readsPath);
    path.append(suffix);
    return path;
}

}  // namespace ruz::coded_mapping
