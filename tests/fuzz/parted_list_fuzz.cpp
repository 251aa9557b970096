// The list-file reader of the rating analysis (fMatchReadsT_VarSzPartedRate).
//
// The input is a list file: one reads file name a line, LF or CR LF, empty
// lines skipped. It is read by the analysis's own list reader, which rates
// every listed file against the bundled example's coded genome (built once):
// the directory of the listed files holds the first reads of the example's
// two reads files, an empty one, one with a line too long for the line
// buffer, and the log the run would write. What the reader does is checked
// against the list's own lines: the files rated in order, the stop at a NUL
// byte, at a missing file, at the log, at a long line of the list or of a
// listed file, and the ratings, each position gaining one for every listed
// file that places a tail there. A listed file outside that directory (the
// list itself, say) is rated too; the ratings must then still be ordered and
// bounded. A list naming itself more than once is not run (see timesListed).
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/console.h"
#include "core/context.h"
#include "core/genome.h"
#include "core/settings.h"
#include "rna/parted_rating.h"
#include "rna/parted_search.h"
#include "support/fuzz_support.h"

namespace {

using namespace ruz;
using parted_rating::ListEnd;

// How the reading of a list ends, failures included; a failure's message
// goes to the console, as the entry prints it.
enum class Ending { Complete, Cut, Failed };

Ending endingOf(const Outcome<ListEnd>& end, Console& console) {
    if (!end) {
        console.report(end.failure());
        return Ending::Failed;
    }
    return *end == ListEnd::Cut ? Ending::Cut : Ending::Complete;
}
using parted_rating::Ratings;
namespace fs = std::filesystem;

constexpr std::int32_t kMinSize = 20;
constexpr std::int32_t kMaxSize = 100;
// A list names its files hundreds of times, and each is rated whole: the
// listed files hold a few of the example's reads, enough to place tails,
// so that an input's time goes to the list and not to the same searches.
constexpr int kReadsPerFile = 5;

// A listed file the harness knows: the positions it rates.
struct KnownFile {
    std::vector<std::int32_t> positions;
    bool cut = false;  // its reading stops at a long line
};

class Setting {
public:
    Setting() {
        const std::string examples = RUZ_EXAMPLES_DIR;
        readsDir_ = fuzz::scratchPath("reads/");
        fs::create_directories(readsDir_);
        const std::string reads1 = firstLines(readFile(examples + "/parted_reads1.bin"), kReadsPerFile);
        const std::string reads2 = firstLines(readFile(examples + "/parted_reads2.bin"), kReadsPerFile);
        fuzz::writeFileBytes(readsDir_ + "parted_reads1.bin", reads1);
        fuzz::writeFileBytes(readsDir_ + "parted_reads2.bin", reads2);
        fuzz::writeFileBytes(readsDir_ + "empty.bin", "");
        fuzz::writeFileBytes(readsDir_ + "long.bin", reads2 + std::string(kLineLimit, '\1') + "\n" + reads2);
        logPath_ = readsDir_ + "_RatingLog.txt";
        fuzz::writeFileBytes(logPath_, "an earlier log");
        listPath_ = fuzz::scratchPath("list.txt");

        settings_.readsDirectory = readsDir_;
        settings_.listPath = listPath_;
        settings_.genomePath = examples + "/genome.bin";
        settings_.rMinSz = kMinSize;
        settings_.rMaxSz = kMaxSize;
        auto genome = parted::loadKeyedGenome(settings_.genomePath, GenomeCheck::Coded, kMaxSize, 1);
        FUZZ_CHECK(bool(genome), "the example genome does not load: " + (genome ? std::string() : genome.failure().message));
        genome_ = std::move(*genome);
        search_ = std::make_unique<parted::PartedSearch>(genome_->genome.upper, *genome_->index);
        for (const char* name : {"parted_reads1.bin", "parted_reads2.bin", "empty.bin", "long.bin"}) {
            fuzz::writeFileBytes(listPath_, std::string(name) + "\n");
            Ratings ratings(length());
            RecordingConsole quiet;
            RunContext context(quiet.console());
            const Ending end =
                endingOf(parted_rating::rateListedFiles(context, settings_, logPath_, *search_, ratings), quiet.console());
            KnownFile& known = known_[fs::canonical(readsDir_ + name).string()];
            known.cut = end == Ending::Cut;
            for (const auto& r : ratings.rated()) known.positions.push_back(r.position);
        }
        for (const char* name : {"parted_reads1.bin", "parted_reads2.bin"})
            FUZZ_CHECK(!known(readsDir_ + name)->positions.empty(), std::string("the reads of ") + name + " rate nothing");
    }

    const ArgumentSettings& settings() const { return settings_; }
    const std::string& listPath() const { return listPath_; }
    const std::string& logPath() const { return logPath_; }
    const std::string& readsDir() const { return readsDir_; }
    const parted::PartedSearch& search() const { return *search_; }
    std::int32_t length() const { return genome_->genome.length; }

    // The known file a listed path names, or nothing.
    const KnownFile* known(const std::string& path) const {
        std::error_code ec;
        const fs::path canonical = fs::canonical(path, ec);
        if (ec) return nullptr;
        const auto it = known_.find(canonical.string());
        return it == known_.end() ? nullptr : &it->second;
    }

private:
    // The first n lines of a file's text.
    static std::string firstLines(const std::string& bytes, int n) {
        std::size_t end = 0;
        for (int i = 0; i < n && end < bytes.size(); ++i) {
            const std::size_t lf = bytes.find('\n', end);
            end = lf == std::string::npos ? bytes.size() : lf + 1;
        }
        return bytes.substr(0, end);
    }

