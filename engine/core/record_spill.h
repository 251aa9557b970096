// Fixed-size records spilled to a temporary file while the reads are
// scanned, and read back into one vector for sorting and reporting, or, when
// they are too many to hold at once, in parts by ranges of a value.
//
// The file is a plain concatenation of the records' bytes in the machine's
// order, in the order they were appended; it has no header. It lives in the
// result directory under a name unique to the run (see TempFile) and is
// removed once read back, or when the spill goes, whatever the end of the run.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "files.h"
#include "outcome.h"
#include "platform.h"

namespace ruz {

template <typename Record>
class RecordSpill {
    static_assert(std::is_trivially_copyable_v<Record>, "records are spilled as raw bytes");

public:
    // Creates the file stem + "." + token + ".tmp". Messages name
    // `shownPath`, the result the records are for, rather than the
    // temporary file. `buffered`: the file gets a large write buffer (an
    // owner that appends in large blocks needs none).
    static Outcome<RecordSpill> create(const std::string& stem, const std::string& shownPath,
                                       bool buffered = true) {
        auto temp = TempFile::create(stem, shownPath);
        if (!temp) return temp.failure();
        if (buffered) temp->bufferWrites();
        return RecordSpill(std::move(*temp), shownPath);
    }

    void append(std::span<const Record> records) {
        if (records.empty()) return;
        std::fwrite(records.data(), sizeof(Record), records.size(), file_.get());
        count_ += static_cast<std::int64_t>(records.size());
    }

    std::int64_t count() const { return count_; }
    const std::string& path() const { return file_.path(); }

    // Ends the writing with a checked close ("\ni can't write " + the shown
    // path).
    Outcome<void> finishWriting() { return file_.closeWritten(shownPath_); }

    // Reads every record back into a vector with `extra` further records
    // (value-initialised) at its end, and removes the file. Failures:
    // "\ni can't open " + the shown path, `memoryMessage` (the analysis's
    // own words, such as "\nno memory for resDataUp"), "\ni can't read " +
    // the shown path.
    Outcome<std::vector<Record>> readBack(std::string_view memoryMessage, std::size_t extra = 0) {
        FilePtr in(platform::openRegularForReading(file_.path()));
        if (!in) return failure("\ni can't open ", shownPath_);
        std::vector<Record> records;
        try {
            records.resize(static_cast<std::size_t>(count_) + extra);
        } catch (const std::bad_alloc&) {
            return failure(memoryMessage);
        }
        const auto n = static_cast<std::size_t>(count_);
        const std::size_t got = std::fread(records.data(), sizeof(Record), n, in.get());
        in.reset();
        if (got != n) return failure("\ni can't read ", shownPath_);
        file_.discard();
        return records;
    }

    // Reads the records back in parts that each hold every record of a
    // range of `valueOf(record)` (an unsigned 32-bit number), the parts in
    // increasing order of their ranges, and hands each to `part`
    // (std::vector<Record>&, unsorted).
    // A spill of at most `partRecords` records is one part; a larger one is
    // first distributed into part files, so that memory holds about
    // `partRecords` records whatever the spill's size (a single value with
    // more records than that makes a larger part). The file goes at the end.
    // Messages as readBack's.
    template <typename ValueOf, typename Part>
    Outcome<void> readBackInParts(std::string_view memoryMessage, std::size_t partRecords, ValueOf valueOf,
                                  Part part) {
        if (static_cast<std::uint64_t>(count_) <= partRecords) {
            auto records = readBack(memoryMessage);
            if (!records) return records.failure();
            part(*records);
            return {};
        }
        auto ranges = partRanges(partRecords, valueOf);
        if (!ranges) return ranges.failure();
        auto parts = distribute(*ranges, valueOf);
        if (!parts) return parts.failure();
        file_.discard();
        for (RecordSpill& spill : *parts) {
            auto records = spill.readBack(memoryMessage);
            if (!records) return records.failure();
            part(*records);
        }
        return {};
    }

private:
    // Values are counted in cells, a part is a run of cells: at most this
    // many cells span the values that occur.
    static constexpr std::size_t kCells = std::size_t{1} << 17;
    // More parts than this would keep too many files open at once: the
    // parts grow instead.
    static constexpr std::size_t kMostParts = 256;
    // Records read or written per step of the distribution.
    static constexpr std::size_t kBlockRecords = 4096;

