// Entry points of the mapping and genome-check analyses and the parameters
// each reads from its parameter file. Each returns whether it ran to its end.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/context.h"

namespace ruz {

inline constexpr std::array<std::string_view, 5> kMapReadsOnToSeqParameters = {
    "diRes", "pthReads", "pthGnm", "rMinSz", "rMaxSz"};
inline constexpr std::array<std::string_view, 5> kMatchVarSzParameters = {
    "diRes", "pthReads", "pthGnm", "rMinSz", "rMaxSz"};
inline constexpr std::array<std::string_view, 3> kMapReadsOneInSeqParameters = {
    "diRes", "pthReads", "pthGnm"};
inline constexpr std::array<std::string_view, 5> kReadsOutOfSeqParameters = {
    "diRes", "pthReads", "pthGnm", "rMinSz", "rMaxSz"};
inline constexpr std::array<std::string_view, 5> kGetReadsOutOfSeqParameters = {
    "diRes", "pthReads", "pthGnm", "rMinSz", "rMaxSz"};
inline constexpr std::array<std::string_view, 3> kTestGenomeParameters = {
    "diRes", "pthReads", "pthGnm"};

// The longest exact piece of each read, written to "_In.bin", with a
// histogram of the lengths.
bool fMapReadsOnToSeq(RunContext& context, const std::string& parameterFile);

// Exact matches of reads of many sizes counted per genome position.
bool fMatchReadsT_VarSzO(RunContext& context, const std::string& parameterFile);

// Reads found once and reads found many times; clusters of single places.
bool fMapReadsOneInSeq(RunContext& context, const std::string& parameterFile);

// The coded reads that occur nowhere in the genome.
bool fReadsOutOfSeq(RunContext& context, const std::string& parameterFile);

// The letter reads that occur nowhere in the genome.
bool fGetReadsThatOutOfSeq(RunContext& context, const std::string& parameterFile);

// The repeats of an assembly and the reads that contradict it.
bool fTestGenomeSborka(RunContext& context, const std::string& parameterFile);

}  // namespace ruz
