// Nucleotide codes and the letter tables every analysis shares.
//
// A base is coded in 2 bits: A = 0, C = 1, G = 2, T = 3. Letters of either
// case map to their code; every other byte maps to kNotNucleotide (this
// includes 'N', '>', blanks, CR and LF). The complement table serves
// uppercase letters only; any other index holds 0.
#pragma once

#include <array>
#include <cstdint>

namespace ruz {

inline constexpr std::uint8_t kNotNucleotide = 255;

inline constexpr std::array<std::uint8_t, 256> nucleotideCode = [] {
    std::array<std::uint8_t, 256> t{};
    t.fill(kNotNucleotide);
    t['A'] = t['a'] = 0;
    t['C'] = t['c'] = 1;
    t['G'] = t['g'] = 2;
    t['T'] = t['t'] = 3;
    return t;
}();

inline constexpr std::array<char, 256> complementLetter = [] {
    std::array<char, 256> t{};
    t['A'] = 'T';
    t['T'] = 'A';
    t['C'] = 'G';
    t['G'] = 'C';
    return t;
}();

// Translation used when a strand already holds codes 0..3 (code form):
// a byte stands for itself.
inline constexpr std::array<std::uint8_t, 256> codeOfCode = [] {
    std::array<std::uint8_t, 256> t{};
    t.fill(kNotNucleotide);
    for (int c = 0; c < 4; ++c) t[c] = static_cast<std::uint8_t>(c);
    return t;
}();

inline constexpr char upperCase(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace ruz
