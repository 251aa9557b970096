// Settings of the analyses that take their inputs as arguments: they read
// them from their parameters under fixed names.
//
//   diRes    result directory, written without a trailing separator
//   pthReads reads file            pthGnm  genome file
//   rMinSz   smallest read size    rMaxSz  largest read size
//   diReads  directory of the listed reads files (the rating only)
//   pthList  list of reads files (the rating only)
//
// Only the names the analysis declares are read and checked. The genome
// length is the genome file's size.
#pragma once

#include <cstdint>
#include <string>

#include "console.h"
#include "outcome.h"
#include "params.h"

namespace ruz {

struct ArgumentSettings {
    std::string resultDirectory;  // diRes with the separator appended
    std::string readsPath;
    std::string genomePath;
    std::string readsDirectory;   // diReads with the separator appended
    std::string listPath;
    std::string parameterFile;
    std::int32_t genomeLength = -1;  // -1 when the genome file's size cannot be read
    std::int32_t rMinSz = 0;
    std::int32_t rMaxSz = 0;

    // Number of read sizes between the bounds.
    std::int32_t sizeRangeCount() const { return rMaxSz - rMinSz + 1; }
};

// Reads the settings the analysis declares (other fields stay empty). A
// bound that does not convert or breaks its rule, and rMaxSz below rMinSz,
// are refused with the parameter's name and value.
Outcome<ArgumentSettings> readArgumentSettings(Console& console, const Parameters& parameters);

}  // namespace ruz
