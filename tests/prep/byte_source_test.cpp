// The bytes under the FASTA/FASTQ reader: plain files as they are, gzip
// files decompressed member after member, and a gzip file cut short never
// read as a whole one, whatever the sizes of the input buffer and of the
// reads that ask for the bytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/files.h"
#include "prep/byte_source.h"
#include "support/test_files.h"
#include "gzip_bytes.h"

namespace ruz {
namespace {

using prep::ByteSource;

struct Reading {
    std::string bytes;
    bool failed = false;
    std::string error;
};

// Everything the source gives, asked for `request` bytes at a time.
Reading readAll(const std::string& path, std::size_t bufferSize, std::size_t request) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    EXPECT_TRUE(file) << path;
    ByteSource source(std::move(file), bufferSize);
    Reading r;
    std::vector<char> buffer(request);
    std::size_t got = 0;
    while ((got = source.read(buffer.data(), request)) > 0) r.bytes.append(buffer.data(), got);
    EXPECT_EQ(source.read(buffer.data(), request), 0u) << "the end repeats";
    r.failed = source.failed();
    r.error = source.error();
    return r;
}

// Text that compresses well, so that one input byte stands for many output
// bytes and a cut can fall anywhere in a long copy.
std::string repetitiveFastq(std::size_t records) {
    std::string text;
    unsigned state = 11;
    for (std::size_t i = 0; i < records; ++i) {
        state = state * 1103515245u + 12345u;
        const std::string bases = std::string(20 + (state >> 16) % 40, "ACGT"[(state >> 8) & 3]);
        text += "@r" + std::to_string(i) + "\n" + bases + "\n+\n" + std::string(bases.size(), 'I') + "\n";
    }
    return text;
}

class ByteSourceTest : public ::testing::Test {
protected:
    std::string file(const std::string& bytes) {
        const std::string path = dir.file("f" + std::to_string(files++));
        test::writeFile(path, bytes);
        return path;
    }
    test::TempDir dir;
    int files = 0;
};

TEST_F(ByteSourceTest, WholeFilesReadAsTheirText) {
    const std::string fastq = repetitiveFastq(300);
    const std::string one = test::gzipped(">a\nACGT\n");
    const std::string two = test::gzipped("@r1\nAC\n+\nII\n");
    struct Case {
        const char* what;
        std::string bytes;
        std::string text;
        bool compressed;
    };
    const Case cases[] = {
        {"empty file", "", "", false},
        {"plain text", fastq, fastq, false},
        {"a lone gzip magic byte is plain", "\x1f", "\x1f", false},
        {"magic byte without its second", "\x1fZ>a\n", "\x1fZ>a\n", false},
        {"one member", test::gzipped(fastq), fastq, true},
        {"two members in a row", one + two, ">a\nACGT\n@r1\nAC\n+\nII\n", true},
        {"an empty member between two", one + test::gzipped("") + two, ">a\nACGT\n@r1\nAC\n+\nII\n", true},
        {"zero padding after the last member", one + std::string(600, '\0'), ">a\nACGT\n", true},
    };
    for (const Case& c : cases) {
        const std::string path = file(c.bytes);
        for (const std::size_t bufferSize : {std::size_t{2}, std::size_t{7}, std::size_t{4096}, std::size_t{1} << 18}) {
            for (const std::size_t request : {std::size_t{1}, std::size_t{13}, std::size_t{16384}}) {
                const Reading r = readAll(path, bufferSize, request);
                EXPECT_EQ(r.bytes, c.text) << c.what << ", buffer " << bufferSize << ", reads of " << request;
                EXPECT_FALSE(r.failed) << c.what << ": " << r.error;
            }
        }
        FilePtr f(std::fopen(path.c_str(), "rb"));
        ByteSource source(std::move(f), 4096);
        char byte = 0;
        source.read(&byte, 1);
        EXPECT_EQ(source.compressed(), c.compressed) << c.what;
    }
}

TEST_F(ByteSourceTest, EveryCutOfAGzipFileFailsAfterAPrefixOfItsText) {
    // A reader that took the cut for the end would hand out a shorter file
    // as a whole one. The cuts run over the whole stream, for input buffers
    // and read sizes that make the output fill up at every possible moment.
    const std::string text = repetitiveFastq(150);
    const std::string packed = test::gzipped(text);
    ASSERT_GT(text.size(), 4 * packed.size()) << "the text should compress well";
    for (const std::size_t bufferSize : {std::size_t{2}, std::size_t{64}, std::size_t{4096}}) {
        for (const std::size_t request : {std::size_t{7}, std::size_t{257}, std::size_t{8192}}) {
            for (std::size_t cut = 2; cut < packed.size(); ++cut) {  // one byte is no gzip magic
                const std::string path = dir.file("cut.gz");
                test::writeFile(path, packed.substr(0, cut));
                const Reading r = readAll(path, bufferSize, request);
                const std::string where = "cut at " + std::to_string(cut) + " of " + std::to_string(packed.size()) +
                                          ", buffer " + std::to_string(bufferSize) + ", reads of " +
                                          std::to_string(request);
                ASSERT_TRUE(r.failed) << where << ": read " << r.bytes.size() << " of " << text.size() << " bytes";
                ASSERT_EQ(r.error, "unexpected end of file") << where;
                ASSERT_EQ(r.bytes, text.substr(0, r.bytes.size())) << where;
            }
        }
    }
}

// A gzip file with more text after it (plain text appended, junk) is never
// half read as if it were whole.
TEST_F(ByteSourceTest, BytesAfterTheLastMemberThatAreNotGzipFail) {
    const std::string text = repetitiveFastq(50);
    const std::string packed = test::gzipped(text);
    for (const std::string& after : {text, std::string("\0\0\0junk", 7), std::string("\x1f"),
                                     std::string(5000, '\0') + "x"}) {
        for (const std::size_t bufferSize : {std::size_t{2}, std::size_t{4096}}) {
            const Reading r = readAll(file(packed + after), bufferSize, 16384);
            EXPECT_TRUE(r.failed) << after.size() << " bytes after, buffer " << bufferSize;
            EXPECT_EQ(r.error, "the file goes on after its last gzip member with bytes that are not gzip data");
            EXPECT_EQ(r.bytes, text.substr(0, r.bytes.size()));
        }
    }
}

TEST_F(ByteSourceTest, DamagedDataFailsWithZlibsDescription) {
    const std::string packed = test::gzipped(">a\nACGTACGTAC\n");
    struct Case {
        const char* what;
        std::size_t at;       // byte changed, counted from the end when `fromEnd`
        bool fromEnd;
        char value;
        const char* error;
    };
    const Case cases[] = {
        {"compression method", 2, false, 7, "unknown compression method"},
        {"check sum of the data", 8, true, 0x55, "incorrect data check"},
        {"length of the data", 1, true, 0x55, "incorrect length check"},
    };
    for (const Case& c : cases) {
        std::string bytes = packed;
        const std::size_t at = c.fromEnd ? bytes.size() - c.at : c.at;
        bytes[at] = c.fromEnd ? static_cast<char>(bytes[at] ^ c.value) : c.value;
        const Reading r = readAll(file(bytes), 4096, 16384);
        EXPECT_TRUE(r.failed) << c.what;
        EXPECT_EQ(r.error, c.error) << c.what;
    }
}

}  // namespace
}  // namespace ruz
