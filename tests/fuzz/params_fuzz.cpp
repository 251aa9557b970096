// The parameter-file loader and the integer conversion.
//
// The input is a parameter file. It is parsed in memory and loaded from a
// file through the description of every analysis, its numbers are read by
// their rules, and the settings of the argument-driven analyses are read
// from it. The
// conversion is checked against a plain reference, the loaded table against
// the parsed one.
#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "analyses.h"
#include "core/console.h"
#include "core/params.h"
#include "core/entry.h"
#include "core/settings.h"
#include "support/fuzz_support.h"

namespace {

using namespace ruz;

// What toInt32 promises, computed another way: blanks, a sign, then digits.
IntConversion referenceInt32(std::string_view text, std::int64_t& value) {
    std::size_t i = 0;
    while (i < text.size() && std::string_view(" \t\n\v\f\r").find(text[i]) != std::string_view::npos) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    while (i < text.size() && text[i] == '0' && i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '9') ++i;
    std::string digits;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) digits += text[i];
    if (digits.empty()) return IntConversion::NotANumber;
    if (digits.size() > 10) return IntConversion::OutOfRange;
    const std::int64_t magnitude = std::stoll(digits);
    value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        return IntConversion::OutOfRange;
    return IntConversion::Ok;
}

void checkConversion(std::string_view text) {
    std::int32_t value = 0;
    std::int64_t expected = 0;
    const IntConversion got = toInt32(text, value);
    const IntConversion want = referenceInt32(text, expected);
    FUZZ_CHECK(got == want, "toInt32 classifies \"" + std::string(text) + "\" otherwise than decimal reading");
    if (got == IntConversion::Ok) {
        FUZZ_CHECK(value == expected, "toInt32(\"" + std::string(text) + "\") = " + std::to_string(value) +
                                          ", not " + std::to_string(expected));
        const std::string shown = shownNumber("n", text, value);
        FUZZ_CHECK(shown.find(std::to_string(value)) != std::string::npos, "shownNumber hides the value");
    }
}

// The file loaded through one analysis's description, checked against the
// parsed table.
void checkLoading(const std::string& path, const ParameterTable& parsed, const AnalysisInfo& analysis) {
    const auto loaded = Parameters::load(path, analysis);
    if (parsed.longLine() > 0) {
        FUZZ_CHECK(!loaded, "a parameter file with an over-long line was accepted");
        return;
    }
    if (!loaded) {
        // Only a NUL byte in a value the analysis declares refuses a whole file.
        bool nul = false;
        for (const ParamSpec& p : analysis.parameters) nul = nul || parsed.find(p.name).find('\0') != std::string::npos;
        FUZZ_CHECK(nul, "loading refused a file parsing accepts: " + loaded.failure().message);
        return;
    }
    RecordingConsole notes;
    for (const ParamSpec& p : analysis.parameters) {
        const std::string& value = loaded->text(p.name);
        FUZZ_CHECK(value == parsed.find(p.name), "the loaded value of " + std::string(p.name) + " differs");
        if (p.type != ParamType::Int) continue;
        checkConversion(value);
        const auto number = loaded->number(notes.console(), p.name);
        if (number) {
            FUZZ_CHECK(*number >= p.number.least && *number <= p.number.most,
                       std::string(p.name) + " was read outside its rule");
            FUZZ_CHECK(!p.number.namesResults || isPlainNumber(value),
                       std::string(p.name) + " names results but was not a plain number");
        } else {
            FUZZ_CHECK(number.failure().message.starts_with("\nparameter " + std::string(p.name) + " "),
                       "a refused number is not named: " + number.failure().message);
        }
    }
    FUZZ_CHECK(notes.keyWaits() == 0, "reading a number waited for a key");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzz::scratchPath("params.txt");
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    // The conversion on the raw bytes, as a value line would hold them.
    checkConversion(text.substr(0, 64));

    const ParameterTable parsed = ParameterTable::parse(text);
    fuzz::writeFileBytes(path, text);
    for (const AnalysisInfo* analysis : analysisTable()) checkLoading(path, parsed, *analysis);

    // The settings of the argument-driven analyses, as the rating reads them.
    const auto rating = Parameters::load(path, *findAnalysis(analysisTable(), "fMatchReadsT_VarSzPartedRate"));
    if (!rating) return 0;
    RecordingConsole settingsConsole;
    const auto settings = readArgumentSettings(settingsConsole.console(), *rating);
    if (settings) {
        FUZZ_CHECK(settings->rMinSz >= 0 && settings->rMaxSz >= settings->rMinSz,
                   "settings accepted bounds the analyses cannot use");
        FUZZ_CHECK(!settings->resultDirectory.empty(), "settings accepted an empty result directory");
    }
    return 0;
}
