#include "settings.h"

#include <algorithm>
#include <limits>

#include "files.h"
#include "params.h"

namespace ruz {

namespace {

bool wanted(std::span<const std::string_view> names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool readBounds(RunContext& context, ParameterTable& table) {
    const auto minSz = intParameter(context.console, "rMinSz", table.lookup("rMinSz"));
    if (!minSz) return false;
    const auto maxSz = intParameter(context.console, "rMaxSz", table.lookup("rMaxSz"));
    if (!maxSz) return false;
    if (*minSz < 0) {
        context.console.fail("\nparameter rMinSz = ", *minSz, " must not be negative");
        return false;
    }
    if (*maxSz < *minSz) {
        context.console.fail("\nparameter rMaxSz = ", *maxSz, " is below rMinSz = ", *minSz);
        return false;
    }
    context.rMinSz = *minSz;
    context.rMaxSz = *maxSz;
    context.sizeRangeCount = *maxSz - *minSz + 1;
    return true;
}

}  // namespace

std::optional<ArgumentSettings> loadArgumentSettings(RunContext& context,
                                                     const std::string& parameterFile,
                                                     std::span<const std::string_view> names) {
    ParameterTable table = loadParameterTable(context.console, parameterFile);
    ArgumentSettings s;
    if (wanted(names, "diRes")) {
        const auto prefix = resultPrefix(context.console, table.lookup("diRes"));
        if (!prefix) return std::nullopt;
        s.resultDirectory = *prefix;
    }
    if (wanted(names, "pthReads")) s.readsPath = table.lookup("pthReads");
    if (wanted(names, "diReads")) s.readsDirectory = directoryPrefix(table.lookup("diReads"));
    if (wanted(names, "pthList")) s.listPath = table.lookup("pthList");
    if (wanted(names, "pthGnm")) {
        s.genomePath = table.lookup("pthGnm");
        const std::int64_t size = fileSize(s.genomePath);
        s.genomeLength = (size < 0 || size > std::numeric_limits<std::int32_t>::max())
                             ? -1
                             : static_cast<std::int32_t>(size);
    }
    if (wanted(names, "rMinSz") && !readBounds(context, table)) return std::nullopt;
    return s;
}

}  // namespace ruz
