// The weight tracks: bigWig through libBigWig where the engine was built
// with it, else a bedGraph of the same values.
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

#include "report_text.h"
#include "tracks.h"

#if defined(RUZ_HAVE_BIGWIG)
extern "C" {
#include <bigWig.h>
}
#endif

namespace ruz {

#if defined(RUZ_HAVE_BIGWIG)

namespace {

// Intervals handed to the library at once.
constexpr std::size_t kIntervalBlock = 1 << 16;
// Zoom levels of the file: what a browser shows of a whole genome.
constexpr std::int32_t kZoomLevels = 10;

void initialiseLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { bwInit(1 << 17); });
}

}  // namespace

struct WeightTrack::State {
    ResultFile* file = nullptr;
    std::string name;  // the sequence's name, which the intervals point at
    bigWigFile_t* bw = nullptr;
    bool added = false;  // a first block was written: later ones append
    bool failed = false;
    // Runs of one value over adjacent bases, waiting to be written.
    std::vector<std::uint32_t> starts, ends;
    std::vector<float> values;

    ~State() {
        if (bw) bwClose(bw);
    }

    void writeHeld() {
        if (starts.empty() || failed) return;
        const char* chrom = name.c_str();
        std::vector<const char*> chroms(added ? 0 : starts.size(), chrom);
        const auto n = static_cast<std::uint32_t>(starts.size());
        const int status = added ? bwAppendIntervals(bw, starts.data(), ends.data(), values.data(), n)
                                 : bwAddIntervals(bw, chroms.data(), starts.data(), ends.data(), values.data(), n);
        if (status != 0) failed = true;
        added = true;
        starts.clear();
        ends.clear();
        values.clear();
    }
};

std::string_view WeightTrack::extension() { return ".bw"; }

Outcome<WeightTrack> WeightTrack::open(ResultFile& file, const TrackSequence& sequence, std::string_view,
                                       std::string_view) {
    // The library opens its file by name: the result set's file is closed
    // empty and taken over under its temporary name.
    if (auto closed = file.close(); !closed) return closed.failure();
    initialiseLibrary();
    auto state = std::make_unique<State>();
    state->file = &file;
    state->name = sequence.name;
    state->bw = bwOpen(file.temporaryPath().c_str(), nullptr, "w");
    if (!state->bw) return failure("\ni can't write ", file.path());
    const char* chroms[] = {state->name.c_str()};
    const std::uint32_t lengths[] = {static_cast<std::uint32_t>(sequence.length)};
    if (bwCreateHdr(state->bw, kZoomLevels) != 0) return failure("\ni can't write ", file.path());
    state->bw->cl = bwCreateChromList(chroms, lengths, 1);
    if (!state->bw->cl || bwWriteHdr(state->bw) != 0) return failure("\ni can't write ", file.path());
    return WeightTrack(std::move(state));
}

void WeightTrack::add(std::int64_t start, double weight) {
    if (weight == 0.0) return;
    State& s = *state_;
    const auto value = static_cast<float>(weight);
    const auto at = static_cast<std::uint32_t>(start);
    if (!s.starts.empty() && s.ends.back() == at && s.values.back() == value) {
        ++s.ends.back();
        return;
    }
    if (s.starts.size() >= kIntervalBlock) s.writeHeld();
    s.starts.push_back(at);
    s.ends.push_back(at + 1);
    s.values.push_back(value);
}

Outcome<void> WeightTrack::finish() {
    State& s = *state_;
    s.writeHeld();
    bwClose(s.bw);
    s.bw = nullptr;
    // The library reports no error of its last writes: the file must read
    // back as a bigWig.
    if (s.failed || bwIsBigWig(s.file->temporaryPath().c_str(), nullptr) != 1)
        return failure("\ni can't write ", s.file->path());
    return {};
}

#else

struct WeightTrack::State {
    ResultFile* file = nullptr;
    TrackSequence sequence;
    std::optional<TrackText> text;
    std::optional<BedGraphRuns> runs;
};

std::string_view WeightTrack::extension() { return ".bedGraph"; }

Outcome<WeightTrack> WeightTrack::open(ResultFile& file, const TrackSequence& sequence, std::string_view name,
                                       std::string_view description) {
    auto state = std::make_unique<State>();
    state->file = &file;
    state->sequence = sequence;
    state->text.emplace(file.get(), state->sequence);
    state->text->line(trackHeader("bedGraph", name, description));
    state->runs.emplace(*state->text);
    return WeightTrack(std::move(state));
}

void WeightTrack::add(std::int64_t start, double weight) {
    if (weight == 0.0) return;
    char value[32];
    std::snprintf(value, sizeof value, "%.4f", weight);
    state_->runs->add(start, value);
}

Outcome<void> WeightTrack::finish() {
    state_->runs.reset();
    state_->text.reset();
    return {};
}

#endif

WeightTrack::WeightTrack(std::unique_ptr<State> state) : state_(std::move(state)) {}
WeightTrack::WeightTrack(WeightTrack&&) noexcept = default;
WeightTrack& WeightTrack::operator=(WeightTrack&&) noexcept = default;
WeightTrack::~WeightTrack() = default;

}  // namespace ruz
