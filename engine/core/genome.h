// A genome in memory (`SqMem`) and the loading of genome files.
//
// A strand holds one byte per base, indexed from 1 to L like genome
// positions; index 0 is not a position. Around the bases lie circular
// margins, so that windows running past either end need no wrap-around
// arithmetic:
//   back margin of M bytes:  index L+k holds index k,   k = 1..M
//   front margin of F bytes: index -k  holds index L-k, k = 0..F-1
// Both are filled in increasing k, so a margin longer than the genome
// repeats it cyclically. Bytes are codes 0..3 (code form) or uppercase
// letters A, C, G, T (letter form).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "outcome.h"

namespace ruz {

class Strand {
public:
    Strand() = default;
    Strand(std::int32_t length, std::int32_t frontMargin, std::int32_t backMargin);

    std::int32_t length() const { return length_; }
    std::int32_t frontMargin() const { return front_; }
    std::int32_t backMargin() const { return back_; }

    // Pointer to index 0; valid indices run from -(frontMargin-1) to
    // length+backMargin (index 0 always exists, plus one spare byte).
    std::uint8_t* origin() { return bytes_.get() + origin_; }
    const std::uint8_t* origin() const { return bytes_.get() + origin_; }
    std::uint8_t& operator[](std::int64_t i) { return origin()[i]; }
    std::uint8_t operator[](std::int64_t i) const { return origin()[i]; }

    void fillMargins();

private:
    std::unique_ptr<std::uint8_t[]> bytes_;
    std::int64_t origin_ = 0;
    std::int32_t length_ = 0;
    std::int32_t front_ = 0;
    std::int32_t back_ = 0;
};

enum class GenomeForm { Code, Letter };

// Which messages report a byte that is not a base.
enum class GenomeCheck {
    KindA,  // letter file: "\ngenome: position = " ... "non{ACGT) symbol = "
    KindB,  // letter file: "\ngenome: in seq position = " ... " is non{ACGT)-symbol = "
    Coded,  // coded file: a byte above 3 is refused with its 1-based position
};

struct GenomeLoadOptions {
    GenomeForm form = GenomeForm::Code;
    GenomeCheck check = GenomeCheck::KindA;
    std::int32_t backMargin = 0;
    std::int32_t frontMargin = 0;
    bool lowerStrand = false;
    // Printed when the strands cannot be allocated; the key wait follows
    // only when waitOnMemoryFailure is set.
    std::string memoryMessage = "\nno memory for SqMem";
    bool waitOnMemoryFailure = true;
};

struct Genome {
    std::int32_t length = 0;
    Strand upper;
    Strand lower;  // empty unless asked for; reverse complement, letter form
};

// Loads and checks a genome file; its length is the file's size. Empty
// files, files of 2 GiB or more and unreadable files are refused, as is the
// first byte that is not a base (the check's message). A memory failure
// waits for a key only where the options say so.
Outcome<Genome> loadGenome(const std::string& path, const GenomeLoadOptions& options);

}  // namespace ruz
