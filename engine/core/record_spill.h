// Fixed-size records spilled to a temporary file while the reads are
// scanned, and read back into one vector for sorting and reporting.
//
// The file is a plain concatenation of the records' bytes in the machine's
// order, in the order they were appended; it has no header. It lives in the
// result directory under a name unique to the run (see TempFile) and is
// removed once read back, or when the spill goes, whatever the end of the run.
#pragma once

#include <cstdint>
#include <cstdio>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "console.h"
#include "files.h"
#include "platform.h"

namespace ruz {

template <typename Record>
class RecordSpill {
    static_assert(std::is_trivially_copyable_v<Record>, "records are spilled as raw bytes");

public:
    // Creates the file stem + "." + token + ".tmp"; on failure the opener's
    // message has been printed. Messages name `shownPath`, the result the
    // records are for, rather than the temporary file.
    static std::optional<RecordSpill> create(Console& console, const std::string& stem,
                                             const std::string& shownPath) {
        auto temp = TempFile::create(console, stem, shownPath);
        if (!temp) return std::nullopt;
        temp->bufferWrites();
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
    bool finishWriting(Console& console) { return file_.closeWritten(console, shownPath_); }

    // Reads every record back into a vector with `extra` further records
    // (value-initialised) at its end, and removes the file. Messages:
    // "\ni can't open " + the shown path, `memoryMessage` (the analysis's
    // own words, such as "\nno memory for resDataUp"), "\ni can't read " +
    // the shown path; each with a key wait.
    std::optional<std::vector<Record>> readBack(Console& console, std::string_view memoryMessage,
                                                std::size_t extra = 0) {
        FilePtr in(platform::openRegularForReading(file_.path()));
        if (!in) {
            console.fail("\ni can't open ", shownPath_);
            return std::nullopt;
        }
        std::vector<Record> records;
        try {
            records.resize(static_cast<std::size_t>(count_) + extra);
        } catch (const std::bad_alloc&) {
            console.fail(memoryMessage);
            return std::nullopt;
        }
        const auto n = static_cast<std::size_t>(count_);
        const std::size_t got = std::fread(records.data(), sizeof(Record), n, in.get());
        in.reset();
        if (got != n) {
            console.fail("\ni can't read ", shownPath_);
            return std::nullopt;
        }
        file_.discard();
        return records;
    }

private:
    RecordSpill(TempFile file, std::string shownPath)
        : file_(std::move(file)), shownPath_(std::move(shownPath)) {}

    TempFile file_;
    std::string shownPath_;
    std::int64_t count_ = 0;
};

}  // namespace ruz
