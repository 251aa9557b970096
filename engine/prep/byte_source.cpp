#include "byte_source.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace ruz::prep {

namespace {

constexpr unsigned char kGzipMagic0 = 0x1f;
constexpr unsigned char kGzipMagic1 = 0x8b;
// inflate's window bits for a gzip wrapper around a 32 KiB window.
constexpr int kGzipWindowBits = 15 + 16;

constexpr const char* kTrailingBytes = "the file goes on after its last gzip member with bytes that are not gzip data";

bool startsGzipMember(const z_stream& z) {
    return z.avail_in >= 2 && z.next_in[0] == kGzipMagic0 && z.next_in[1] == kGzipMagic1;
}

}  // namespace

ByteSource::ByteSource(FilePtr file, std::size_t bufferSize)
    : file_(std::move(file)), in_(std::max<std::size_t>(bufferSize, 2)) {}

ByteSource::~ByteSource() {
    if (inflating_) inflateEnd(&z_);
}

std::size_t ByteSource::read(char* buffer, std::size_t size) {
    if (!started_) start();
    if (failed_ || ended_ || size == 0) return 0;
    size = std::min<std::size_t>(size, std::numeric_limits<uInt>::max());
    return gzip_ ? readGzip(buffer, size) : readPlain(buffer, size);
}

// The first two bytes tell a gzip file from any other.
void ByteSource::start() {
    started_ = true;
    z_.next_in = in_.data();
    z_.avail_in = 0;
    while (z_.avail_in < 2 && fill()) {
    }
    if (failed_) return;
    gzip_ = startsGzipMember(z_);
    if (!gzip_) return;
    const int result = inflateInit2(&z_, kGzipWindowBits);
    if (result == Z_MEM_ERROR) throw std::bad_alloc();
    if (result != Z_OK) {
        fail(z_.msg ? z_.msg : "the decompression cannot start");
        return;
    }
    inflating_ = true;
}

bool ByteSource::fill() {
    if (fileEnded_) return false;
    const std::size_t kept = z_.avail_in;
    if (kept > 0 && z_.next_in != in_.data()) std::memmove(in_.data(), z_.next_in, kept);
    z_.next_in = in_.data();
    if (kept == in_.size()) return true;
    const std::size_t got = std::fread(in_.data() + kept, 1, in_.size() - kept, file_.get());
    z_.avail_in = static_cast<uInt>(kept + got);
    if (got > 0) return true;
    fileEnded_ = true;
    if (std::ferror(file_.get())) fail(std::strerror(errno));
    return false;
}

std::size_t ByteSource::readPlain(char* buffer, std::size_t size) {
    // The bytes looked at first come out first.
    if (z_.avail_in > 0) {
        const std::size_t n = std::min<std::size_t>(size, z_.avail_in);
        std::memcpy(buffer, z_.next_in, n);
        z_.next_in += n;
        z_.avail_in -= static_cast<uInt>(n);
        return n;
    }
    if (fileEnded_) {
        ended_ = true;
        return 0;
    }
    const std::size_t got = std::fread(buffer, 1, size, file_.get());
    if (got == 0) {
        fileEnded_ = ended_ = true;
        if (std::ferror(file_.get())) fail(std::strerror(errno));
    }
    return got;
}

// Decompresses until some bytes come out, the data ends or it fails. A
// member is complete only when inflate says so; input that runs out before
// that is a file cut short, whatever the decompressor still held.
std::size_t ByteSource::readGzip(char* buffer, std::size_t size) {
    z_.next_out = reinterpret_cast<Bytef*>(buffer);
    z_.avail_out = static_cast<uInt>(size);
    while (z_.avail_out == size && !failed_ && !ended_) {
        if (memberEnded_) {
            // Another member may follow, or zero bytes that pad the file
            // to a block; anything else is refused.
            if (!nextMemberFollows()) {
                ended_ = !failed_ && onlyZerosFollow();
                break;
            }
            inflateReset(&z_);
            memberEnded_ = false;
        }
        if (z_.avail_in == 0) fill();
        if (failed_) break;
        const int result = inflate(&z_, Z_NO_FLUSH);
        switch (result) {
        case Z_OK:
            break;
        case Z_STREAM_END:
            memberEnded_ = true;
            break;
        case Z_BUF_ERROR:  // nothing to do without more input
            if (fileEnded_ && z_.avail_in == 0) fail("unexpected end of file");
            break;
        case Z_MEM_ERROR:
            throw std::bad_alloc();
        default:
            fail(z_.msg ? z_.msg : "compressed data error");
            break;
        }
    }
    return size - z_.avail_out;
}

bool ByteSource::nextMemberFollows() {
    while (z_.avail_in < 2 && fill()) {
    }
    return !failed_ && startsGzipMember(z_);
}

bool ByteSource::onlyZerosFollow() {
    for (;;) {
        for (; z_.avail_in > 0; ++z_.next_in, --z_.avail_in) {
            if (*z_.next_in != 0) {
                fail(kTrailingBytes);
                return false;
            }
        }
        if (!fill()) return !failed_;
    }
}

void ByteSource::fail(std::string error) {
    if (failed_) return;
    failed_ = true;
    error_ = std::move(error);
}

}  // namespace ruz::prep
