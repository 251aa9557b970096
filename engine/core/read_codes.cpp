#include "read_codes.h"

#include "nucleotide.h"

namespace ruz {

bool lettersToCodes(const char* letters, std::size_t n, std::uint8_t* codes) {
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t code = nucleotideCode[static_cast<std::uint8_t>(letters[i])];
        if (code == kNotNucleotide) return false;
        codes[i] = code;
    }
    return true;
}

bool lettersToCodesInPlace(char* line, std::size_t n) {
    return lettersToCodes(line, n, reinterpret_cast<std::uint8_t*>(line));
}

bool toUpperLettersAndCodes(char* line, std::size_t n, std::uint8_t* codes) {
    for (std::size_t i = 0; i < n; ++i) {
        const char c = upperCase(line[i]);
        const std::uint8_t code = nucleotideCode[static_cast<std::uint8_t>(c)];
        if (code == kNotNucleotide) return false;
        line[i] = c;
        codes[i] = code;
    }
    return true;
}

void reverseComplementCodes(const std::uint8_t* read, std::size_t n, std::uint8_t* out) {
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(3 - read[n - 1 - i]);
}

}  // namespace ruz
