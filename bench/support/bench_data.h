// Inputs shared by the benchmarks: random genomes and reads in letter or
// coded form. The measurements are the harness's (harness.h).
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "harness.h"

namespace ruz::bench {

// Random uppercase letters A, C, G, T.
std::string randomLetters(std::size_t length, std::mt19937_64& rng);

// The reverse complement of uppercase letters.
std::string reverseComplement(const std::string& letters);

// Letters to codes 0..3 (bytes), for coded genome and reads files.
std::string toCodes(const std::string& letters);

void writeBytes(const std::string& path, const std::string& bytes);

}  // namespace ruz::bench
