#include "genome.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "files.h"
#include "nucleotide.h"
#include "platform.h"
#include "report_text.h"

namespace ruz {

Strand::Strand(std::int32_t length, std::int32_t frontMargin, std::int32_t backMargin)
    : length_(length), front_(frontMargin), back_(backMargin) {
    // Index 0 always exists, even without a front margin; one spare byte
    // follows the back margin.
    const std::int64_t lead = std::max<std::int64_t>(frontMargin, 1);
    const auto size = static_cast<std::size_t>(lead + length + backMargin + 1);
    bytes_ = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    // Searches compare reads at random places of the genome.
    platform::adviseHugePages(bytes_.get(), size);
    std::memset(bytes_.get(), 0, size);
    origin_ = lead - 1;
}

void Strand::fillMargins() {
    if (length_ <= 0) return;
    std::uint8_t* s = origin();
    // Increasing k: a margin longer than the genome copies copies, which
    // repeats the genome cyclically.
    for (std::int64_t k = 1; k <= back_; ++k) s[length_ + k] = s[k];
    for (std::int64_t k = 0; k < front_; ++k) s[-k] = s[length_ - k];
}

namespace {

constexpr char kLetterOfCode[4] = {'A', 'C', 'G', 'T'};

// The first byte that is not a base; `i` is its 1-based position.
Failure badByte(GenomeCheck check, std::int64_t i, std::uint8_t byte) {
    const std::string asRead = shownByte(byte);
    switch (check) {
    case GenomeCheck::KindA:
        return failure("\ngenome: position = ", i + 1, "non{ACGT) symbol = ", asRead);
    case GenomeCheck::KindB:
        return failure("\ngenome: in seq position = ", i + 1, " is non{ACGT)-symbol = ", asRead);
    case GenomeCheck::Coded:
        break;
    }
    return failure("\ngenome: position = ", i, " non-code byte = ", static_cast<int>(byte));
}

// Converts the bytes read into positions 1..L to the wanted form, filling
// the lower strand on the way. Stops at the first byte that is not a base.
Outcome<void> convertBases(Genome& genome, const GenomeLoadOptions& options) {
    const std::int32_t n = genome.length;
    std::uint8_t* up = genome.upper.origin();
    std::uint8_t* lw = options.lowerStrand ? genome.lower.origin() : nullptr;
    const bool codedFile = options.check == GenomeCheck::Coded;
    for (std::int64_t i = 1; i <= n; ++i) {
        const std::uint8_t byte = up[i];
        std::uint8_t code;
        if (codedFile) {
            code = byte <= 3 ? byte : kNotNucleotide;
        } else {
            code = nucleotideCode[static_cast<std::uint8_t>(upperCase(static_cast<char>(byte)))];
        }
        if (code == kNotNucleotide) return badByte(options.check, i, byte);
        const char letter = kLetterOfCode[code];
        up[i] = options.form == GenomeForm::Code ? code : static_cast<std::uint8_t>(letter);
        if (lw) {
            const char pair = complementLetter[static_cast<std::uint8_t>(letter)];
            lw[std::int64_t{n} + 1 - i] = options.form == GenomeForm::Code
                                ? nucleotideCode[static_cast<std::uint8_t>(pair)]
                                : static_cast<std::uint8_t>(pair);
        }
    }
    return {};
}

}  // namespace

Outcome<Genome> loadGenome(const std::string& path, const GenomeLoadOptions& options) {
    const std::int64_t size = fileSize(path);
    if (size < 0) return failure("\ni can't open ", path);
    if (size == 0) return failure("\ngenome: empty file ", path);
    if (size > std::numeric_limits<std::int32_t>::max())
        return failure("\ngenome: files of 2 GiB or more are not supported: ", path);

    Genome genome;
    genome.length = static_cast<std::int32_t>(size);
    try {
        genome.upper = Strand(genome.length, options.frontMargin, options.backMargin);
        if (options.lowerStrand)
            genome.lower = Strand(genome.length, options.frontMargin, options.backMargin);
    } catch (const std::bad_alloc&) {
        return Failure{options.memoryMessage, options.waitOnMemoryFailure};
    }

    auto file = openFile(path, "rb");
    if (!file) return file.failure();
    const std::size_t got =
        std::fread(genome.upper.origin() + 1, 1, static_cast<std::size_t>(size), file->get());
    if (got != static_cast<std::size_t>(size)) return failure("\ngenome: can't read ", path);
    file->reset();

    if (auto converted = convertBases(genome, options); !converted) return converted.failure();
    genome.upper.fillMargins();
    if (options.lowerStrand) genome.lower.fillMargins();
    return genome;
}

}  // namespace ruz
