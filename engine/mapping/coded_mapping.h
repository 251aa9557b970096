// What the mapping analyses fMapReadsOnToSeq, fMatchReadsT_VarSzO and
// fMapReadsOneInSeq share: the coded genome with its circular margin, the
// k-mer keys of coded reads and the names of the files they write beside
// the reads file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/analysis.h"
#include "core/console.h"
#include "core/context.h"
#include "core/genome.h"
#include "core/kmer_index.h"
#include "core/tracks.h"

namespace ruz::coded_mapping {

// The longest read a reads file can hold: a line of the line buffer.
inline constexpr std::int32_t kLongestRead = static_cast<std::int32_t>(kLineLimit) - 1;

// The parameters of the analyses that read only a coded reads file and a
// coded genome.
inline constexpr ParamSpec kCodedInputsParameters[] = {kResultDirectory, kCodedReads,       kCodedGenome,
                                                       kTracksParameter, kThreadsParameter, kSeqNameParameter};

// Length of the keys looked up in 16-Chain.
inline constexpr int kChainKey = 16;

// Loads the coded genome file `path` (one byte 0..3 a base, checked) in
// code form with a back margin of `margin` bases, at least the 15 that the
// 16-mer windows need. The margin repeats the genome cyclically, so every
// comparison that runs past the genome's end continues at its start.
Outcome<Genome> loadCodedGenome(const std::string& path, std::int32_t margin);

// The k-mer code of the k bytes at `window` when every one of them is a
// code 0..3. A window holding any other byte (a reads file that is not
// coded, a carriage return) occurs nowhere in a coded genome: false.
inline bool codedKey(const std::uint8_t* window, int k, KmerCode& code) {
    KmerCode c = 0;
    std::uint8_t bits = 0;
    for (int j = 0; j < k; ++j) {
        c = (c << 2) | window[j];
        bits |= window[j];
    }
    code = c;
    return bits <= 3;  // a byte above 3 sets a bit above the lowest two
}


}  // namespace ruz::coded_mapping
