// Parameter files: records of four lines (comment, type, name, value).
//
// The engine keeps only names and values, in a table where the last record
// with a name wins. A name that is not in the table reads as an empty text.
// One carriage return at the end of a name or value line is dropped, so
// files written with CR LF give the same table as files written with LF.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "console.h"

namespace ruz {

// Longest line of a parameter file, in characters before its line feed.
inline constexpr std::size_t kParameterLineLimit = 499;

// Splits a text into lines at LF only; nothing else is removed, so a CR
// before the LF stays part of its line. A last line without LF is a line;
// a final LF adds no empty line.
class LineCursor {
public:
    enum class Status { Line, End, TooLong };

    explicit LineCursor(std::string_view text) : text_(text) {}

    // The next line, of at most `maxChars` characters. After End or
    // TooLong every further call gives the same status and an empty line.
    Status next(std::string& line, std::size_t maxChars);

    // 1-based number of the line last returned or refused.
    int lineNumber() const { return lineNumber_; }

private:
    std::string_view text_;
    std::size_t at_ = 0;
    int lineNumber_ = 0;
    Status stopped_ = Status::Line;
};

class ParameterTable {
public:
    // Reads records until the text ends. A record cut short by the end is
    // still stored, its missing lines empty; a line longer than the limit
    // ends the reading there (see longLine()).
    static ParameterTable parse(std::string_view text);

    // The value of `name`; an unknown name reads as "" (and is remembered
    // with that value).
    const std::string& lookup(const std::string& name);

    bool contains(const std::string& name) const { return values_.count(name) != 0; }
    std::size_t size() const { return values_.size(); }

    // Number of the line that was too long and ended the reading; 0 when
    // the whole text was read.
    int longLine() const { return longLine_; }

private:
    std::map<std::string, std::string> values_;
    int longLine_ = 0;
};

// Loads the parameter file of an analysis that reads the parameters
// `names`. A file that cannot be opened ("\ni can't open " + path), a read
// error ("\ni can't read "), a line longer
// than the limit ("\nparameter file P: line N is longer than 499
// characters") and a NUL byte in the value of one of `names` ("\nparameter
// NAME holds a NUL byte") end the analysis: message, key wait, nothing.
std::optional<ParameterTable> loadParameters(Console& console, const std::string& path,
                                             std::span<const std::string_view> names);

enum class IntConversion { Ok, NotANumber, OutOfRange };

// Decimal conversion of a numeric parameter: leading white space, an
// optional sign, then digits up to the first other character; what follows
// is ignored ("12abc" is 12).
IntConversion toInt32(std::string_view text, std::int32_t& value);

// True when `text` is a plain decimal number: an optional sign and digits,
// with blanks allowed around them and nothing else.
bool isPlainNumber(std::string_view text);

// Converts the value of a numeric parameter. When it is not a number or does
// not fit 32 bits, prints a message naming the parameter and its value,
// waits for a key and returns nothing. A number followed by other
// characters ("20abc", "2e1", "0x14") is read by its leading digits.
std::optional<std::int32_t> intParameter(Console& console, std::string_view name,
                                         std::string_view value);

// Once a value read by intParameter is accepted: when its text was not the
// plain number, the console says what it was read as, "\nparameter NAME =
// \"TEXT\" is read as N".
void noteReading(Console& console, std::string_view name, std::string_view text, std::int32_t value);

// A size whose text enters a file name: it must be a plain decimal number,
// else "\nparameter NAME = \"TEXT\" is not a plain decimal number (its text
// names the result files)", key wait, nothing; then as intParameter.
std::optional<std::int32_t> nameSizeParameter(Console& console, std::string_view name,
                                              std::string_view value);

// A converted parameter as messages show it: "name = 12", or, when the text
// typed is not the plain number, "name = \"0x14\" (read as 0)".
std::string shownNumber(std::string_view name, std::string_view text, std::int32_t value);

}  // namespace ruz