    // Reads the whole file in blocks, calling visit(std::span<const Record>).
    template <typename Visit>
    Outcome<void> readBlocks(Visit visit) {
        FilePtr in(platform::openRegularForReading(file_.path()));
        if (!in) return failure("\ni can't open ", shownPath_);
        std::vector<Record> block(kBlockRecords);
        std::int64_t left = count_;
        while (left > 0) {
            const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(left, kBlockRecords));
            if (std::fread(block.data(), sizeof(Record), want, in.get()) != want)
                return failure("\ni can't read ", shownPath_);
            visit(std::span<const Record>(block.data(), want));
            left -= static_cast<std::int64_t>(want);
        }
        return {};
    }

    // Which part each cell of values goes to.
    struct PartMap {
        int shift = 0;  // a value's cell is value >> shift
        std::vector<std::uint16_t> partOf;
        std::size_t parts() const { return static_cast<std::size_t>(partOf.back()) + 1; }
        std::size_t of(std::uint32_t value) const { return partOf[value >> shift]; }
    };

    // A first pass finds the largest value, so that the cells are as fine
    // as the values allow; a second counts the records per cell. Runs of
    // cells are then gathered until a part would pass the limit.
    template <typename ValueOf>
    Outcome<PartMap> partRanges(std::size_t partRecords, ValueOf valueOf) {
        std::uint32_t largest = 0;
        if (auto read = readBlocks([&](std::span<const Record> block) {
                for (const Record& r : block) largest = std::max<std::uint32_t>(largest, valueOf(r));
            });
            !read)
            return read.failure();
        PartMap map;
        while ((std::uint64_t{largest} >> map.shift) >= kCells) ++map.shift;
        std::vector<std::uint64_t> perCell(kCells, 0);
        if (auto read = readBlocks([&](std::span<const Record> block) {
                for (const Record& r : block) ++perCell[static_cast<std::uint32_t>(valueOf(r)) >> map.shift];
            });
            !read)
            return read.failure();
        const std::uint64_t limit =
            std::max<std::uint64_t>(partRecords, static_cast<std::uint64_t>(count_) / kMostParts + 1);
        map.partOf.assign(kCells, 0);
        std::uint16_t current = 0;
        std::uint64_t inCurrent = 0;
        for (std::size_t cell = 0; cell < kCells; ++cell) {
            if (inCurrent > 0 && inCurrent + perCell[cell] > limit) {
                ++current;
                inCurrent = 0;
            }
            inCurrent += perCell[cell];
            map.partOf[cell] = current;
        }
        return map;
    }

    // Writes every record to the spill of its part.
    template <typename ValueOf>
    Outcome<std::vector<RecordSpill>> distribute(const PartMap& map, ValueOf valueOf) {
        std::vector<RecordSpill> parts;
        const std::size_t n = map.parts();
        for (std::size_t i = 0; i < n; ++i) {
            auto spill = create(file_.path() + ".part", shownPath_, false);
            if (!spill) return spill.failure();
            parts.push_back(std::move(*spill));
        }
        std::vector<std::vector<Record>> pending(n);
        const auto flush = [&](std::size_t i) {
            parts[i].append(pending[i]);
            pending[i].clear();
        };
        if (auto read = readBlocks([&](std::span<const Record> block) {
                for (const Record& r : block) {
                    const std::size_t i = map.of(valueOf(r));
                    pending[i].push_back(r);
                    if (pending[i].size() == kBlockRecords) flush(i);
                }
            });
            !read)
            return read.failure();
        for (std::size_t i = 0; i < n; ++i) {
            flush(i);
            if (auto written = parts[i].finishWriting(); !written) return written.failure();
        }
        return parts;
    }

    RecordSpill(TempFile file, std::string shownPath)
        : file_(std::move(file)), shownPath_(std::move(shownPath)) {}

    TempFile file_;
    std::string shownPath_;
    std::int64_t count_ = 0;
};

}  // namespace ruz
