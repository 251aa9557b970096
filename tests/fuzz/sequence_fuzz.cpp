// The FASTA/FASTQ(.gz) readers of the preparation functions.
//
// Input: two option bytes, then the bytes of a FASTA or FASTQ file.
//   byte 0, bit 0     the bytes are gzip-compressed here first; the
//                     compressed file must give what the plain one gives
//           bit 1     with bit 0: the compressed stream is cut short (at
//                     byte 1 / 256 of its length), which must end the
//                     reading as a read error after a prefix of the records
//           bits 2-3  who reads the file: the record reader alone (0, 3),
//                     fPrepReads (1) or fPrepGenome (2), each run whole on
//                     one of two parameter files (byte 1, bit 0)
// The reader's records must hold no line ends and the reading must end as
// the status says; a file read to its end is written back in its own
// format and must give the same records again. A preparation run that
// succeeds must write files of bases or codes only, one that fails must
// leave no result file.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/console.h"
#include "core/context.h"
#include "core/nucleotide.h"
#include "analyses.h"
#include "core/entry.h"
#include "prep/prep_common.h"
#include "prep/sequence_reader.h"
#include "prep/gzip_bytes.h"
#include "support/fuzz_support.h"

namespace {

using namespace ruz;
using prep::SequenceFormat;
using prep::SequenceReader;

constexpr std::size_t kLongestInput = std::size_t{1} << 20;

struct Record {
    std::string name;
    std::string sequence;
    bool operator==(const Record&) const = default;
};

struct Reading {
    std::vector<Record> records;
    SequenceReader::Status end = SequenceReader::Status::End;
    SequenceFormat format = SequenceFormat::Unknown;
    std::string problem;
};


// Reads every record of the file, checking what each status promises.
Reading readAll(const std::string& path) {
    auto opened = SequenceReader::open(path);
    FUZZ_CHECK(bool(opened), "an existing file was refused: " + (opened ? std::string() : opened.failure().message));
    auto& reader = *opened;
    Reading r;
    for (;;) {
        const auto status = reader->next();
        if (status != SequenceReader::Status::Record) {
            r.end = status;
            break;
        }
        const auto seq = reader->sequence();
        Record record{std::string(reader->name()), std::string(seq.data(), seq.size())};
        FUZZ_CHECK(record.sequence.find_first_of("\r\n") == std::string::npos, "a line end inside a sequence");
        FUZZ_CHECK(record.name.find_first_of("\r\n") == std::string::npos, "a line end inside a name");
        r.records.push_back(std::move(record));
        FUZZ_CHECK(reader->recordCount() == static_cast<std::int64_t>(r.records.size()), "the record count lags");
    }
    FUZZ_CHECK(reader->next() == r.end, "the end of the reading did not repeat");
    r.format = reader->format();
    r.problem = reader->problem();
    if (r.end == SequenceReader::Status::Failed) {
        FUZZ_CHECK(r.problem.starts_with("\n") && r.problem.find(path) != std::string::npos,
                   "a failure without the file's name: " + r.problem);
        const auto end = reader->reportEnd();
        FUZZ_CHECK(!end && end.failure().message == r.problem, "reportEnd did not give the problem");
    } else {
        FUZZ_CHECK(r.problem.empty() && reader->reportEnd(), "a problem after a whole reading");
        FUZZ_CHECK(!r.records.empty(), "a file without records was read to its end");
    }
    return r;
}

// The records written back in the format they came in.
std::string writtenBack(const Reading& r) {
    std::string text;
    for (const Record& record : r.records) {
        if (r.format == SequenceFormat::Fastq)
            text += "@" + record.name + "\n" + record.sequence + "\n+\n" + std::string(record.sequence.size(), 'I') + "\n";
        else
            text += ">" + record.name + "\n" + record.sequence + "\n";
    }
    return text;
}

bool writeBackIsMeaningful(const Reading& r) {
    // A name is the header up to its first blank: names and sequences that
    // hold what a header or a line start means cannot be written back as is.
    for (const Record& record : r.records) {
        if (record.name.find_first_of(" \t\v\f") != std::string::npos) return false;
        if (!record.sequence.empty() && std::string_view(">@+").find(record.sequence[0]) != std::string_view::npos)
            return false;
        if (r.format == SequenceFormat::Fasta && record.sequence.empty() && &record != &r.records.back())
            return false;
    }
    return true;
}

void checkReading(const std::string& path, std::string_view bytes, std::uint8_t options, std::uint8_t cutByte) {
    // Bytes that are a gzip stream already are read through it: packing
    // them again would hand the reader the stream itself.
    const bool compress = (options & 1) && !bytes.starts_with("\x1f\x8b");
    const bool cut = options & 2;
    fuzz::writeFileBytes(path, bytes);
    const Reading plain = readAll(path);
    if (!compress) {
        if (plain.end == SequenceReader::Status::End && writeBackIsMeaningful(plain)) {
            fuzz::writeFileBytes(path, writtenBack(plain));
            const Reading again = readAll(path);
            FUZZ_CHECK(again.end == SequenceReader::Status::End && again.records == plain.records,
                       "the records written back read otherwise" + again.problem);
        }
        return;
    }
    std::string packed = test::gzipped(std::string(bytes));
    if (cut) packed.resize(packed.size() * cutByte / 256);
    fuzz::writeFileBytes(path, packed);
    const Reading unpacked = readAll(path);
    if (!cut) {
        FUZZ_CHECK(unpacked.records == plain.records && unpacked.end == plain.end &&
                       unpacked.problem == plain.problem,
                   "the gzip file reads otherwise than the plain one: " + unpacked.problem + " / " + plain.problem);
        return;
    }
    FUZZ_CHECK(unpacked.end == SequenceReader::Status::Failed, "a gzip file cut short was read to an end");
    FUZZ_CHECK(unpacked.records.size() <= plain.records.size(), "a cut file gave more records");
    for (std::size_t i = 0; i < unpacked.records.size(); ++i)
        FUZZ_CHECK(unpacked.records[i] == plain.records[i], "a cut file gave another record " + std::to_string(i + 1));
}

// ---------------------------------------------------------------------------
// The preparation functions run whole.

std::string record(std::string_view name, std::string_view value) {
    return "c\nstr\n" + std::string(name) + "\n" + std::string(value) + "\n";
}

struct PrepRun {
    std::string parameterFile;
    std::vector<std::string> outputs;  // the result files it may write
};

// Parameter files written once: the function's two settings.
std::vector<PrepRun> prepRuns(const std::string& input, bool reads) {
    const std::string dir = fuzz::scratchPath(reads ? "prepReads" : "prepGenome");
    std::filesystem::create_directories(dir);
    std::vector<PrepRun> runs;
    for (int variant = 0; variant < 2; ++variant) {
        std::string text;
        PrepRun run;
        if (reads) {
            text = record("pthFastq", input) + record("diRes", dir) + record("outName", "blank") +
                   record("outForm", variant ? "letter" : "both") + record("rMinSz", variant ? "5" : "1") +
                   record("rMaxSz", variant ? "60" : "5119") + record("trimHeadSz", variant ? "2" : "0") +
                   record("trimTailSz", variant ? "3" : "0") + record("readsWithN", variant ? "keep" : "drop");
            run.outputs = {dir + "/seq.txt", dir + "/seq.bin", dir + "/seq_PrepLog.txt"};
        } else {
            text = record("pthFasta", input) + record("seqName", variant ? "chr1" : "blank") +
                   record("diRes", dir) + record("outName", "blank") +
                   record("outForm", variant ? "letter" : "both") + record("nonAcgt", variant ? "T" : "refuse");
            run.outputs = variant ? std::vector<std::string>{dir + "/seq_chr1.txt"}
                                  : std::vector<std::string>{dir + "/seq.txt", dir + "/seq.bin"};
        }
        run.parameterFile = dir + "/params" + std::to_string(variant) + ".txt";
        fuzz::writeFileBytes(run.parameterFile, text);
        runs.push_back(run);
    }
    return runs;
}

std::string contentOf(const std::string& path) {
    std::string bytes;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), std::fclose);
    FUZZ_CHECK(f != nullptr, "a result file is missing: " + path);
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, f.get())) > 0) bytes.append(chunk, got);
    return bytes;
}

