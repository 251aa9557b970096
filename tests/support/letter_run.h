// The folder of an end-to-end test of an analysis that reads a letter
// genome and letter reads: genome.txt written at the start, reads.txt
// written by the test, the results beside them (`prefix` is the folder and
// its separator), the console recorded.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "core/console.h"
#include "core/platform.h"
#include "support/test_files.h"

namespace ruz::test {

class LetterRun : public ::testing::Test {
protected:
    explicit LetterRun(std::string genome) : genome_(std::move(genome)) {}
    void SetUp() override {
        writeFile(genomePath(), genome_);
        prefix = dir.path().string() + platform::kPathSeparator;
    }
    std::string genomePath() const { return dir.file("genome.txt"); }
    std::string readsPath() const { return dir.file("reads.txt"); }

    TempDir dir;
    RecordingConsole rec;
    std::string prefix;

private:
    std::string genome_;
};

}  // namespace ruz::test
