// The reads loop, letter and coded form.
//
// Input: two option bytes, then the bytes of a reads file.
//   byte 0, bit 0   coded form (one byte 0..3 a base) instead of letters
//           bit 1   lines one at a time through the line buffer (next())
//                   instead of batches through scanBatches (the analyses'
//                   pipeline, on one thread)
//           bits 2-3  lines a batch: 1, 3, 64 or 4096
//           bit 4   the file's bytes start just before the end of the
//                   loop's first read chunk (16 KiB here), behind lines of
//                   filler reads, so that lines run across the chunk's edge
//   byte 1  with bit 4: how far before the edge they start, 0 to 255 times
//           32 bytes
// Every line the loop hands out is checked against the file's own lines
// (LF ends, a line of kLineLimit bytes or more stops the reading, a last line
// without LF counts), the input count against their number, and the stop
// flags against the reason the reading ended. Each line is then converted
// as the analyses convert reads of its form, and the conversions are
// checked against the rules of the codes.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/console.h"
#include "core/context.h"
#include "core/kmer_index.h"
#include "core/nucleotide.h"
#include "core/parallel.h"
#include "core/read_codes.h"
#include "core/reads.h"
#include "mapping/coded_mapping.h"
#include "support/fuzz_support.h"

namespace {

using namespace ruz;

// The loop's first read fills one chunk.
constexpr std::size_t kFirstChunk = kReadChunkSize;
// Filler lines of 4096 bytes up to a fixed part just before the edge; the
// file's own bytes follow a variable last filler line.
constexpr std::size_t kFillerLine = 4096;
static_assert(kFirstChunk >= 3 * kFillerLine && kFirstChunk % kFillerLine == 0);
constexpr std::size_t kFixedFiller = kFirstChunk - 2 * kFillerLine;
constexpr std::size_t kFixedFillerLines = kFixedFiller / kFillerLine;

struct ExpectedReads {
    std::vector<std::string_view> lines;
    bool longLine = false;
};

// The file's lines as the reads loop is described.
ExpectedReads expectedLines(std::string_view text) {
    fuzz::EngineLines d = fuzz::engineLines(text);
    return {std::move(d.lines), d.endsAtLongLine};
}

// The filler: lines of 4095 letters, written once; then the variable part
// that moves the file's own bytes to `gap` bytes before the chunk's edge.
// `lengths` receives the lengths of all filler lines.
std::string fillerTail(std::size_t gap, std::vector<std::size_t>& lengths) {
    std::size_t rest = 2 * kFillerLine - gap;  // bytes between the fixed filler and the input
    std::string tail;
    lengths.assign(kFixedFillerLines, kFillerLine - 1);
    while (rest > 0) {
        const std::size_t n = rest > kFillerLine ? kFillerLine : rest;
        tail.append(n - 1, 'A');
        tail += '\n';
        rest -= n;
        lengths.push_back(n - 1);
    }
    return tail;
}

void writeFixedFiller(const std::string& path) {
    std::string filler;
    filler.reserve(kFixedFiller);
    for (std::size_t i = 0; i < kFixedFillerLines; ++i) {
        filler.append(kFillerLine - 1, 'C');
        filler += '\n';
    }
    fuzz::writeFileBytes(path, filler);
}

bool isBase(char c) { return nucleotideCode[static_cast<std::uint8_t>(c)] != kNotNucleotide; }

// A letter read as the analyses convert it: without a final CR, to codes,
// uppercase letters with codes, the reverse complement.
void convertLetters(std::string_view line) {
    const std::size_t n = lengthWithoutCr(line.data(), line.size());
    bool valid = true;
    for (std::size_t i = 0; i < n; ++i) valid = valid && isBase(line[i]);
    std::vector<std::uint8_t> codes(n), more(n), back(n);
    FUZZ_CHECK(lettersToCodes(line.data(), n, codes.data()) == valid, "lettersToCodes judged a read wrongly");
    std::string upper(line.substr(0, n));
    FUZZ_CHECK(toUpperLettersAndCodes(upper.data(), n, more.data()) == valid,
               "toUpperLettersAndCodes judged a read wrongly");
    if (!valid) return;
    for (std::size_t i = 0; i < n; ++i) {
        FUZZ_CHECK(codes[i] == more[i] && codes[i] <= 3, "the two conversions give other codes");
        FUZZ_CHECK(upper[i] == "ACGT"[codes[i]], "an uppercase letter does not match its code");
    }
    reverseComplementCodes(codes.data(), n, more.data());
    reverseComplementCodes(more.data(), n, back.data());
    FUZZ_CHECK(back == codes, "the reverse complement is not its own inverse");
    std::string inPlace(line.substr(0, n));
    FUZZ_CHECK(lettersToCodesInPlace(inPlace.data(), n), "the in-place conversion refused a valid read");
    FUZZ_CHECK(n == 0 || std::memcmp(inPlace.data(), codes.data(), n) == 0, "the in-place conversion differs");
}

// A coded read as the mapping analyses key it: windows of the key lengths
// the indexes use (the first and last few of each read), refused when a
// byte is no code.
void convertCodes(std::string_view line) {
    constexpr std::size_t kEndWindows = 24;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(line.data());
    for (const int k : {8, 12, 16}) {
        const auto width = static_cast<std::size_t>(k);
        if (line.size() < width) continue;
        const std::size_t starts = line.size() - width + 1;
        for (std::size_t start = 0; start < starts; ++start) {
            if (start == kEndWindows && starts > 2 * kEndWindows) start = starts - kEndWindows;
            bool valid = true;
            for (std::size_t j = 0; j < width; ++j) valid = valid && bytes[start + j] <= 3;
            KmerCode code = 0;
            FUZZ_CHECK(coded_mapping::codedKey(bytes + start, k, code) == valid, "codedKey judged a window wrongly");
            if (valid) {
                FUZZ_CHECK(code == kmerCode(bytes + start, k, codeOfCode), "codedKey and kmerCode differ");
                FUZZ_CHECK(k == 16 || code < (KmerCode{1} << (2 * k)), "a key beyond its 2k bits");
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzz::scratchPath("reads.txt");
    static const std::string edgePath = [] {
        const std::string p = fuzz::scratchPath("edge_reads.txt");
        writeFixedFiller(p);
        return p;
    }();

    const std::uint8_t options = fuzz::takeByte(data, size);
    const std::uint8_t gapByte = fuzz::takeByte(data, size);
    const bool coded = options & 1;
    const bool oneByOne = options & 2;
    static constexpr std::size_t kBatchSizes[] = {1, 3, 64, kBatchLines};
    const std::size_t batchLines = kBatchSizes[(options >> 2) & 3];
    const bool atEdge = options & 16;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    std::vector<std::size_t> fillerLengths;
    std::string file = path;
    if (atEdge) {
        file = edgePath;
        const std::string tail = fillerTail(std::size_t{gapByte} * 32, fillerLengths) + std::string(text);
        fuzz::writeFileTail(file, kFixedFiller, tail.data(), tail.size());
    } else {
        fuzz::writeFileBytes(file, text);
    }
    const ExpectedReads expected = expectedLines(text);

    RecordingConsole console;
    RunContext context(console.console());
    auto reads = ReadsFile::open(file);
    FUZZ_CHECK(bool(reads), "the reads file was refused: " + (reads ? std::string() : reads.failure().message));

    const std::size_t fillerLines = fillerLengths.size();
    std::size_t lineNumber = 0;  // lines handed out, filler included
    const auto take = [&](std::string_view line) {
        ++lineNumber;
        if (lineNumber <= fillerLines) {
            FUZZ_CHECK(line.size() == fillerLengths[lineNumber - 1],
                       "filler line " + std::to_string(lineNumber) + " came out as " + std::to_string(line.size()) +
                           " bytes");
            return;
        }
        const std::size_t i = lineNumber - fillerLines - 1;
        FUZZ_CHECK(i < expected.lines.size(), "a line more than the file holds");
        FUZZ_CHECK(line == expected.lines[i], "line " + std::to_string(i + 1) + " differs from the file's");
        if (coded)
            convertCodes(line);
        else
            convertLetters(line);
    };
    if (oneByOne) {
        std::size_t length = 0;
        while (reads->next(context.buff.line, length)) take(std::string_view(context.buff.line.data(), length));
    } else {
        scanBatches<int>(
            *reads, 1,
            [&](ReadBatch& batch, int&) {
                FUZZ_CHECK(batch.size() >= 1 && batch.size() <= batchLines, "a batch of " + std::to_string(batch.size()));
                FUZZ_CHECK(batch.firstLine() == static_cast<std::int64_t>(lineNumber) + 1, "a batch starts at the wrong line");
                for (std::size_t i = 0; i < batch.size(); ++i) take(std::string_view(batch.line(i), batch.length(i)));
            },
            [](ReadBatch&, int&) { return true; }, batchLines);
    }

    FUZZ_CHECK(lineNumber == fillerLines + expected.lines.size(),
               std::to_string(lineNumber - fillerLines) + " lines read of " + std::to_string(expected.lines.size()));
    FUZZ_CHECK(reads->inputCount() == static_cast<std::int64_t>(lineNumber), "the input count differs from the lines");
    FUZZ_CHECK(reads->stoppedAtLongLine() == expected.longLine, "the stop at a long line was missed");
    FUZZ_CHECK(!reads->stoppedAtReadError(), "a read error on a readable file");
    FUZZ_CHECK(reads->reportEnd(console.console()) == !expected.longLine, "reportEnd judged the end wrongly");
    if (expected.longLine) {
        const std::string said = "\nline " + std::to_string(lineNumber + 1) + " of " + file + " is longer than 5119";
        FUZZ_CHECK(console.text().starts_with(said), "the long line was reported as " + console.text());
    }
    return 0;
}
