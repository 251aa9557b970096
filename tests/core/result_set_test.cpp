// A run's results land together or not at all; the record spill reads a
// large spill back in parts by value; interruptions never half-commit a set
// and leave no temporary file, however many are open.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "core/console.h"
#include "core/entropy.h"
#include "core/files.h"
#include "core/platform.h"
#include "core/record_spill.h"
#include "support/test_files.h"

namespace ruz {
namespace {

namespace fs = std::filesystem;

// Writes `files` (name -> text) as one set into `dir`.
// Prints a failure on `console`.
bool commitSet(Console& console, const test::TempDir& dir, const std::map<std::string, std::string>& files,
               const std::vector<std::string>& replaced = {}) {
    ResultSet set;
    for (const auto& [name, text] : files) {
        auto file = set.create(dir.file(name));
        if (!file) return false;
        std::fputs(text.c_str(), (*file)->get());
    }
    for (const std::string& name : replaced) set.replaces(dir.file(name));
    const auto committed = set.commit();
    if (!committed) console.report(committed.failure());
    return bool(committed);
}

std::map<std::string, std::string> contents(const test::TempDir& dir) {
    std::map<std::string, std::string> all;
    for (const std::string& name : dir.listing())
        all[name] = fs::is_directory(dir.file(name)) ? "<folder>" : test::readFile(dir.file(name));
    return all;
}

TEST(ResultSets, ASetLandsWholeOrLeavesEveryEarlierFileAsItWas) {
    struct Case {
        const char* what;
        std::map<std::string, std::string> before;
        std::vector<std::string> replaced;
        bool lands;
        std::map<std::string, std::string> after;
        std::string console;
    };
    const Case cases[] = {
        {"new files into an empty folder", {}, {}, true, {{"a.txt", "new a"}, {"b.txt", "new b"}}, ""},
        {"both earlier files replaced",
         {{"a.txt", "old a"}, {"b.txt", "old b"}}, {}, true,
         {{"a.txt", "new a"}, {"b.txt", "new b"}}, ""},
        {"the second name taken by a folder: the first stays old",
         {{"a.txt", "old a"}, {"b.txt", "<folder>"}}, {}, false,
         {{"a.txt", "old a"}, {"b.txt", "<folder>"}}, "\ni can't write @b.txt"},
        {"files of the earlier set beyond the new one go",
         {{"a.txt", "old a"}, {"a3.txt", "old 3"}, {"other.txt", "kept"}}, {"a3.txt", "a4.txt"}, true,
         {{"a.txt", "new a"}, {"b.txt", "new b"}, {"other.txt", "kept"}}, ""},
        {"a replaced file stays when the set cannot land",
         {{"a3.txt", "old 3"}, {"b.txt", "<folder>"}}, {"a3.txt"}, false,
         {{"a3.txt", "old 3"}, {"b.txt", "<folder>"}}, "\ni can't write @b.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        for (const auto& [name, text] : c.before) {
            if (text == "<folder>") {
                fs::create_directories(dir.file(name) + "/inside");
            } else {
                test::writeFile(dir.file(name), text);
            }
        }
        RecordingConsole rec;
        EXPECT_EQ(commitSet(rec.console(), dir, {{"a.txt", "new a"}, {"b.txt", "new b"}}, c.replaced),
                  c.lands);
        EXPECT_EQ(contents(dir), c.after) << "no temporary file, nothing half replaced";
        std::string console = c.console;
        if (const auto at = console.find('@'); at != std::string::npos)
            console.replace(at, 1, dir.path().string() + "/");
        EXPECT_EQ(rec.text(), console);
    }
}

// A partial result lands only where no earlier file has its name.
TEST(ResultSets, PartialResultsNeverReplaceAnEarlierFile) {
    test::TempDir dir;
    test::writeFile(dir.file("log.txt"), "complete earlier log");
    ResultSet set;
    std::fputs("repeat lines only", (*set.create(dir.file("log.txt")))->get());
    std::fputs("", (*set.create(dir.file("second.txt")))->get());
    set.commitPartial();
    EXPECT_EQ(contents(dir), (std::map<std::string, std::string>{{"log.txt", "complete earlier log"},
                                                                 {"second.txt", ""}}));
}

#ifndef _WIN32
// In a child process under a file-size limit of 1000 bytes: a set of a
// small file and a file of 5000 bytes. Exits 3 when the set did not land
// and the console named the large file.
[[noreturn]] void commitUnderFileSizeLimit(const test::TempDir& dir) {
    platform::prepareProcess();  // the limit then fails the write instead of ending the process
    const rlimit small{1000, 1000};
    setrlimit(RLIMIT_FSIZE, &small);
    RecordingConsole rec;
    const std::map<std::string, std::string> files = {{"a.txt", "new a"}, {"b.txt", std::string(5000, 'b')}};
    const bool landed = commitSet(rec.console(), dir, files);
    std::exit(!landed && rec.text() == "\ni can't write " + dir.file("b.txt") ? 3 : 4);
}

// A file too large for the file-size limit (as on a full disk): nothing of
// the set lands, every earlier file stays.
TEST(ResultSetsDeathTest, AFileThatCannotBeWrittenKeepsTheWholeSetOut) {
    test::TempDir dir;
    test::writeFile(dir.file("a.txt"), "old a");
    EXPECT_EXIT(commitUnderFileSizeLimit(dir), ::testing::ExitedWithCode(3), "");
    EXPECT_EQ(contents(dir), (std::map<std::string, std::string>{{"a.txt", "old a"}}));
}
#endif

// Parts hold whole values, come in increasing order of value, and hold
// every record once, whatever the part size asked for.
TEST(RecordSpillParts, LargeSpillsComeBackInOrderedPartsOfWholeValues) {
    std::mt19937 rng(7);
    for (const std::uint32_t spread : {50u, 100000u, 4000000000u}) {
        SCOPED_TRACE(spread);
        test::TempDir dir;
        auto spill = RecordSpill<KeyedRecord>::create(dir.file("spill"), dir.file("t.txt"));
        ASSERT_TRUE(spill);
        std::vector<KeyedRecord> all;
        for (std::uint32_t i = 0; i < 30000; ++i) all.push_back({static_cast<std::uint32_t>(rng() % spread), i});
        spill->append(all);
        ASSERT_TRUE(spill->finishWriting());
        std::vector<std::vector<KeyedRecord>> parts;
        ASSERT_TRUE(spill->readBackInParts("\nno memory", 4000, [](const KeyedRecord& r) { return r.value; },
                                           [&](std::vector<KeyedRecord>& part) { parts.push_back(part); }));
        EXPECT_GT(parts.size(), spread == 50u ? 0u : 5u);
        std::vector<KeyedRecord> back;
        std::uint32_t previousTop = 0;
        for (std::size_t p = 0; p < parts.size(); ++p) {
            const auto [low, high] = std::minmax_element(
                parts[p].begin(), parts[p].end(),
                [](const KeyedRecord& a, const KeyedRecord& b) { return a.value < b.value; });
            if (p > 0) {
                EXPECT_GT(low->value, previousTop) << "part " << p << " overlaps the one before";
            }
            previousTop = high->value;
            back.insert(back.end(), parts[p].begin(), parts[p].end());
        }
        const auto byKey = [](const KeyedRecord& a, const KeyedRecord& b) { return a.key < b.key; };
        std::sort(back.begin(), back.end(), byKey);
        ASSERT_EQ(back.size(), all.size());
        for (std::size_t i = 0; i < all.size(); ++i) ASSERT_EQ(back[i].value, all[i].value);
        EXPECT_TRUE(dir.listing().empty()) << "the spill and its parts are gone";
    }
}

#ifndef _WIN32
// Hundreds of temporary files open at once, a signal that
// arrives while a set is being moved: the set lands whole, then every
// watched file goes.
TEST(InterruptionDeathTest, ManyWatchedFilesGoAndAHeldCommitFinishesFirst) {
    test::TempDir dir;
    EXPECT_EXIT(
        {
            std::vector<TempFile> open;
            for (int i = 0; i < 300; ++i) open.push_back(std::move(*TempFile::create(dir.file("Rna_fiUp" + std::to_string(i)))));
            ResultSet set;
            std::fputs("table", (*set.create(dir.file("t.txt")))->get());
            std::fputs("log", (*set.create(dir.file("l.txt")))->get());
            {
                const platform::InterruptionHold hold;
                std::raise(SIGTERM);  // waits for the hold
                (void)set.commit();
            }
            std::exit(0);  // never reached: the held signal ends the process
        },
        ::testing::KilledBySignal(SIGTERM), "");
    EXPECT_EQ(test::readFile(dir.file("t.txt")), "table");
    EXPECT_EQ(test::readFile(dir.file("l.txt")), "log");
    EXPECT_EQ(dir.listing(), (std::vector<std::string>{"l.txt", "t.txt"})) << "no temporary file";
}
#endif

}  // namespace
}  // namespace ruz
