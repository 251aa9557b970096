#include "settings.h"

#include <limits>

#include "files.h"

namespace ruz {

namespace {

bool declares(const Parameters& p, std::string_view name) { return p.analysis().parameter(name) != nullptr; }

Outcome<void> readBounds(Console& console, const Parameters& p, ArgumentSettings& s) {
    const auto minSz = p.number(console, "rMinSz");
    if (!minSz) return minSz.failure();
    const auto maxSz = p.number(console, "rMaxSz");
    if (!maxSz) return maxSz.failure();
    if (*maxSz < *minSz)
        return failure("\nparameter ", shownNumber("rMaxSz", p.text("rMaxSz"), *maxSz), " is below ",
                       shownNumber("rMinSz", p.text("rMinSz"), *minSz));
    s.rMinSz = *minSz;
    s.rMaxSz = *maxSz;
    return {};
}

}  // namespace

Outcome<ArgumentSettings> readArgumentSettings(Console& console, const Parameters& p) {
    ArgumentSettings s;
    s.parameterFile = p.path();
    if (declares(p, "diRes")) {
        auto prefix = resultPrefix(p.text("diRes"));
        if (!prefix) return prefix.failure();
        s.resultDirectory = *prefix;
    }
    if (declares(p, "pthReads")) s.readsPath = p.text("pthReads");
    if (declares(p, "diReads")) s.readsDirectory = directoryPrefix(p.text("diReads"));
    if (declares(p, "pthList")) s.listPath = p.text("pthList");
    if (declares(p, "pthGnm")) {
        s.genomePath = p.text("pthGnm");
        const std::int64_t size = fileSize(s.genomePath);
        s.genomeLength = (size < 0 || size > std::numeric_limits<std::int32_t>::max())
                             ? -1
                             : static_cast<std::int32_t>(size);
    }
    if (declares(p, "rMinSz")) {
        if (auto bounds = readBounds(console, p, s); !bounds) return bounds.failure();
    }
    return s;
}

}  // namespace ruz
