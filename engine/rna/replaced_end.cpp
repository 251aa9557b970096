#include "replaced_end.h"

#include <algorithm>

#include "core/files.h"
#include "core/params.h"

namespace ruz::replaced_end {

namespace {

// The index keys are 12 letters long; a tip code holds 16 bases in 32 bits.
constexpr std::int32_t kKeyLength = 12;
constexpr std::int32_t kLongestRead = static_cast<std::int32_t>(kLineLimit) - 1;

}  // namespace

Outcome<Sizes> convertSizes(Console& console, const SizeTexts& texts) {
    const auto mutTipSz = readNumber(console, kMutTipSz, texts.mutTipSz);
    if (!mutTipSz) return mutTipSz.failure();
    const auto immutSz = readNumber(console, kImmutSz, texts.immutSz);
    if (!immutSz) return immutSz.failure();
    const auto misNu = readNumber(console, kMisNu, texts.misNu);
    if (!misNu) return misNu.failure();

    const std::int64_t readSize = std::int64_t{*immutSz} + *mutTipSz;
    // The sum is explained by its parts when one of them was not typed as
    // the plain number read.
    const std::string parts =
        (texts.immutSz == std::to_string(*immutSz) && texts.mutTipSz == std::to_string(*mutTipSz))
            ? std::string()
            : " (" + shownNumber("immutSz", texts.immutSz, *immutSz) + ", " +
                  shownNumber("mutTipSz", texts.mutTipSz, *mutTipSz) + ")";
    if (readSize < kKeyLength)
        return failure("\nread size immutSz + mutTipSz = ", readSize, " is below ", kKeyLength,
                       ", the length of the genome keys", parts);
    if (readSize > kLongestRead)
        return failure("\nread size immutSz + mutTipSz = ", readSize, " is above ", kLongestRead,
                       ", the longest line a reads file may hold", parts);
    return Sizes{*immutSz, *mutTipSz, *misNu};
}

std::string replaceDots(std::string text) {
    std::replace(text.begin(), text.end(), '.', '_');
    return text;
}

std::string resultStem(const std::string& prefix, const std::string& name, const SizeTexts& texts) {
    return prefix + name + "_" + texts.immutSz + "!" + texts.mutTipSz + "!" + texts.misNu + "!";
}

// ---------------------------------------------------------------------------
// Genome and index

Outcome<std::unique_ptr<IndexedGenome>> loadIndexedGenome(const std::string& path, std::int32_t margin,
                                                          int threads) {
    GenomeLoadOptions options;
    options.form = GenomeForm::Letter;
    options.check = GenomeCheck::KindB;
    options.backMargin = std::max(margin, kKeyLength - 1);
    options.lowerStrand = true;
    auto genome = loadGenome(path, options);
    if (!genome) return genome.failure();
    auto indexed = std::make_unique<IndexedGenome>();
    indexed->genome = std::move(*genome);
    auto index = build12StrandPair(indexed->genome, threads);
    if (!index) return index.failure();
    indexed->index = std::move(*index);
    return indexed;
}

// ---------------------------------------------------------------------------
// Files of a run

Outcome<RunFiles> RunFiles::create(const std::string& prefix, const std::string& stem,
                                   std::vector<std::string> inputs, bool tracks) {
    const std::string table = stem + ".txt";
    auto upper = RecordSpill<SiteRecord>::create(prefix + "Rna_fiUp", table);
    if (!upper) return upper.failure();
    auto lower = RecordSpill<SiteRecord>::create(prefix + "Rna_fiLw", table);
    if (!lower) return lower.failure();
    RunFiles files{std::move(*upper), std::move(*lower), ResultSet(std::move(inputs)), nullptr, nullptr, nullptr, nullptr, nullptr, {}};
    auto tableFile = files.results.create(table);
    if (!tableFile) return tableFile.failure();
    files.table = *tableFile;
    auto logFile = files.results.create(stem + "Log.txt");
    if (!logFile) return logFile.failure();
    files.log = *logFile;
    files.stemName = stem.substr(directoryOf(stem).size());
    if (tracks) {
        const auto create = [&](std::string_view suffix, ResultFile*& file) -> Outcome<void> {
            auto created = files.results.create(stem + std::string(suffix));
            if (!created) return created.failure();
            file = *created;
            return {};
        };
        if (auto made = create(".bed", files.sites); !made) return made.failure();
        if (auto made = create("EntropyUp.bedGraph", files.entropyUp); !made) return made.failure();
        if (auto made = create("EntropyLw.bedGraph", files.entropyLw); !made) return made.failure();
    }
    return files;
}

}  // namespace ruz::replaced_end
