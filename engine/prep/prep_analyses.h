// Entry points of the preparation functions, which turn sequencer and
// database files (FASTA, FASTQ, plain or gzip) into the genome and reads
// files the analyses read, and the parameters each reads from its parameter
// file. Each returns whether it ran to its end.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/context.h"

namespace ruz {

inline constexpr std::array<std::string_view, 6> kPrepGenomeParameters = {
    "pthFasta", "seqName", "diRes", "outName", "outForm", "nonAcgt"};
inline constexpr std::array<std::string_view, 9> kPrepReadsParameters = {
    "pthFastq", "diRes",  "outName",    "outForm",   "rMinSz",
    "rMaxSz",   "trimHeadSz", "trimTailSz", "readsWithN"};
inline constexpr std::array<std::string_view, 4> kLettersToCodesParameters = {
    "pthLetters", "fileKind", "diRes", "outName"};

// One record of a FASTA file (plain or gzip) to a letter and/or coded genome
// file.
bool fPrepGenome(RunContext& context, const std::string& parameterFile);

// A FASTQ or FASTA file (plain or gzip) to a letter and/or coded reads file,
// with size bounds, trimming and a log of the counts.
bool fPrepReads(RunContext& context, const std::string& parameterFile);

// A letter genome or letter reads file to its coded form.
bool fLettersToCodes(RunContext& context, const std::string& parameterFile);

}  // namespace ruz