    static std::string readFile(const std::string& path) {
        std::string bytes;
        std::FILE* f = std::fopen(path.c_str(), "rb");
        FUZZ_CHECK(f != nullptr, "cannot read " + path);
        char chunk[4096];
        std::size_t got = 0;
        while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, got);
        std::fclose(f);
        return bytes;
    }

    std::string readsDir_, logPath_, listPath_;
    ArgumentSettings settings_;
    std::unique_ptr<parted::KeyedGenome> genome_;
    std::unique_ptr<parted::PartedSearch> search_;
    std::map<std::string, KnownFile> known_;
};

// What a name of the list stands for, from the file system: a list names
// the same few files hundreds of times, so each name is looked up once per
// input. A name holding a NUL byte names no file.
struct Named {
    bool readable = false;  // a regular file other than the log
    bool isList = false;
    const KnownFile* known = nullptr;
};

class NameTable {
public:
    explicit NameTable(const Setting& setting) : setting_(setting) {}

    const Named& operator[](const std::string& name) {
        const auto [it, added] = names_.try_emplace(name);
        if (added && name.find('\0') == std::string::npos) {
            const std::string path = setting_.readsDir() + name;
            std::error_code ec;
            Named& n = it->second;
            n.readable = !fs::equivalent(path, setting_.logPath(), ec) && fs::is_regular_file(path, ec);
            n.isList = n.readable && fs::equivalent(path, setting_.listPath(), ec);
            n.known = n.readable ? setting_.known(path) : nullptr;
        }
        return it->second;
    }

private:
    const Setting& setting_;
    std::map<std::string, Named> names_;
};

// The list's names, each without the CR of a CR LF line end; empty lines
// are skipped as the reader skips them.
std::vector<std::string> namesOf(const fuzz::EngineLines& list) {
    std::vector<std::string> names;
    for (const std::string_view line : list.lines) {
        std::string name(line);
        if (!name.empty() && name.back() == '\r') name.pop_back();
        if (!name.empty()) names.push_back(std::move(name));
    }
    return names;
}

// What reading the list must do, worked out from its lines.
struct Expected {
    Ending end = Ending::Complete;
    int filesRated = 0;
    bool predictable = true;  // every rated file is a known one
    std::map<std::int32_t, std::int64_t> ratings;
};

Expected expectedReading(NameTable& table, const std::vector<std::string>& names, bool endsAtLongLine) {
    Expected e;
    for (const std::string& name : names) {
        if (!table[name].readable) {
            e.end = Ending::Failed;
            return e;
        }
        ++e.filesRated;
        const KnownFile* known = table[name].known;
        if (!known) {
            // A file the harness does not know: its ratings and its end are
            // the reader's to tell.
            e.predictable = false;
            return e;
        }
        for (const std::int32_t p : known->positions) ++e.ratings[p];
        if (known->cut) {
            e.end = Ending::Cut;
            return e;
        }
    }
    if (endsAtLongLine) e.end = Ending::Cut;
    return e;
}

// How often the list names itself. Each time, every line of the list is
// rated as a read, so a list naming itself on many of its lines costs the
// square of its length; once shows what the reader does with it.
int timesListed(NameTable& table, const std::vector<std::string>& names) {
    int times = 0;
    for (const std::string& name : names)
        if (table[name].isList) ++times;
    return times;
}

std::size_t count(const std::string& text, std::string_view what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The genome and its index are built once, before the first input, so that
// no input's time includes them.
const Setting& theSetting() {
    static const Setting setting;
    return setting;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    theSetting();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Setting& setting = theSetting();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    fuzz::writeFileBytes(setting.listPath(), text);
    const fuzz::EngineLines list = fuzz::engineLines(text);
    const std::vector<std::string> names = namesOf(list);
    NameTable table(setting);
    if (timesListed(table, names) > 1) return -1;  // not run, and not kept in the corpus

    RecordingConsole console;
    RunContext context(console.console());
    Ratings ratings(setting.length());
    const Ending end = endingOf(
        parted_rating::rateListedFiles(context, setting.settings(), setting.logPath(), setting.search(), ratings),
        console.console());

    const Expected expected = expectedReading(table, names, list.endsAtLongLine);
    const std::string said = console.text();
    const auto rated = static_cast<int>(count(said, "\nseaching parted reads"));
    std::int32_t previous = 0;
    for (const auto& r : ratings.rated()) {
        FUZZ_CHECK(r.position > previous && r.position <= setting.length(), "position " + std::to_string(r.position) + " out of order or range");
        FUZZ_CHECK(r.rating >= 1 && r.rating <= rated, "a rating above the files rated");
        previous = r.position;
    }
    if (!expected.predictable) {
        FUZZ_CHECK(rated >= expected.filesRated, "fewer files rated than listed before an unknown one");
        return 0;
    }
    FUZZ_CHECK(end == expected.end, "the list reading ended otherwise than its lines say: " + said);
    FUZZ_CHECK(rated == expected.filesRated, std::to_string(rated) + " files rated, " +
                                                 std::to_string(expected.filesRated) + " listed");
    FUZZ_CHECK(said.find("\n" + std::to_string(expected.filesRated) + "\nseaching") != std::string::npos ||
                   expected.filesRated == 0,
               "the files are not numbered from 1: " + said);
    std::map<std::int32_t, std::int64_t> got;
    for (const auto& r : ratings.rated()) got[r.position] = r.rating;
    FUZZ_CHECK(got == expected.ratings, "the ratings differ from the listed files' placements");
    if (end != Ending::Complete) FUZZ_CHECK(console.keyWaits() >= 1, "a list that stopped early said nothing");
    return 0;
}
