// Output of many small pieces (coded reads, report lines) to an open file
// through one large block: each piece costs a copy into the block rather than
// a library call, and the file sees one write per block.
//
// A coded reads file holds one read per line: the read's codes 0..3, one
// byte a base, followed by the byte 10.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace ruz {

class BlockWriter {
public:
    static constexpr std::size_t kBlockSize = std::size_t{1} << 20;

    // The file stays with its owner, which must call flush() before it
    // closes the file. Write errors stay on the file (ferror), where the
    // owner's checked close finds them (ResultFile::commit).
    explicit BlockWriter(std::FILE* file);

    BlockWriter(const BlockWriter&) = delete;
    BlockWriter& operator=(const BlockWriter&) = delete;

    // Room for n bytes (n <= kBlockSize) at the returned pointer; the
    // caller writes up to n bytes there and passes their count to advance().
    char* room(std::size_t n) {
        if (kBlockSize - used_ < n) flush();
        return block_.get() + used_;
    }
    void advance(std::size_t n) { used_ += n; }

    void write(const void* bytes, std::size_t n);
    void put(char c) { *room(1) = c; ++used_; }

    // Hands the block's bytes to the file.
    void flush();

private:
    std::FILE* file_;
    std::unique_ptr<char[]> block_;
    std::size_t used_ = 0;
};

// Appends one read of a coded reads file: its n bytes and the byte 10.
void writeCodedRead(BlockWriter& out, const std::uint8_t* read, std::size_t n);

}  // namespace ruz
