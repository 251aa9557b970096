// The parameter-file loader and the integer conversion.
//
// The input is a parameter file. It is parsed in memory and loaded from a
// file as an analysis loads it (with every parameter name an analysis
// reads), its values are converted as numeric parameters are, and the
// settings of the argument-driven analyses are read from it. The
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
#include "core/settings.h"
#include "rna/rna_analyses.h"
#include "support/fuzz_support.h"

namespace {

using namespace ruz;

// Every name a parameter file is read for: the analyses' lists and the
// engine's own `threads`.
std::vector<std::string_view> allParameterNames() {
    std::set<std::string_view> names{"threads"};
    for (const AnalysisInfo& a : analysisTable())
        for (const std::string_view n : a.parameters) names.insert(n);
    return {names.begin(), names.end()};
}

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<std::string_view> names = allParameterNames();
    static const std::string path = fuzz::scratchPath("params.txt");
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    // The conversion on the raw bytes, as a value line would hold them.
    checkConversion(text.substr(0, 64));

    ParameterTable parsed = ParameterTable::parse(text);
    fuzz::writeFileBytes(path, text);
    RecordingConsole console;
    auto loaded = loadParameters(console.console(), path, names);
    if (parsed.longLine() > 0) {
        FUZZ_CHECK(!loaded, "a parameter file with an over-long line was accepted");
        FUZZ_CHECK(console.keyWaits() == 1, "the over-long line was not reported once");
        return 0;
    }
    if (!loaded) {
        // Only a NUL byte in a value the analyses read refuses a whole file.
        bool nul = false;
        for (const std::string_view n : names)
            nul = nul || parsed.lookup(std::string(n)).find('\0') != std::string::npos;
        FUZZ_CHECK(nul, "loading refused a file parsing accepts: " + console.text());
        return 0;
    }
    RecordingConsole conversions;
    for (const std::string_view n : names) {
        const std::string name(n);
        FUZZ_CHECK(loaded->lookup(name) == parsed.lookup(name), "the loaded value of " + name + " differs");
        const std::string& value = loaded->lookup(name);
        checkConversion(value);
        const int waits = conversions.keyWaits();
        const auto number = intParameter(conversions.console(), name, value);
        FUZZ_CHECK(number.has_value() == (conversions.keyWaits() == waits),
                   "intParameter failed silently or spoke on success");
    }
    FUZZ_CHECK(loaded->size() == parsed.size(), "the loaded table holds other names than the parsed one");

    // The settings of the argument-driven analyses, as the rating reads them.
    RecordingConsole settingsConsole;
    const auto settings = loadArgumentSettings(settingsConsole.console(), path, kPartedRateParameters);
    if (settings) {
        FUZZ_CHECK(settings->rMinSz >= 0 && settings->rMaxSz >= settings->rMinSz,
                   "settings accepted bounds the analyses cannot use");
        FUZZ_CHECK(!settings->resultDirectory.empty(), "settings accepted an empty result directory");
    }
    return 0;
}
