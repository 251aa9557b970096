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

}  // namespace ruz
