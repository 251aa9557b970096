#include "sequence_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

// The record parser of htslib: header-only, reading through the function
// handed to KSEQ_INIT below.
#include <htslib/kseq.h>

#include "byte_source.h"
#include "core/files.h"
#include "prep_common.h"

namespace ruz::prep {

namespace {

// The input buffer of the file's bytes; large reads keep the decompression
// in big steps. The fuzz build makes it small, so that its short inputs
// cross the buffer's refills too.
#ifdef RUZ_SMALL_READ_BUFFERS
constexpr std::size_t kInputBuffer = std::size_t{1} << 12;
#else
constexpr std::size_t kInputBuffer = std::size_t{1} << 18;
#endif

// Where the parser's bytes come from. A read error or a compressed stream
// that ends early reads as the end of the data, so that the parser stops at
// once; the source remembers it and the reader says what happened.
int readSource(ByteSource* source, void* buffer, int size) {
    if (size <= 0) return 0;
    return static_cast<int>(source->read(static_cast<char*>(buffer), static_cast<std::size_t>(size)));
}

KSEQ_INIT(ByteSource*, readSource)

}  // namespace

struct SequenceReader::Parser {
    ByteSource source;
    kseq_t* seq = nullptr;
    // The last FASTA record ended with the file: nothing follows.
    bool atEnd = false;

    explicit Parser(FilePtr file) : source(std::move(file), kInputBuffer) {}
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;
    ~Parser() {
        if (seq) kseq_destroy(seq);
    }
};

Outcome<std::unique_ptr<SequenceReader>> SequenceReader::open(const std::string& path) {
    // The stream opener refuses what is not a regular file, with the
    // engine's message for files that cannot be opened.
    auto file = openStream(path);
    if (!file) return file.failure();
    auto parser = std::make_unique<Parser>(std::move(*file));
    parser->seq = kseq_init(&parser->source);
    if (!parser->seq || !parser->seq->f || !parser->seq->f->buf) throw std::bad_alloc();
    return std::unique_ptr<SequenceReader>(new SequenceReader(path, std::move(parser)));
}

SequenceReader::SequenceReader(std::string path, std::unique_ptr<Parser> parser)
    : path_(std::move(path)), parser_(std::move(parser)) {}

SequenceReader::~SequenceReader() = default;

std::string_view SequenceReader::name() const {
    const kstring_t& name = parser_->seq->name;
    return name.s ? std::string_view(name.s, name.l) : std::string_view();
}

std::span<char> SequenceReader::sequence() { return {parser_->seq->seq.s, sequenceLength_}; }

Outcome<void> SequenceReader::reportEnd() const {
    if (status_ != Status::Failed) return {};
    return failure(problem_);
}

SequenceReader::Status SequenceReader::next() {
    if (status_ != Status::Record) return status_;
    status_ = readRecord();
    if (status_ == Status::Record) ++records_;
    return status_;
}

// The message names the file, the record being read (its number and, once
// its header has been read, its name) and what is wrong.
SequenceReader::Status SequenceReader::fail(std::string detail, bool namesRecord) {
    problem_ = "\n" + path_ + ", record " + std::to_string(records_ + 1);
    if (namesRecord && !name().empty()) problem_.append(" (").append(name()).append(")");
    problem_.append(": ").append(detail);
    return Status::Failed;
}

SequenceReader::Status SequenceReader::readRecord() {
    const ByteSource& source = parser_->source;
    kseq_t* seq = parser_->seq;
    if (parser_->atEnd) return Status::End;

    // At the start and after a FASTQ record the parser stands at a line
    // start with no header read yet. The parser itself would pass over any
    // text up to the next '>' or '@'; that text would be lost silently, so
    // the header is looked for here and anything else is refused.
    if (seq->last_char == 0) {
        int c = 0;
        while ((c = ks_getc(seq->f)) == '\n' || c == '\r') {
        }
        if (source.failed()) {
            problem_ = "\ni can't read " + path_ + ": " + source.error() +
                       (records_ == 0 ? std::string(" (at the start of the file)")
                                      : " (after record " + std::to_string(records_) + ")");
            return Status::Failed;
        }
        if (c == -1) {
            if (records_ > 0) return Status::End;
            problem_ = "\n" + path_ + ": no FASTA or FASTQ record (empty file)";
            return Status::Failed;
        }
        if (c != '>' && c != '@') {
            return fail(records_ == 0
                            ? "the file begins with " + shownSymbol(static_cast<unsigned char>(c)) +
                                  ", not with a header ('>' for FASTA, '@' for FASTQ)"
                            : "a line begins with " + shownSymbol(static_cast<unsigned char>(c)) +
                                  " where the next header belongs",
                        false);
        }
        seq->last_char = c;
    }

    const int headerChar = seq->last_char;
    const int result = kseq_read(seq);
    if (source.failed()) {
        problem_ = "\ni can't read " + path_ + ": " + source.error() + " (in record " +
                   std::to_string(records_ + 1) + ")";
        return Status::Failed;
    }
    constexpr auto kLongest = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
    if (seq->seq.l > kLongest) return fail("longer than 2147483647 bases", true);
    if (result == -1) return fail("the file ends in the header", true);
    if (result == -2) {
        // The parser reads quality lines until they hold as many characters
        // as the sequence has bases, so a count of them would mislead.
        return fail("the quality's length differs from the sequence's (" +
                        std::to_string(seq->seq.l) + " bases)",
                    true);
    }
    if (result < 0) return fail("longer than 2147483647 bases", true);

    // A FASTQ record ends after its quality with no header read; a FASTA
    // record at the next header or at the end of the file.
    const bool hadQuality = seq->last_char == 0;
    if (!hadQuality && ks_eof(seq->f)) parser_->atEnd = true;
    return checkRecord(headerChar, hadQuality);
}

SequenceReader::Status SequenceReader::checkRecord(int headerChar, bool hadQuality) {
    if (format_ == SequenceFormat::Unknown)
        format_ = headerChar == '@' ? SequenceFormat::Fastq : SequenceFormat::Fasta;
    if (format_ == SequenceFormat::Fastq) {
        if (headerChar != '@') return fail("a FASTA header ('>') in a FASTQ file", true);
        if (!hadQuality) return fail("no '+' line after the sequence", true);
    } else {
        if (headerChar != '>') return fail("a FASTQ header ('@') in a FASTA file", true);
        if (hadQuality) return fail("a '+' line in a FASTA record", true);
    }

    kstring_t& bases = parser_->seq->seq;
    std::size_t length = bases.l;
    if (length > 0 && std::memchr(bases.s, '\r', length)) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < length; ++i)
            if (bases.s[i] != '\r') bases.s[kept++] = bases.s[i];
        length = kept;
    }
    sequenceLength_ = length;
    return Status::Record;
}

}  // namespace ruz::prep
