// What the fuzz targets share: a scratch folder for the files the readers
// open by path, fast whole-file writes, option bytes taken from the front of
// an input, and the check that turns a broken promise of a reader into a
// finding (libFuzzer saves the input that caused it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ruz::fuzz {

// The lines of `text` as the engine's line reader is described: split at
// LF (a CR stays in the line), a last line without LF counts, and a line of
// kLineLimit bytes or more ends the reading there.
struct EngineLines {
    std::vector<std::string_view> lines;
    bool endsAtLongLine = false;
};
EngineLines engineLines(std::string_view text);

// The process's scratch folder, with a trailing '/': made on first use
// under the system's temporary folder (TMPDIR), removed when the process
// ends normally.
const std::string& scratchDirectory();

// Path of a file in the scratch folder.
std::string scratchPath(std::string_view name);

// Replaces the file's content by `size` bytes.
void writeFileBytes(const std::string& path, const void* bytes, std::size_t size);
void writeFileBytes(const std::string& path, std::string_view bytes);

// Writes `size` bytes at `offset` and cuts the file there; the bytes before
// `offset` stay as they are (a long prefix is written once, not per input).
void writeFileTail(const std::string& path, std::size_t offset, const void* bytes,
                   std::size_t size);

// Takes the first byte of the input as an option byte (0 when the input is
// empty) and advances past it.
std::uint8_t takeByte(const std::uint8_t*& data, std::size_t& size);

// Ends the process as a finding: prints where and why, then aborts.
[[noreturn]] void finding(const char* file, int line, const char* condition,
                          const std::string& detail);

}  // namespace ruz::fuzz

// A property the reader promises; its failure is a finding like a crash.
#define FUZZ_CHECK(condition, detail)                                            \
    do {                                                                         \
        if (!(condition)) ::ruz::fuzz::finding(__FILE__, __LINE__, #condition, (detail)); \
    } while (false)
