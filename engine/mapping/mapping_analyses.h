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

}  // namespace ruz
