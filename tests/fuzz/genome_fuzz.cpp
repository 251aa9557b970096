// The genome loader, letter and coded form, with margins.
//
// Input: three option bytes, then the bytes of a genome file.
//   byte 0, bit 0     strands in letter form instead of code form
//           bits 1-2  the check: letter file (kind A, kind B) or coded file
//           bit 3     the lower strand too
//   byte 1, byte 2    back and front margin: 0 to 191 bytes, or 256 to
//                     16384 in steps of 256 (margins longer than the genome
//                     repeat it)
// A genome is refused exactly when it is empty or holds a byte that is not a
// base of its kind, with the message of its check naming the first such
// byte. A loaded genome must hold the file's bases in the asked form at
// positions 1..L, repeat them cyclically through both margins, and carry the
// reverse complement on its lower strand.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/console.h"
#include "core/genome.h"
#include "core/nucleotide.h"
#include "support/fuzz_support.h"

namespace {

using namespace ruz;

// Genomes and margins stay small: the loader allocates by the file's size.
constexpr std::size_t kLongestGenome = std::size_t{1} << 16;

std::int32_t marginOf(std::uint8_t b) { return b < 192 ? b : (b - 191) * 256; }

// The base code of byte `b` of a file of the given check, or kNotNucleotide.
std::uint8_t codeOfByte(GenomeCheck check, std::uint8_t b) {
    if (check == GenomeCheck::Coded) return b <= 3 ? b : kNotNucleotide;
    return nucleotideCode[b];
}

std::string expectedMessage(GenomeCheck check, std::size_t i, std::uint8_t b) {
    // i counts from 1; the letter checks show it one higher, as they always have.
    switch (check) {
    case GenomeCheck::KindA:
        return "\ngenome: position = " + std::to_string(i + 1) + "non{ACGT) symbol = ";
    case GenomeCheck::KindB:
        return "\ngenome: in seq position = " + std::to_string(i + 1) + " is non{ACGT)-symbol = ";
    case GenomeCheck::Coded:
        return "\ngenome: position = " + std::to_string(i) + " non-code byte = " + std::to_string(b);
    }
    return {};
}

// Index j of a strand holds position ((j - 1) mod L) + 1.
std::int64_t positionOf(std::int64_t j, std::int64_t length) { return ((j - 1) % length + length) % length + 1; }

void checkStrand(const Strand& strand, const std::string& bases, std::int32_t front, std::int32_t back,
                 const char* which) {
    const auto length = static_cast<std::int64_t>(bases.size());
    FUZZ_CHECK(strand.length() == length, std::string(which) + ": length " + std::to_string(strand.length()));
    FUZZ_CHECK(strand.frontMargin() == front && strand.backMargin() == back, std::string(which) + ": margins");
    const std::int64_t first = front > 0 ? -(front - 1) : 1;
    for (std::int64_t j = first; j <= length + back; ++j) {
        const char want = bases[static_cast<std::size_t>(positionOf(j, length) - 1)];
        FUZZ_CHECK(strand[j] == static_cast<std::uint8_t>(want),
                   std::string(which) + ": index " + std::to_string(j) + " holds " + std::to_string(strand[j]));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzz::scratchPath("genome.bin");
    const std::uint8_t options = fuzz::takeByte(data, size);
    const std::int32_t back = marginOf(fuzz::takeByte(data, size));
    const std::int32_t front = marginOf(fuzz::takeByte(data, size));
    if (size > kLongestGenome) return -1;  // not added to the corpus

    static constexpr GenomeCheck kChecks[] = {GenomeCheck::KindA, GenomeCheck::KindB, GenomeCheck::Coded,
                                              GenomeCheck::KindA};
    GenomeLoadOptions load;
    load.form = options & 1 ? GenomeForm::Letter : GenomeForm::Code;
    load.check = kChecks[(options >> 1) & 3];
    load.lowerStrand = options & 8;
    load.backMargin = back;
    load.frontMargin = front;
    fuzz::writeFileBytes(path, data, size);

    const auto genome = loadGenome(path, load);
    // What the console would say: the failure's message, printed once.
    RecordingConsole console;
    if (!genome) console.console().report(genome.failure());
    if (size == 0) {
        FUZZ_CHECK(!genome && console.text() == "\ngenome: empty file " + path, "an empty genome: " + console.text());
        return 0;
    }
    // The strands as they must come out: letters or codes, upper and lower.
    std::string upper(size, '\0'), lower(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t code = codeOfByte(load.check, data[i]);
        if (code == kNotNucleotide) {
            FUZZ_CHECK(!genome, "byte " + std::to_string(i + 1) + " is no base but the genome was taken");
            const std::string said = expectedMessage(load.check, i + 1, data[i]);
            FUZZ_CHECK(console.text().starts_with(said), "the bad byte was reported as " + console.text());
            FUZZ_CHECK(console.keyWaits() == 1, "the bad byte was not reported once");
            return 0;
        }
        const auto pair = static_cast<std::uint8_t>(3 - code);
        const bool letters = load.form == GenomeForm::Letter;
        upper[i] = letters ? "ACGT"[code] : static_cast<char>(code);
        lower[size - 1 - i] = letters ? "ACGT"[pair] : static_cast<char>(pair);
    }
    FUZZ_CHECK(bool(genome), "a genome of bases only was refused: " + console.text());
    FUZZ_CHECK(console.text().empty(), "loading a good genome printed " + console.text());
    FUZZ_CHECK(genome->length == static_cast<std::int32_t>(size), "the genome length is not the file size");
    checkStrand(genome->upper, upper, front, back, "upper strand");
    if (load.lowerStrand) checkStrand(genome->lower, lower, front, back, "lower strand");
    return 0;
}
