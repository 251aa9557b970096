#include "core/progress.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/context.h"

namespace ruz {
namespace {

std::string contentOf(std::FILE* f) {
    std::fflush(f);
    std::rewind(f);
    std::string text;
    for (int c; (c = std::fgetc(f)) != EOF;) text.push_back(static_cast<char>(c));
    return text;
}

TEST(Progress, ShowsPhaseAndReadsOnOneLineAndClearsItBeforeMessages) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    RecordingConsole rec;
    {
        RunContext context(rec.console());
        context.progress.enable(out);
        context.progress.phase("placing reads");
        // Shown at once; a further count so soon is not shown.
        context.progress.reads(4096);
        context.console.say("\nsaving the result");
        context.progress.finish();
    }
    EXPECT_EQ(contentOf(out), "\r\033[Kplacing reads\r\033[K");
    EXPECT_EQ(rec.text(), "\nsaving the result");
    std::fclose(out);
}

TEST(Progress, DisabledProgressWritesNothing) {
    RecordingConsole rec;
    RunContext context(rec.console());
    context.progress.phase("placing reads");
    context.progress.reads(10);
    context.progress.finish();
    context.console.say("x");
    EXPECT_EQ(rec.text(), "x");
}

}  // namespace
}  // namespace ruz
