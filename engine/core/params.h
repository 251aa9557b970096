// Parameter files: records of four lines (comment, type, name, value).
//
// The engine keeps only names and values, in a table where the last record
// with a name wins. A name that is not in the table reads as an empty text.
// One carriage return at the end of a name or value line is dropped, so
// files written with CR LF give the same table as files written with LF.
#pragma once

#include <cstdint>
#include <istream>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "console.h"

namespace ruz {

// Longest line of a parameter file, in characters before its line feed.
inline constexpr std::size_t kParameterLineLimit = 499;

// Reads one line split at LF only (nothing else is removed) with room for
// at most `maxChars` characters. Returns false at the end of the input and
// for a longer line; after a failure every further read fails too and
// yields an empty text.
bool readLimitedLine(std::istream& in, std::string& line, std::size_t maxChars);

class ParameterTable {
public:
    // Reads records until the stream ends. A record cut short by the end of
    // the stream is still stored, its missing lines empty; a line longer
    // than the limit ends the reading there and reads as empty.
    static ParameterTable read(std::istream& in);

    // The value of `name`; an unknown name reads as "" (and is remembered
    // with that value).
    const std::string& lookup(const std::string& name);

    bool contains(const std::string& name) const { return values_.count(name) != 0; }
    std::size_t size() const { return values_.size(); }

private:
    std::map<std::string, std::string> values_;
};

// Loads a parameter file. When it cannot be opened prints
// "\ni can't open " + path, waits for a key and returns an empty table.
ParameterTable loadParameterTable(Console& console, const std::string& path);

enum class IntConversion { Ok, NotANumber, OutOfRange };

// Decimal conversion of a numeric parameter: leading white space, an
// optional sign, then digits up to the first other character; what follows
// is ignored ("12abc" is 12).
IntConversion toInt32(std::string_view text, std::int32_t& value);

// Converts the value of a numeric parameter. When it is not a number or does
// not fit 32 bits, prints a message naming the parameter and its value,
// waits for a key and returns nothing.
std::optional<std::int32_t> intParameter(Console& console, std::string_view name,
                                         std::string_view value);

}  // namespace ruz
