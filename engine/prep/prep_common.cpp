#include "prep_common.h"

#include "core/platform.h"

namespace ruz::prep {

namespace {

bool isAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool endsWithNoCase(std::string_view text, std::string_view ending) {
    if (text.size() < ending.size()) return false;
    const std::string_view tail = text.substr(text.size() - ending.size());
    for (std::size_t i = 0; i < ending.size(); ++i)
        if (upperCase(tail[i]) != upperCase(ending[i])) return false;
    return true;
}

}  // namespace

std::string shownSymbol(unsigned char byte) {
    static constexpr char kHex[] = "0123456789abcdef";
    if (byte >= 0x20 && byte < 0x7f) return std::string("'") + static_cast<char>(byte) + "'";
    return std::string("\\x") + kHex[byte >> 4] + kHex[byte & 15];
}

Outcome<OutputForms> outputForms(std::string_view value) {
    if (value == "letter") return OutputForms{true, false};
    if (value == "coded") return OutputForms{false, true};
    if (value == "both" || isBlank(value)) return OutputForms{true, true};
    return failure("\nparameter outForm = \"", value, "\": write letter, coded or both");
}

bool isBlank(std::string_view value) { return value.empty() || value == "blank"; }

std::string inputStem(std::string_view path) {
    std::size_t start = path.size();
    while (start > 0 && !platform::isPathSeparator(path[start - 1])) --start;
    std::string_view name = path.substr(start);
    if (endsWithNoCase(name, ".gz") && name.size() > 3) name.remove_suffix(3);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    return std::string(name);
}

std::string fileNamePart(std::string_view text) {
    std::string part(text);
    for (char& c : part) {
        const auto b = static_cast<unsigned char>(c);
        if (!isAsciiLetter(b) && !(b >= '0' && b <= '9') && c != '.' && c != '-' && c != '_') c = '_';
    }
    return part;
}

Outcome<std::string> outputStem(std::string_view outName, const std::string& derived) {
    if (isBlank(outName)) return derived;
    bool plain = outName != "." && outName != "..";
    for (const char c : outName)
        if (platform::isPathSeparator(c) || c == '\0') plain = false;
    if (!plain)
        return failure("\nparameter outName = \"", outName,
                       "\": give a file name without a directory (the files go into diRes)");
    return std::string(outName);
}

std::string SymbolSurvey::describe() const {
    std::string text = std::to_string(count) + (count == 1 ? " symbol" : " symbols") +
                       " other than A, C, G, T, ";
    if (count > static_cast<std::int64_t>(first.size()))
        text += "the first " + std::to_string(first.size()) + " ";
    text += "at ";
    for (std::size_t i = 0; i < first.size(); ++i) {
        if (i > 0) text += ", ";
        text += std::to_string(first[i].position) + " (" + shownSymbol(first[i].symbol) + ")";
    }
    return text;
}

SymbolSurvey surveySymbols(std::span<const char> bases) {
    SymbolSurvey survey;
    for (std::size_t i = 0; i < bases.size(); ++i) {
        const auto b = static_cast<unsigned char>(bases[i]);
        if (nucleotideCode[b] != kNotNucleotide) continue;
        ++survey.count;
        if (isAsciiLetter(b)) ++survey.letters;
        if (survey.first.size() < kSurveyShown)
            survey.first.push_back({static_cast<std::int64_t>(i) + 1, b});
    }
    return survey;
}

void replaceNonBaseLetters(std::span<char> bases, char base) {
    for (char& c : bases) {
        const auto b = static_cast<unsigned char>(c);
        if (nucleotideCode[b] == kNotNucleotide && isAsciiLetter(b)) c = base;
    }
}

void toCapitals(std::span<char> bases) {
    for (char& c : bases) c = kUpperLetter[static_cast<unsigned char>(c)];
}

void toCodes(std::span<char> bases) {
    for (char& c : bases) c = static_cast<char>(nucleotideCode[static_cast<unsigned char>(c)]);
}

}  // namespace ruz::prep
