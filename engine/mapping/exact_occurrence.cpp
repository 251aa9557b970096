#include "exact_occurrence.h"

#include <algorithm>

#include "core/read_codes.h"

namespace ruz::out_of_genome {

namespace {

bool searchable(const CodedRead& read) {
    return read.length >= kKeyBases && allCodes(read.bases, read.length);
}

// The look-up of every read's first 16 bases: read i starts at bases(i),
// and a read for which skip(i) holds is not looked up. The genome bytes the
// first place of each read will be compared with are fetched meanwhile.
template <typename Bases, typename Skip>
void lookUp(const KmerIndex& index, const std::uint8_t* origin, std::size_t n, Bases bases,
            Skip skip, std::vector<std::span<const std::int32_t>>& places) {
    constexpr int kKey = static_cast<int>(kKeyBases);
    for (std::size_t i = 0; i < n; ++i)
        places[i] = skip(i) ? std::span<const std::int32_t>()
                            : index.positions(kmerCode(bases(i), kKey, codeOfCode));
    for (std::size_t i = 0; i < n; ++i)
        if (!places[i].empty()) __builtin_prefetch(origin + places[i][0] + kKeyBases);
}

// True when the read lies whole at one of `places` (its first 16 bases
// already agree there).
bool liesAtOneOf(std::span<const std::int32_t> places, const std::uint8_t* origin,
                 const std::uint8_t* read, std::size_t n) {
    const std::size_t rest = n - kKeyBases;
    for (const std::int32_t p : places)
        if (forwardMatch(origin + p + kKeyBases, read + kKeyBases, rest) == rest) return true;
    return false;
}

}  // namespace

Outcome<std::unique_ptr<SearchGenome>> loadSearchGenome(const std::string& path, GenomeLoadOptions options,
                                                        std::int32_t rMaxSz, int threads) {
    // A read of the bounds runs at most length - 1 bases past its start; no
    // line holds more than kLineLimit - 1 bytes.
    const std::int32_t longestRead = std::min(rMaxSz, static_cast<std::int32_t>(kLineLimit - 1));
    options.backMargin = std::max(longestRead, static_cast<std::int32_t>(kKeyBases - 1));
    auto genome = loadGenome(path, options);
    if (!genome) return genome.failure();
    auto searchable = std::make_unique<SearchGenome>();
    searchable->genome = std::move(*genome);
    auto index = build16Chain(searchable->genome.upper, "\nno memory_16-Chain", threads);
    if (!index) return index.failure();
    searchable->index = std::move(*index);
    return searchable;
}

bool allCodes(const std::uint8_t* read, std::size_t n) {
    return std::all_of(read, read + n, [](std::uint8_t b) { return b <= 3; });
}

void findOccurrences(const SearchGenome& genome, std::span<const CodedRead> reads,
                     std::vector<char>& found, OccurrenceScratch& scratch) {
    const std::size_t n = reads.size();
    const KmerIndex& index = *genome.index;
    const std::uint8_t* origin = genome.genome.upper.origin();
    std::vector<std::span<const std::int32_t>>& places = scratch.places;
    found.assign(n, 0);
    places.resize(n);

    // Upper strand: the reads as they stand.
    lookUp(
        index, origin, n, [&](std::size_t i) { return reads[i].bases; },
        [&](std::size_t i) { return !searchable(reads[i]); }, places);
    for (std::size_t i = 0; i < n; ++i)
        if (!places[i].empty())
            found[i] = liesAtOneOf(places[i], origin, reads[i].bases, reads[i].length);

    // Lower strand: the reverse complements of the reads not found yet.
    std::size_t room = 0;
    for (const CodedRead& read : reads) room += read.length;
    scratch.complements.resize(room);
    std::vector<const std::uint8_t*>& complement = scratch.complementOf;
    complement.assign(n, nullptr);
    std::size_t at = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (found[i] || !searchable(reads[i])) continue;
        reverseComplementCodes(reads[i].bases, reads[i].length, scratch.complements.data() + at);
        complement[i] = scratch.complements.data() + at;
        at += reads[i].length;
    }
    lookUp(
        index, origin, n, [&](std::size_t i) { return complement[i]; },
        [&](std::size_t i) { return complement[i] == nullptr; }, places);
    for (std::size_t i = 0; i < n; ++i)
        if (!places[i].empty())
            found[i] = liesAtOneOf(places[i], origin, complement[i], reads[i].length);
}

Outcome<SiftFiles> createSiftFiles(Console& console, const std::string& outputPath, const std::string& logPath,
                                   std::vector<std::string> inputs, const std::string& fastaPath) {
    SiftFiles files{ResultSet(std::move(inputs))};
    auto output = files.results.create(outputPath);
    if (!output) return output.failure();
    files.output = *output;
    auto log = files.results.create(logPath);
    if (log) {
        files.log = *log;
    } else {
        console.report(log.failure());
    }
    if (!fastaPath.empty()) {
        auto fasta = files.results.create(fastaPath);
        if (!fasta) return fasta.failure();
        files.fasta = *fasta;
    }
    return files;
}

RunOutcome commitSift(SiftFiles& files, const std::string& logText, bool readToEnd) {
    if (files.log) std::fwrite(logText.data(), 1, logText.size(), files.log->get());
    if (auto committed = files.results.commit(); !committed) return committed.failure();
    return files.log && readToEnd ? RunEnd::Complete : RunEnd::Stopped;
}

std::string logPath(const std::string& resultDirectory, const std::string& readsPath,
                    const std::string& genomePath) {
    std::string path = resultDirectory;
    path.append(baseName(readsPath)).append("_Out").append(baseName(genomePath)).append("_Log.txt");
    return path;
}

std::string fastaPath(const std::string& resultDirectory, const std::string& readsPath,
                      const std::string& genomePath) {
    std::string path = resultDirectory;
    path.append(baseName(readsPath)).append("_Out").append(baseName(genomePath)).append(".fa");
    return path;
}

}  // namespace ruz::out_of_genome
