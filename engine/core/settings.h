// Settings of the analyses that take their inputs as arguments: they read
// them from the parameter file named in the call, under fixed names.
//
//   diRes    result directory, written without a trailing separator
//   pthReads reads file            pthGnm  genome file
//   rMinSz   smallest read size    rMaxSz  largest read size
//   diReads  directory of the listed reads files (the rating only)
//   pthList  list of reads files (the rating only)
//
// The genome length is the genome file's size. The bounds become the
// engine-wide read-size bounds before the number of sizes is computed.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "context.h"

namespace ruz {

struct ArgumentSettings {
    std::string resultDirectory;  // diRes with the separator appended
    std::string readsPath;
    std::string genomePath;
    std::string readsDirectory;   // diReads with the separator appended
    std::string listPath;
    std::int32_t genomeLength = -1;  // -1 when the genome file's size cannot be read
};

// Reads the settings named in `names` (other names stay empty). A bound that
// does not convert, a negative bound or rMaxSz below rMinSz is reported
// with the parameter's name and value (key wait) and nothing is returned.
std::optional<ArgumentSettings> loadArgumentSettings(RunContext& context,
                                                     const std::string& parameterFile,
                                                     std::span<const std::string_view> names);

}  // namespace ruz
