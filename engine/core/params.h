// Parameter files: records of four lines (comment, type, name, value).
//
// The engine keeps only names and values, in a table where the last record
// with a name wins. One carriage return at the end of a name or value line
// is dropped, so files written with CR LF give the same table as files
// written with LF. An analysis reads its parameters through its description
// (Parameters): only the names it declares, its numbers checked by their
// rules.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "analysis.h"
#include "console.h"
#include "outcome.h"

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

    // The value of `name`; a name the file does not hold reads as "".
    const std::string& find(std::string_view name) const;

    bool contains(std::string_view name) const { return values_.find(name) != values_.end(); }
    std::size_t size() const { return values_.size(); }

    // Number of the line that was too long and ended the reading; 0 when
    // the whole text was read.
    int longLine() const { return longLine_; }

private:
    std::map<std::string, std::string, std::less<>> values_;
    int longLine_ = 0;
};

enum class IntConversion { Ok, NotANumber, OutOfRange };

// Decimal conversion of a numeric parameter: leading white space, an
// optional sign, then digits up to the first other character; what follows
// is ignored ("12abc" is 12).
IntConversion toInt32(std::string_view text, std::int32_t& value);

// True when `text` is a plain decimal number: an optional sign and digits,
// with blanks allowed around them and nothing else.
bool isPlainNumber(std::string_view text);

// True when `text` holds nothing but blanks.
bool isBlankText(std::string_view text);

// A converted parameter as messages show it: "name = 12", or, when the text
// typed is not the plain number, "name = \"0x14\" (read as 0)".
std::string shownNumber(std::string_view name, std::string_view text, std::int32_t value);

// Reads the number `text` by the rules of `declared`. Refusals: "\nparameter
// NAME = \"TEXT\" is not a whole number", "... is out of the 32-bit range",
// "... is not a plain decimal number (its text names the result files)"
// and the rule's bounds. A number followed by other characters ("20abc")
// that the rules allow is read by its leading digits, and the console says
// what it was read as: "\nparameter NAME = \"TEXT\" is read as N".
Outcome<std::int32_t> readNumber(Console& console, const ParamSpec& declared, std::string_view text);

// The parameters of one analysis, read through its description.
class Parameters {
public:
    // Loads the parameter file `path`. Failures: a file that cannot be
    // opened ("\ni can't open " + path) or read ("\ni can't read "), a line
    // longer than the limit ("\nparameter file P: line N is longer than 499
    // characters") and a NUL byte in the value of a declared name
    // ("\nparameter NAME holds a NUL byte").
    static Outcome<Parameters> load(const std::string& path, const AnalysisInfo& analysis);

    // The same over a text already read (`path` names it in messages).
    static Outcome<Parameters> parse(std::string_view text, const std::string& path,
                                     const AnalysisInfo& analysis);

    const std::string& path() const { return path_; }
    const AnalysisInfo& analysis() const { return *analysis_; }

    // The value of a declared parameter ("" when the file lacks it). A name
    // the analysis does not declare is a programming error: std::logic_error.
    const std::string& text(std::string_view name) const;

    // A declared number, read by its rules (readNumber).
    Outcome<std::int32_t> number(Console& console, std::string_view name) const;

    // The threads record, which any parameter file may hold whether the
    // analysis declares it or not: nothing when absent or blank.
    Outcome<std::optional<std::int32_t>> threads(Console& console) const;

private:
    Parameters(std::string path, const AnalysisInfo& analysis, ParameterTable table)
        : path_(std::move(path)), analysis_(&analysis), table_(std::move(table)) {}

    std::string path_;
    const AnalysisInfo* analysis_;
    ParameterTable table_;
};

}  // namespace ruz
