#include "coded_output.h"

#include <cstring>

namespace ruz {

BlockWriter::BlockWriter(std::FILE* file)
    : file_(file), block_(std::make_unique_for_overwrite<char[]>(kBlockSize)) {}

void BlockWriter::write(const void* bytes, std::size_t n) {
    const auto* from = static_cast<const char*>(bytes);
    while (n > 0) {
        const std::size_t part = n < kBlockSize ? n : kBlockSize;
        std::memcpy(room(part), from, part);
        used_ += part;
        from += part;
        n -= part;
    }
}

void BlockWriter::flush() {
    if (used_ > 0) std::fwrite(block_.get(), 1, used_, file_);
    used_ = 0;
}

void writeCodedRead(BlockWriter& out, const std::uint8_t* read, std::size_t n) {
    if (n < BlockWriter::kBlockSize) {
        char* to = out.room(n + 1);
        std::memcpy(to, read, n);
        to[n] = '\n';
        out.advance(n + 1);
        return;
    }
    out.write(read, n);
    out.put('\n');
}

}  // namespace ruz
