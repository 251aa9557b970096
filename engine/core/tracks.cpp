#include "tracks.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

#include "params.h"
#include "report_text.h"

namespace ruz {

namespace {

constexpr std::size_t kTrackBlock = std::size_t{1} << 20;

bool isBlankValue(std::string_view value) { return isBlankText(value) || value == "blank"; }

// The first line of a chrom.sizes file as name and length; nothing when the
// file is missing or its line is not "name<TAB>length".
std::optional<TrackSequence> readChromSizes(const std::string& path) {
    if (fileSize(path) < 0 || fileSize(path) > 1 << 16) return std::nullopt;
    auto file = openStream(path);
    if (!file) return std::nullopt;
    std::string bytes;
    if (!readAll(file->get(), bytes)) return std::nullopt;
    const std::size_t lineEnd = bytes.find('\n');
    std::string_view line(bytes.data(), lineEnd == std::string::npos ? bytes.size() : lineEnd);
    if (line.ends_with('\r')) line.remove_suffix(1);
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return std::nullopt;
    TrackSequence recorded{std::string(line.substr(0, tab)), 0};
    const std::string_view digits = line.substr(tab + 1);
    if (!isTrackName(recorded.name) || digits.empty() || digits.size() > 18) return std::nullopt;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        recorded.length = recorded.length * 10 + (c - '0');
    }
    return recorded;
}

// A text inside the quotes of a track line.
std::string quotable(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '"') c = '\'';
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
    }
    return out;
}

}  // namespace

std::string chromSizesPath(std::string_view genomePath) { return companionPath(genomePath, ".chrom.sizes"); }

std::string chromSizesLine(std::string_view name, std::int64_t length) {
    std::string line(name);
    line += '\t';
    appendNumber(line, length);
    line += '\n';
    return line;
}

bool isTrackName(std::string_view name) {
    if (name.empty()) return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= 0x20 || byte == 0x7f;
    });
}

Outcome<std::optional<TrackRequest>> trackRequest(const RunContext& context, const Parameters& parameters) {
    const std::string& value = parameters.text(kTracksParameter.name);
    bool wanted = context.tracks;
    if (value == "yes") {
        wanted = true;
    } else if (value != "no" && !isBlankValue(value)) {
        return failure("\nparameter tracks = \"", shownText(value), "\": write yes or no");
    }
    if (!wanted) return std::optional<TrackRequest>();
    TrackRequest request;
    const std::string& name = parameters.text(kSeqNameParameter.name);
    if (!isBlankValue(name)) {
        if (!isTrackName(name))
            return failure("\nparameter seqName = \"", shownText(name),
                           "\": a sequence name holds no blank or control character");
        request.seqName = name;
    }
    return std::optional<TrackRequest>(std::move(request));
}

TrackSequence trackSequence(Console& console, const TrackRequest& request, const std::string& genomePath,
                            std::int64_t genomeLength) {
    if (!request.seqName.empty()) return {request.seqName, genomeLength};
    const std::string recordedPath = chromSizesPath(genomePath);
    if (const auto recorded = readChromSizes(recordedPath)) {
        if (recorded->length == genomeLength) return {recorded->name, genomeLength};
        console.say("\ntracks: ", recordedPath, " gives ", recorded->length, " bases for ", recorded->name,
                    ", the genome holds ", genomeLength, "; the name is not taken");
    }
    std::string name = baseName(genomePath);
    if (!isTrackName(name)) name = "genome";
    console.say("\ntracks: the sequence is named ", name,
                " after the genome file; give seqName, or prepare the genome with fPrepGenome, to name it "
                "as its FASTA record");
    return {name, genomeLength};
}

std::string sizedReadsDescription(std::string_view analysis, const std::string& samplePath,
                                  const std::string& genomePath, std::int32_t rMinSz, std::int32_t rMaxSz) {
    std::string text(analysis);
    text.append(" ").append(baseName(samplePath)).append(" rMinSz=");
    appendNumber(text, rMinSz);
    text.append(" rMaxSz=");
    appendNumber(text, rMaxSz);
    text.append(" on ").append(baseName(genomePath));
    return text;
}

std::string trackHeader(std::string_view type, std::string_view name, std::string_view description,
                        std::string_view extra) {
    std::string line = "track ";
    if (!type.empty()) line.append("type=").append(type).append(" ");
    line.append("name=\"").append(quotable(name)).append("\" description=\"");
    line.append(quotable(description)).append("\"");
    if (!extra.empty()) line.append(" ").append(extra);
    line += '\n';
    return line;
}

CircularPieces circularPieces(std::int64_t start, std::int64_t length, std::int64_t genomeLength) {
    const std::int64_t L = genomeLength;
    const std::int64_t first = ((start % L) + L) % L;
    const std::int64_t n = std::clamp<std::int64_t>(length, 0, L);
    CircularPieces out;
    if (first + n <= L) {
        out.piece[0] = {first, first + n};
        out.count = 1;
    } else {
        out.piece[0] = {first, L};
        out.piece[1] = {0, first + n - L};
        out.count = 2;
    }
    return out;
}

int scaledScore(std::uint64_t count, std::uint64_t most) {
    if (most == 0) return 0;
    count = std::min(count, most);
    // Counts too large to be multiplied by 1000 lose their lowest bits
    // together, which leaves the ratio as it was to far below one score.
    while (count > std::numeric_limits<std::uint64_t>::max() / 1000) {
        count >>= 1;
        most >>= 1;
    }
    return static_cast<int>(count * 1000 / most);
}

