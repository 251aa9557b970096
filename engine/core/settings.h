// Settings of the analyses that take their inputs as arguments: they read
// them from the parameter file named in the call, under fixed names.
//
//   diRes    result directory, written without a trailing separator
//   pthReads reads file            pthGnm  genome file
//   rMinSz   smallest read size    rMaxSz  largest read size
//   diReads  directory of the listed reads files (the rating only)
//   pthList  list of reads files (the rating only)
//
// Each analysis declares the names it reads; only those are read and
// checked. The genome length is the genome file's size.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "console.h"

namespace ruz {

struct ArgumentSettings {
    std::string resultDirectory;  // diRes with the separator appended
    std::string readsPath;
    std::string genomePath;
    std::string readsDirectory;   // diReads with the separator appended
    std::string listPath;
    std::int32_t genomeLength = -1;  // -1 when the genome file's size cannot be read
    std::int32_t rMinSz = 0;
    std::int32_t rMaxSz = 0;

    // Number of read sizes between the bounds.
    std::int32_t sizeRangeCount() const { return rMaxSz - rMinSz + 1; }
};

// Reads the settings named in `names` (other fields stay empty). A bound
// that does not convert, a negative bound or rMaxSz below rMinSz is
// reported with the parameter's name and value (key wait) and nothing is
// returned; so are the failures of loadParameters.
std::optional<ArgumentSettings> loadArgumentSettings(Console& console,
                                                     const std::string& parameterFile,
                                                     std::span<const std::string_view> names);

}  // namespace ruz
