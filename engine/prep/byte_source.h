// The bytes of a sequence file as the record parser reads them: a gzip file
// decompressed (one member or several in a row, as bgzip writes them), any
// other file passed through as it is.
//
// A gzip stream that ends before its end is written, damaged data, and
// bytes after the last member that are neither a member nor zero padding
// (a gzip file with plain text appended) are failures; they are never read
// as an ordinary end. The decompression is
// done here with inflate() rather than through zlib's gzread(), which can
// lose the end of a file cut short: when its output buffer fills exactly as
// the last input bytes are consumed, the next call reports a clean end, the
// bytes still held by the decompressor are dropped and no error is set.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <string>
#include <vector>

#include "core/files.h"

namespace ruz::prep {

class ByteSource {
public:
    // Reads `file` with an input buffer of `bufferSize` bytes.
    ByteSource(FilePtr file, std::size_t bufferSize);
    ~ByteSource();
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

    // Up to `size` bytes of the data into `buffer`. 0 at the end of the
    // data, and from the first failure on (failed() then tells why). Throws
    // std::bad_alloc when the decompressor cannot get memory.
    std::size_t read(char* buffer, std::size_t size);

    bool failed() const { return failed_; }
    // What went wrong, without the path: "unexpected end of file", zlib's
    // description of damaged data, or the system's of a read error.
    const std::string& error() const { return error_; }
    bool compressed() const { return gzip_; }

private:
    void start();
    std::size_t readPlain(char* buffer, std::size_t size);
    std::size_t readGzip(char* buffer, std::size_t size);
    // Keeps the unread input and appends what the file gives after it;
    // false when the file gives nothing more (at its end or on an error).
    bool fill();
    bool nextMemberFollows();
    // After the last member: true when nothing but zero bytes follows;
    // otherwise fails.
    bool onlyZerosFollow();
    void fail(std::string error);

    FilePtr file_;
    std::vector<unsigned char> in_;
    z_stream z_{};
    bool started_ = false;
    bool gzip_ = false;
    bool inflating_ = false;     // z_ is initialised
    bool memberEnded_ = false;   // the current gzip member is complete
    bool fileEnded_ = false;     // the file gave all its bytes
    bool ended_ = false;
    bool failed_ = false;
    std::string error_;
};

}  // namespace ruz::prep
