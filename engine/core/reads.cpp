#include "reads.h"

#include <cstring>

namespace ruz {

Outcome<ReadsFile> ReadsFile::open(const std::string& path) {
    auto file = openStream(path);
    if (!file) return file.failure();
    return ReadsFile(std::move(*file), path);
}

ReadsFile::ReadsFile(FilePtr file, std::string path)
    : file_(std::move(file)), path_(std::move(path)), chunk_(kReadChunkSize) {}

bool ReadsFile::reportEnd(Console& console) const {
    if (readError_) {
        console.fail("\ni can't read ", path_);
        return false;
    }
    if (stoppedAtLongLine_) {
        console.fail("\nline ", inputCount_ + 1, " of ", path_, " is longer than ", kLineLimit - 1,
                     " characters: the reading stopped there");
        return false;
    }
    return true;
}

// Moves the unread tail to the front and fills the rest of the chunk.
void ReadsFile::refill() {
    const std::size_t tail = end_ - begin_;
    if (tail > 0 && begin_ > 0) std::memmove(chunk_.data(), chunk_.data() + begin_, tail);
    begin_ = 0;
    end_ = tail;
    const std::size_t got = std::fread(chunk_.data() + end_, 1, chunk_.size() - end_, file_.get());
    end_ += got;
    if (got == 0) {
        atEof_ = true;
        readError_ = std::ferror(file_.get()) != 0;
    }
}

// Finds the next line in the chunk; `start` points at it until the next
// call. Sets the stop flags when there is none.
bool ReadsFile::nextLine(const char*& start, std::size_t& length) {
    if (stopped_) return false;
    for (;;) {
        start = chunk_.data() + begin_;
        const std::size_t available = end_ - begin_;
        const auto* lf = static_cast<const char*>(std::memchr(start, '\n', available));
        std::size_t lineBytes = 0;
        std::size_t consumed = 0;
        if (lf) {
            lineBytes = static_cast<std::size_t>(lf - start);
            consumed = lineBytes + 1;
        } else if (available >= kLineLimit) {
            lineBytes = available;  // too long whatever follows
        } else if (!atEof_) {
            refill();
            continue;
        } else if (readError_) {
            stopped_ = true;  // what was read before the error is not a whole line
            return false;
        } else if (available == 0) {
            stopped_ = true;
            return false;
        } else {
            lineBytes = consumed = available;  // last line, no line feed
        }
        if (lineBytes >= kLineLimit) {
            stopped_ = stoppedAtLongLine_ = true;
            return false;
        }
        begin_ += consumed;
        length = lineBytes;
        ++inputCount_;
        return true;
    }
}

bool ReadsFile::next(std::vector<char>& lineBuffer, std::size_t& length) {
    if (lineBuffer.size() < kLineLimit) return false;
    const char* start = nullptr;
    if (!nextLine(start, length)) return false;
    std::memcpy(lineBuffer.data(), start, length);
    return true;
}

bool ReadsFile::nextBatch(ReadBatch& batch, std::size_t maxLines) {
    batch.clear(inputCount_ + 1);
    const char* start = nullptr;
    std::size_t length = 0;
    while (batch.size() < maxLines && nextLine(start, length)) batch.append(start, length);
    return batch.size() > 0;
}

}  // namespace ruz
