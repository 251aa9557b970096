#include "params.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

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

constexpr bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
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

const std::string& ParameterTable::find(std::string_view name) const {
    static const std::string kNone;
    const auto found = values_.find(name);
    return found == values_.end() ? kNone : found->second;
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

bool isBlankText(std::string_view text) { return std::all_of(text.begin(), text.end(), isBlank); }

std::string shownNumber(std::string_view name, std::string_view text, std::int32_t value) {
    const std::string plain = std::to_string(value);
    std::string shown(name);
    if (text == plain) return shown + " = " + plain;
    return shown + " = \"" + std::string(text) + "\" (read as " + plain + ")";
}

Outcome<std::int32_t> readNumber(Console& console, const ParamSpec& declared, std::string_view text) {
    std::int32_t value = 0;
    switch (toInt32(text, value)) {
    case IntConversion::Ok:
        break;
    case IntConversion::NotANumber:
        return failure("\nparameter ", declared.name, " = \"", text, "\" is not a whole number");
    case IntConversion::OutOfRange:
        return failure("\nparameter ", declared.name, " = \"", text, "\" is out of the 32-bit range");
    }
    const NumberRule& rule = declared.number;
    const bool plain = isPlainNumber(text);
    if (rule.namesResults && !plain)
        return failure("\nparameter ", declared.name, " = \"", text,
                       "\" is not a plain decimal number (its text names the result files)");
    if (value < rule.least)
        return failure("\nparameter ", shownNumber(declared.name, text, value), " ", rule.belowLeast);
    if (value > rule.most)
        return failure("\nparameter ", shownNumber(declared.name, text, value), " is above ", rule.most, ", ",
                       rule.aboveMostReason);
    if (!plain) console.say("\nparameter ", declared.name, " = \"", text, "\" is read as ", value);
    return value;
}

Outcome<Parameters> Parameters::load(const std::string& path, const AnalysisInfo& analysis) {
    auto file = openFile(path, "rb");
    if (!file) return file.failure();
    std::string text;
    if (!readAll(file->get(), text)) return failure("\ni can't read ", path);
    return parse(text, path, analysis);
}

Outcome<Parameters> Parameters::parse(std::string_view text, const std::string& path,
                                      const AnalysisInfo& analysis) {
    ParameterTable table = ParameterTable::parse(text);
    if (table.longLine() > 0)
        return failure("\nparameter file ", path, ": line ", table.longLine(), " is longer than ",
                       kParameterLineLimit, " characters");
    for (const ParamSpec& declared : analysis.parameters) {
        if (table.find(declared.name).find('\0') != std::string::npos)
            return failure("\nparameter ", declared.name, " holds a NUL byte");
    }
    return Parameters(path, analysis, std::move(table));
}

const std::string& Parameters::text(std::string_view name) const {
    if (!analysis_->parameter(name))
        throw std::logic_error("parameter " + std::string(name) + " is not declared by " +
                               std::string(analysis_->name));
    return table_.find(name);
}

Outcome<std::int32_t> Parameters::number(Console& console, std::string_view name) const {
    const std::string& value = text(name);
    return readNumber(console, *analysis_->parameter(name), value);
}

Outcome<std::optional<std::int32_t>> Parameters::threads(Console& console) const {
    const std::string& value = table_.find(kThreadsParameter.name);
    if (value.empty()) return std::optional<std::int32_t>();
    auto n = readNumber(console, kThreadsParameter, value);
    if (!n) return n.failure();
    return std::optional<std::int32_t>(*n);
}

}  // namespace ruz