bool allOf(std::string_view bytes, std::string_view allowed) {
    return bytes.find_first_not_of(allowed) == std::string_view::npos;
}

void runPrep(const std::string& input, std::string_view bytes, bool reads, int variant) {
    static const std::vector<PrepRun> readsRuns = prepRuns(input, true);
    static const std::vector<PrepRun> genomeRuns = prepRuns(input, false);
    const PrepRun& run = (reads ? readsRuns : genomeRuns)[static_cast<std::size_t>(variant)];
    for (const std::string& out : run.outputs) std::filesystem::remove(out);
    fuzz::writeFileBytes(input, bytes);

    RecordingConsole console;
    RunContext context(console.console());
    const bool ok = runNamedAnalysis(context, analysisTable(), reads ? "fPrepReads" : "fPrepGenome", run.parameterFile);
    if (!ok) {
        for (const std::string& out : run.outputs)
            FUZZ_CHECK(!std::filesystem::exists(out), "a failed run left the result " + out + ": " + console.text());
        return;
    }
    static const std::string codes("\0\1\2\3", 4);
    if (reads) {
        const std::string letters = contentOf(run.outputs[0]);
        // Kept reads may hold any symbol, but never a line end of their own.
        FUZZ_CHECK(variant ? letters.find('\r') == std::string::npos : allOf(letters, "ACGT\n"),
                   "the letter reads hold other bytes");
        if (!variant) {
            const std::string coded = contentOf(run.outputs[1]);
            FUZZ_CHECK(allOf(coded, codes + "\n"), "the coded reads hold other bytes");
            FUZZ_CHECK(coded.size() == letters.size(), "the coded reads differ in length from the letter reads");
            for (std::size_t i = 0; i < coded.size(); ++i)
                FUZZ_CHECK(letters[i] == (coded[i] == '\n' ? '\n' : "ACGT"[static_cast<int>(coded[i])]),
                           "a coded base differs from its letter");
        }
        contentOf(run.outputs[2]);
    } else {
        const std::string letters = contentOf(run.outputs[0]);
        FUZZ_CHECK(!letters.empty() && allOf(letters, "ACGT"), "the letter genome holds other bytes");
        if (!variant) {
            const std::string coded = contentOf(run.outputs[1]);
            FUZZ_CHECK(coded.size() == letters.size() && allOf(coded, codes), "the coded genome differs");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzz::scratchPath("seq.fq");
    const std::uint8_t options = fuzz::takeByte(data, size);
    const std::uint8_t extra = fuzz::takeByte(data, size);
    if (size > kLongestInput) return -1;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    switch ((options >> 2) & 3) {
    case 1:
        runPrep(path, bytes, true, extra & 1);
        break;
    case 2:
        runPrep(path, bytes, false, extra & 1);
        break;
    default:
        checkReading(path, bytes, options, extra);
        break;
    }
    return 0;
}
