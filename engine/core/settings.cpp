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

bool readBounds(Console& console, ParameterTable& table, ArgumentSettings& s) {
    const std::string& minText = table.lookup("rMinSz");
    const std::string& maxText = table.lookup("rMaxSz");
    const auto minSz = intParameter(console, "rMinSz", minText);
    if (!minSz) return false;
    const auto maxSz = intParameter(console, "rMaxSz", maxText);
    if (!maxSz) return false;
    if (*minSz < 0) {
        console.fail("\nparameter ", shownNumber("rMinSz", minText, *minSz), " must not be negative");
        return false;
    }
    if (*maxSz < *minSz) {
        console.fail("\nparameter ", shownNumber("rMaxSz", maxText, *maxSz), " is below ",
                     shownNumber("rMinSz", minText, *minSz));
        return false;
    }
    noteReading(console, "rMinSz", minText, *minSz);
    noteReading(console, "rMaxSz", maxText, *maxSz);
    s.rMinSz = *minSz;
    s.rMaxSz = *maxSz;
    return true;
}

}  // namespace

std::optional<ArgumentSettings> loadArgumentSettings(Console& console,
                                                     const std::string& parameterFile,
                                                     std::span<const std::string_view> names) {
    auto table = loadParameters(console, parameterFile, names);
    if (!table) return std::nullopt;
    ArgumentSettings s;
    if (wanted(names, "diRes")) {
        const auto prefix = resultPrefix(console, table->lookup("diRes"));
        if (!prefix) return std::nullopt;
        s.resultDirectory = *prefix;
    }
    if (wanted(names, "pthReads")) s.readsPath = table->lookup("pthReads");
    if (wanted(names, "diReads")) s.readsDirectory = directoryPrefix(table->lookup("diReads"));
    if (wanted(names, "pthList")) s.listPath = table->lookup("pthList");
    if (wanted(names, "pthGnm")) {
        s.genomePath = table->lookup("pthGnm");
        const std::int64_t size = fileSize(s.genomePath);
        s.genomeLength = (size < 0 || size > std::numeric_limits<std::int32_t>::max())
                             ? -1
                             : static_cast<std::int32_t>(size);
    }
    if (wanted(names, "rMinSz") && !readBounds(console, *table, s)) return std::nullopt;
    return s;
}

}  // namespace ruz