void TrackText::flushWhenFull() {
    if (text_.size() >= kTrackBlock) flush();
}

void TrackText::flush() {
    if (!text_.empty()) std::fwrite(text_.data(), 1, text_.size(), file_);
    text_.clear();
}

void TrackText::line(std::string_view text) {
    text_.append(text);
    flushWhenFull();
}

void TrackText::interval(const Interval& at) {
    text_.append(sequence_.name);
    text_ += '\t';
    appendNumber(text_, at.start);
    text_ += '\t';
    appendNumber(text_, at.end);
}

void TrackText::feature(const Interval& at, std::string_view name, int score, char strand) {
    interval(at);
    text_ += '\t';
    text_.append(name);
    text_ += '\t';
    appendNumber(text_, score);
    text_ += '\t';
    text_ += strand;
}

void TrackText::bed6(const Interval& at, std::string_view name, int score, char strand) {
    feature(at, name, score, strand);
    text_ += '\n';
    flushWhenFull();
}

void TrackText::bed6(std::int64_t start, std::int64_t length, std::string_view name, int score, char strand) {
    const CircularPieces pieces = circularPieces(start, length, sequence_.length);
    for (const Interval& piece : pieces.pieces()) bed6(piece, name, score, strand);
}

void Bed6Lines::add(std::int64_t start, std::int64_t length, const std::string& name, int score, char strand) {
    const CircularPieces pieces = circularPieces(start, length, length_);
    for (const Interval& piece : pieces.pieces()) lines_.push_back({piece, name, score, strand});
}

void Bed6Lines::write(TrackText& out) {
    std::stable_sort(lines_.begin(), lines_.end(), [](const Line& a, const Line& b) {
        return a.at.start != b.at.start ? a.at.start < b.at.start : a.at.end < b.at.end;
    });
    for (const Line& l : lines_) out.bed6(l.at, l.name, l.score, l.strand);
    lines_.clear();
}

std::vector<Interval> blocksOf(std::span<const Stretch> stretches, std::int64_t genomeLength) {
    std::vector<Interval> blocks;
    for (const Stretch& s : stretches) {
        const CircularPieces pieces = circularPieces(s.start, s.length, genomeLength);
        for (const Interval& piece : pieces.pieces()) blocks.push_back(piece);
    }
    std::sort(blocks.begin(), blocks.end(), [](const Interval& a, const Interval& b) { return a.start < b.start; });
    return blocks;
}

void TrackText::bed12(std::span<const Stretch> stretches, std::string_view name, int score, char strand) {
    const std::vector<Interval> blocks = blocksOf(stretches, sequence_.length);
    bed12(std::span<const Interval>(blocks), name, score, strand);
}

void TrackText::bed12(std::span<const Interval> blocks, std::string_view name, int score, char strand) {
    if (blocks.empty()) return;
    const Interval span{blocks.front().start, blocks.back().end};
    feature(span, name, score, strand);
    text_ += '\t';
    appendNumber(text_, span.start);
    text_ += '\t';
    appendNumber(text_, span.end);
    text_.append("\t0\t");
    appendNumber(text_, static_cast<std::int64_t>(blocks.size()));
    text_ += '\t';
    for (const Interval& b : blocks) {
        appendNumber(text_, b.end - b.start);
        text_ += ',';
    }
    text_ += '\t';
    for (const Interval& b : blocks) {
        appendNumber(text_, b.start - span.start);
        text_ += ',';
    }
    text_ += '\n';
    flushWhenFull();
}

void Bed12Lines::add(std::span<const Stretch> stretches, const std::string& name, int score, char strand) {
    lines_.push_back({blocksOf(stretches, length_), name, score, strand});
    if (lines_.back().blocks.empty()) lines_.pop_back();
}

void Bed12Lines::write(TrackText& out) {
    std::stable_sort(lines_.begin(), lines_.end(), [](const Line& a, const Line& b) {
        const std::int64_t aEnd = a.blocks.back().end, bEnd = b.blocks.back().end;
        return a.blocks.front().start != b.blocks.front().start ? a.blocks.front().start < b.blocks.front().start
                                                                : aEnd < bEnd;
    });
    for (const Line& l : lines_) out.bed12(std::span<const Interval>(l.blocks), l.name, l.score, l.strand);
    lines_.clear();
}

void TrackText::bedGraph(std::int64_t start, std::int64_t end, std::string_view value) {
    interval({start, end});
    text_ += '\t';
    text_.append(value);
    text_ += '\n';
    flushWhenFull();
}

void TrackText::fasta(std::string_view title, std::string_view letters) {
    text_ += '>';
    text_.append(title);
    text_ += '\n';
    text_.append(letters);
    text_ += '\n';
    flushWhenFull();
}

void BedGraphRuns::add(std::int64_t start, std::string_view value) {
    if (start == end_ && value == value_) {
        ++end_;
        return;
    }
    finish();
    start_ = start;
    end_ = start + 1;
    value_.assign(value);
}

void BedGraphRuns::finish() {
    if (end_ > start_) out_.bedGraph(start_, end_, value_);
    start_ = 0;
    end_ = -1;
}

}  // namespace ruz
