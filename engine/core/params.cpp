#include "params.h"

#include <fstream>
#include <limits>

namespace ruz {

bool readLimitedLine(std::istream& in, std::string& line, std::size_t maxChars) {
    line.clear();
    if (!in.good()) return false;
    std::streambuf* buf = in.rdbuf();
    using Traits = std::istream::traits_type;
    for (;;) {
        const auto c = buf->sbumpc();
        if (Traits::eq_int_type(c, Traits::eof())) {
            if (line.empty()) {
                in.setstate(std::ios::eofbit | std::ios::failbit);
                return false;
            }
            in.setstate(std::ios::eofbit);
            return true;
        }
        if (Traits::to_char_type(c) == '\n') return true;
        if (line.size() == maxChars) {
            // Too long: the line is not taken, and reading stops here.
            line.clear();
            in.setstate(std::ios::failbit);
            return false;
        }
        line.push_back(Traits::to_char_type(c));
    }
}

namespace {

void dropFinalCr(std::string& s) {
    if (!s.empty() && s.back() == '\r') s.pop_back();
}

}  // namespace

ParameterTable ParameterTable::read(std::istream& in) {
    ParameterTable table;
    std::string comment, type, name, value;
    // The only test for the end is made on a comment line; a record cut
    // short later still counts, with its missing lines empty.
    if (!readLimitedLine(in, comment, kParameterLineLimit)) return table;
    do {
        readLimitedLine(in, type, kParameterLineLimit);
        readLimitedLine(in, name, kParameterLineLimit);
        dropFinalCr(name);
        readLimitedLine(in, value, kParameterLineLimit);
        dropFinalCr(value);
        table.values_[name] = value;
    } while (readLimitedLine(in, comment, kParameterLineLimit));
    return table;
}

const std::string& ParameterTable::lookup(const std::string& name) { return values_[name]; }

ParameterTable loadParameterTable(Console& console, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        console.fail("\ni can't open ", path);
        return {};
    }
    return ParameterTable::read(in);
}

IntConversion toInt32(std::string_view text, std::int32_t& value) {
    std::size_t i = 0;
    auto isBlank = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::size_t firstDigit = i;
    std::int64_t magnitude = 0;
    bool tooBig = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (!tooBig) magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > std::int64_t{1} << 32) tooBig = true;
    }
    if (i == firstDigit) return IntConversion::NotANumber;
    const std::int64_t signedValue = negative ? -magnitude : magnitude;
    if (tooBig || signedValue < std::numeric_limits<std::int32_t>::min() ||
        signedValue > std::numeric_limits<std::int32_t>::max())
        return IntConversion::OutOfRange;
    value = static_cast<std::int32_t>(signedValue);
    return IntConversion::Ok;
}

std::optional<std::int32_t> intParameter(Console& console, std::string_view name,
                                         std::string_view value) {
    std::int32_t number = 0;
    switch (toInt32(value, number)) {
    case IntConversion::Ok:
        return number;
    case IntConversion::NotANumber:
        console.fail("\nparameter ", name, " = \"", value, "\" is not a whole number");
        break;
    case IntConversion::OutOfRange:
        console.fail("\nparameter ", name, " = \"", value, "\" is out of the 32-bit range");
        break;
    }
    return std::nullopt;
}

}  // namespace ruz
