#include "bench_data.h"

#include <fstream>
#include <stdexcept>

namespace ruz::bench {

std::string randomLetters(std::size_t length, std::mt19937_64& rng) {
    static constexpr char kBases[] = "ACGT";
    std::string letters(length, 'A');
    for (std::size_t i = 0; i < length;) {
        std::uint64_t bits = rng();
        for (int j = 0; j < 32 && i < length; ++j, bits >>= 2) letters[i++] = kBases[bits & 3];
    }
    return letters;
}

std::string reverseComplement(const std::string& letters) {
    std::string rc(letters.rbegin(), letters.rend());
    for (char& c : rc) {
        switch (c) {
        case 'A': c = 'T'; break;
        case 'C': c = 'G'; break;
        case 'G': c = 'C'; break;
        default: c = 'A'; break;
        }
    }
    return rc;
}

std::string toCodes(const std::string& letters) {
    std::string codes(letters.size(), '\0');
    for (std::size_t i = 0; i < letters.size(); ++i) {
        switch (letters[i]) {
        case 'A': codes[i] = 0; break;
        case 'C': codes[i] = 1; break;
        case 'G': codes[i] = 2; break;
        default: codes[i] = 3; break;
        }
    }
    return codes;
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace ruz::bench
