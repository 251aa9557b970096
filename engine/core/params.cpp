#include "params.h"

#include <algorithm>
#include <limits>

#include "files.h"

namespace ruz {

LineCursor::Status LineCursor::next(std::string& line, std::size_t maxChars) {
    line.clear();
    if (stopped_ != Status::Line) return stopped_;
    if (at_ >= text_.size()) return stopped_ = Status::End;
    ++lineNumber_;
    const std::size_t lf = text_.find('\n', at_);
    const std::size_t end = lf == std::string_view::npos ? text_.size() : lf;
    if (end - at_ > maxChars) return stopped_ = Status::TooLong;
    line.assign(text_.substr(at_, end - at_));
    at_ = lf == std::string_view::npos ? text_.size() : lf + 1;
    return Status::Line;
}

namespace {

void dropFinalCr(std::string& s) {
    if (!s.empty() && s.back() == '\r') s.pop_back();
}

}  // namespace

ParameterTable ParameterTable::parse(std::string_view text) {
    ParameterTable table;
    LineCursor lines(text);
    std::string comment, type, name, value;
    const auto read = [&](std::string& into) {
        return lines.next(into, kParameterLineLimit) == LineCursor::Status::Line;
    };
    // The only test for the end is made on a comment line; a record cut
    // short later still counts, with its missing lines empty.
    while (read(comment)) {
        read(type);
        read(name);
        dropFinalCr(name);
        read(value);
        dropFinalCr(value);
        table.values_[name] = value;
    }
    if (lines.next(comment, kParameterLineLimit) == LineCursor::Status::TooLong)
        table.longLine_ = lines.lineNumber();
    return table;
}

const std::string& ParameterTable::lookup(const std::string& name) { return values_[name]; }

std::optional<ParameterTable> loadParameters(Console& console, const std::string& path,
                                             std::span<const std::string_view> names) {
    FilePtr file = openFile(console, path, "rb");
    if (!file) return std::nullopt;
    std::string text;
    if (!readAll(file.get(), text)) {
        console.fail("\ni can't read ", path);
        return std::nullopt;
    }
    ParameterTable table = ParameterTable::parse(text);
    if (table.longLine() > 0) {
        console.fail("\nparameter file ", path, ": line ", table.longLine(), " is longer than ",
                     kParameterLineLimit, " characters");
        return std::nullopt;
    }
    for (const std::string_view name : names) {
        if (table.lookup(std::string(name)).find('\0') != std::string::npos) {
            console.fail("\nparameter ", name, " holds a NUL byte");
            return std::nullopt;
        }
    }
    return table;
}

namespace {

constexpr bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

bool isPlainNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t firstDigit = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    if (i == firstDigit) return false;
    while (i < text.size() && isBlank(text[i])) ++i;
    return i == text.size();
}

IntConversion toInt32(std::string_view text, std::int32_t& value) {
    std::size_t i = 0;
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

void noteReading(Console& console, std::string_view name, std::string_view text, std::int32_t value) {
    if (!isPlainNumber(text)) console.say("\nparameter ", name, " = \"", text, "\" is read as ", value);
}

std::optional<std::int32_t> nameSizeParameter(Console& console, std::string_view name,
                                              std::string_view value) {
    std::int32_t number = 0;
    if (!isPlainNumber(value) && toInt32(value, number) == IntConversion::Ok) {
        console.fail("\nparameter ", name, " = \"", value,
                     "\" is not a plain decimal number (its text names the result files)");
        return std::nullopt;
    }
    return intParameter(console, name, value);
}

std::string shownNumber(std::string_view name, std::string_view text, std::int32_t value) {
    const std::string plain = std::to_string(value);
    std::string shown(name);
    if (text == plain) return shown + " = " + plain;
    return shown + " = \"" + std::string(text) + "\" (read as " + plain + ")";
}

}  // namespace ruz
