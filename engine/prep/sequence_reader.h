// FASTA and FASTQ files, plain or gzip-compressed, read record by record.
//
// The file's first header decides its kind: '>' FASTA, '@' FASTQ; every
// record must then be of that kind. A FASTA record is its header line and
// the sequence lines up to the next header (multi-line sequences are
// joined); a FASTQ record is its header, sequence lines, a '+' line and as
// many quality characters as the sequence has bases. Blank lines before a
// header are passed over, line ends may be LF or CR LF, and CRs left inside
// a sequence are removed: they are line ends, never bases. The record's name
// is the header's text up to the first blank.
//
// Everything else ends the reading with a message that names the file and
// the record: an empty file, a file that does not begin with a header, text
// between records, a FASTQ record without its '+' line or with a quality of
// another length, a record of the other kind, a file that ends inside a
// header, a sequence longer than 2^31 - 1 bases, and a file that cannot be
// read to its end (a truncated or damaged gzip file, a read error).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "core/console.h"

namespace ruz::prep {

enum class SequenceFormat { Unknown, Fasta, Fastq };

class SequenceReader {
public:
    // Opens the file; when it cannot be opened prints "\ni can't open\n" +
    // path (the stream opener's words), waits for a key and returns null.
    static Outcome<std::unique_ptr<SequenceReader>> open(const std::string& path);

    SequenceReader(const SequenceReader&) = delete;
    SequenceReader& operator=(const SequenceReader&) = delete;
    ~SequenceReader();

    enum class Status {
        Record,  // a whole record: name() and sequence() hold it
        End,     // the file ended after its last whole record
        Failed,  // malformed or unreadable: problem() says why
    };

    // Reads the next record; after End or Failed every call repeats it.
    Status next();

    // The record last read; valid until the next call. The sequence may be
    // changed in place (case, codes).
    std::string_view name() const;
    std::span<char> sequence();

    // Number of whole records read so far.
    std::int64_t recordCount() const { return records_; }
    SequenceFormat format() const { return format_; }
    const std::string& path() const { return path_; }

    // The message of a Failed reading, beginning with "\n".
    const std::string& problem() const { return problem_; }

    // After Failed: the problem as a failure.
    Outcome<void> reportEnd() const;

    struct Parser;  // the record parser over the decompressed stream

private:
    SequenceReader(std::string path, std::unique_ptr<Parser> parser);
    Status fail(std::string detail, bool namesRecord);
    Status readRecord();
    Status checkRecord(int headerChar, bool hadQuality);

    std::string path_;
    std::unique_ptr<Parser> parser_;
    SequenceFormat format_ = SequenceFormat::Unknown;
    std::int64_t records_ = 0;
    std::size_t sequenceLength_ = 0;
    Status status_ = Status::Record;
    std::string problem_;
};

}  // namespace ruz::prep
