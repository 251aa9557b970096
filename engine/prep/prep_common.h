// What the preparation functions share: their output names and forms, the
// survey of symbols that are not bases, and the conversion of letters to the
// engine's forms.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/console.h"
#include "core/nucleotide.h"

namespace ruz::prep {

// A byte as messages show it: 'x' when printable, \xNN otherwise.
std::string shownSymbol(unsigned char byte);

// Which files a preparation writes: the letter form (".txt"), the coded
// form (".bin": one byte 0..3 a base) or both. Parameter outForm: "letter",
// "coded" or "both" (also when blank).
struct OutputForms {
    bool letter = false;
    bool coded = false;
};

// Reads outForm; anything else is refused with a message naming it.
Outcome<OutputForms> outputForms(std::string_view value);

// True for the values that leave an optional text parameter unset: the
// empty text and the word "blank".
bool isBlank(std::string_view value);

// The name of an input without its directory, a ".gz" ending and then its
// own extension: "/data/reads_1.fq.gz" gives "reads_1".
std::string inputStem(std::string_view path);

// A text as a part of a file name: every character other than letters,
// digits, '.', '-' and '_' becomes '_'.
std::string fileNamePart(std::string_view text);

// The output stem: outName when it is set, else `derived`. An outName that
// holds a directory separator, is "." or "..", or a NUL byte is refused with
// a message naming it.
Outcome<std::string> outputStem(std::string_view outName, const std::string& derived);

// Letters as the letter files hold them: a, c, g, t in capitals; every other
// letter in capitals too; other bytes unchanged.
inline constexpr std::array<char, 256> kUpperLetter = [] {
    std::array<char, 256> t{};
    for (int b = 0; b < 256; ++b) t[b] = upperCase(static_cast<char>(b));
    return t;
}();

// Where a sequence holds bytes that are not bases (A, C, G, T in either
// case): how many, how many of them are letters (N, IUPAC codes), and the
// first few with their 1-based positions.
struct SymbolSurvey {
    struct Found {
        std::int64_t position;
        unsigned char symbol;
    };
    std::int64_t count = 0;
    std::int64_t letters = 0;
    std::vector<Found> first;

    // "K symbols other than A, C, G, T; the first at 3 ('N'), 4 ('N'), ..."
    std::string describe() const;
};

inline constexpr std::size_t kSurveyShown = 10;

SymbolSurvey surveySymbols(std::span<const char> bases);

// Replaces every letter that is not a base by `base` (an uppercase A, C, G
// or T); other bytes stay.
void replaceNonBaseLetters(std::span<char> bases, char base);

// In place: letters to capitals (letter form) or bases to codes 0..3
// (coded form). Both expect a sequence of bases only.
void toCapitals(std::span<char> bases);
void toCodes(std::span<char> bases);

}  // namespace ruz::prep
