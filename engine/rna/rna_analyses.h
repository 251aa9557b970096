// Entry points of the RNA analyses and the parameters each reads from its
// parameter file. Each returns whether it ran to its end.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/context.h"

namespace ruz {

inline constexpr std::array<std::string_view, 7> kRandExtParameters = {
    "pthGnm", "pthReads", "diRes", "experimentId", "immutSz", "mutTipSz", "misNu"};
inline constexpr std::array<std::string_view, 4> kRandExtTaskListParameters = {
    "pthGnm", "pthReads", "diRes", "pthTaskList"};
inline constexpr std::array<std::string_view, 5> kCircularRnaParameters = {
    "diRes", "pthReads", "pthGnm", "rMinSz", "rMaxSz"};
inline constexpr std::array<std::string_view, 5> kPartedParameters = {
    "diRes", "pthReads", "pthGnm", "rMinSz", "rMaxSz"};
inline constexpr std::array<std::string_view, 6> kPartedRateParameters = {
    "diRes", "diReads", "pthList", "pthGnm", "rMinSz", "rMaxSz"};

// Reads whose end was replaced, for one setting of the sizes.
bool RandExt(RunContext& context, const std::string& parameterFile);

// The same over the task lines of a task list, one genome and index for all.
bool RandExtTaskList(RunContext& context, const std::string& parameterFile);

// Circularly permuted reads on both strands (circular RNA).
bool fIdentifyCircularRna(RunContext& context, const std::string& parameterFile);

// Parted reads: a read's tail lies just before its head in the genome.
bool fMatchReadsT_VarSzParted(RunContext& context, const std::string& parameterFile);

// The parted positions rated by the number of reads files that show them.
bool fMatchReadsT_VarSzPartedRate(RunContext& context, const std::string& parameterFile);

}  // namespace ruz
