// The reads loop every analysis runs: one read per line, read through a
// large buffer and handed over one line at a time in the line buffer.
//
// A line may hold at most kLineLimit - 1 bytes before its line feed; a longer
// line ends the loop (the reads after it are not seen). A last line without
// a line feed counts all its bytes. Every line read successfully adds one to
// the input count, whatever the analysis then does with it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console.h"
#include "context.h"
#include "files.h"

namespace ruz {

// The loop reads its file in chunks of this size, and a line may run across
// a chunk's edge. Large chunks keep the reading in big steps and hold many
// lines; the fuzz build makes them small, so that short inputs cross several
// edges. Always more than a line limit.
#ifdef RUZ_SMALL_READ_BUFFERS
inline constexpr std::size_t kReadChunkSize = std::size_t{16} << 10;
#else
inline constexpr std::size_t kReadChunkSize = std::size_t{1} << 20;
#endif
static_assert(kReadChunkSize > kLineLimit);

// Consecutive lines of a reads file, copied out of its buffer so that they
// can be worked on apart from the reading. Line i is bytes
// [start(i), start(i) + length(i)) of one block; it may be changed in place.
class ReadBatch {
public:
    std::size_t size() const { return ends_.size(); }
    // Number of the batch's first line in the file, counting from 1.
    std::int64_t firstLine() const { return firstLine_; }
    char* line(std::size_t i) { return bytes_.data() + start(i); }
    const char* line(std::size_t i) const { return bytes_.data() + start(i); }
    std::size_t length(std::size_t i) const { return ends_[i] - start(i); }

    void clear(std::int64_t firstLine) {
        bytes_.clear();
        ends_.clear();
        firstLine_ = firstLine;
    }
    void append(const char* bytes, std::size_t n) {
        bytes_.insert(bytes_.end(), bytes, bytes + n);
        ends_.push_back(bytes_.size());
    }

private:
    std::size_t start(std::size_t i) const { return i == 0 ? 0 : ends_[i - 1]; }

    std::vector<char> bytes_;
    std::vector<std::size_t> ends_;
    std::int64_t firstLine_ = 1;
};

class ReadsFile {
public:
    // Opens a reads file (or a task list, or a list file) with the stream
    // opener (failure: "\ni can't open\n" + path).
    static Outcome<ReadsFile> open(const std::string& path);

    // Copies the next line, without its line feed, to the start of
    // `lineBuffer` and sets `length` to its byte count (a CR before the line
    // feed is kept). Returns false at the end of the file, at a line of
    // kLineLimit bytes or more, at a read error, or when the line buffer has
    // been released.
    bool next(std::vector<char>& lineBuffer, std::size_t& length);

    // Fills `batch` with up to `maxLines` next lines (each counted as input,
    // same limits as next()); false when no line was left.
    bool nextBatch(ReadBatch& batch, std::size_t maxLines);

    std::int64_t inputCount() const { return inputCount_; }
    const std::string& path() const { return path_; }

    // True when reading stopped at a line too long for the line buffer
    // rather than at the end of the file.
    bool stoppedAtLongLine() const { return stoppedAtLongLine_; }
    bool stoppedAtReadError() const { return readError_; }

    // Says on the console why reading stopped before the end of the file:
    // "\nline N of PATH is longer than 5119 characters: the reading stopped
    // there" or "\ni can't read PATH", each with a key wait. True when the
    // file was read to its end.
    bool reportEnd(Console& console) const;

private:
    ReadsFile(FilePtr file, std::string path);
    void refill();
    bool nextLine(const char*& start, std::size_t& length);

    FilePtr file_;
    std::string path_;
    std::vector<char> chunk_;
    std::size_t begin_ = 0;  // first unread byte of chunk_
    std::size_t end_ = 0;    // end of the valid bytes of chunk_
    bool atEof_ = false;
    bool stopped_ = false;
    bool stoppedAtLongLine_ = false;
    bool readError_ = false;
    std::int64_t inputCount_ = 0;
};

// Length of a line in the files that accept CR LF ends: one CR at its end is
// not part of the read (also on a last line without a line feed).
inline std::size_t lengthWithoutCr(const char* line, std::size_t length) {
    return (length > 0 && line[length - 1] == '\r') ? length - 1 : length;
}

}  // namespace ruz
