// Texts shared by the reports and logs of the analyses.
#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

namespace ruz {

// A text as messages show it: control characters and quotes escaped ("\\r",
// "\\t", "\\x01", "\\\""), so that a CR at its end does not send the
// terminal back to the line's start; other bytes as they are (names may
// be UTF-8).
inline std::string shownText(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r') {
            shown += "\\r";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (c == '"' || c == '\\') {
            shown += '\\';
            shown += c;
        } else if (byte < 0x20 || byte == 0x7f) {
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 15];
        } else {
            shown += c;
        }
    }
    return shown;
}

// One byte of a file as messages show it: a printable character as it is,
// any other byte escaped ("\\x0a", "\\x00", "\\xc3").
inline std::string shownByte(unsigned char byte) {
    static constexpr char kHex[] = "0123456789abcdef";
    if (byte > 0x20 && byte < 0x7f) return std::string(1, static_cast<char>(byte));
    return std::string("\\x") + kHex[byte >> 4] + kHex[byte & 15];
}

// Appends the decimal text of `value`, as "%d" prints it.
inline void appendNumber(std::string& text, std::int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    text.append(digits, end);
}

// Appends `label` and the decimal text of `value`: one field of a log.
inline void appendField(std::string& text, std::string_view label, std::int64_t value) {
    text.append(label);
    appendNumber(text, value);
}

// The size bounds as report names and logs hold them: "[least-most]" (with
// `between` "-") or "[least,most]" (with ",").
inline std::string boundsText(std::int64_t least, std::int64_t most, char between = '-') {
    std::string text;
    appendField(text, "[", least);
    text += between;
    appendNumber(text, most);
    text += ']';
    return text;
}

// The head of the logs that name their program, genome and reads:
// "program= P\ngenome= G\nreads= R" (no line feed after it).
inline std::string programHead(std::string_view program, std::string_view genome,
                               std::string_view reads) {
    std::string head = "program= ";
    head.append(program).append("\ngenome= ").append(genome).append("\nreads= ").append(reads);
    return head;
}

// The head of the replaced-end logs: "proc=P\ngenome=G\nreads=R".
inline std::string procHead(std::string_view procedure, std::string_view genome,
                            std::string_view reads) {
    std::string head = "proc=";
    head.append(procedure).append("\ngenome=").append(genome).append("\nreads=").append(reads);
    return head;
}

}  // namespace ruz
