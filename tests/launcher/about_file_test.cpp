// Looking up the about text of a function or a package.
#include "model/about_file.h"

#include <gtest/gtest.h>

#include "model/launcher_error.h"
#include "support/qt_print.h"

namespace quellon {
namespace {

const QStringList kAbout = {"RandExt", "line one", "line two", "*",
                            "fIdentifyCircularRna", "circular", "*end", "Helixa", "last entry"};

TEST(AboutBlock, FindsTheKeyInAnyLetterCase) {
    EXPECT_EQ(aboutBlock(kAbout, "randext", "a.txt"), (QStringList{"line one", "line two"}));
    EXPECT_EQ(aboutBlock(kAbout, "fIdentifyCircularRna", "a.txt"), QStringList{"circular"});
}

TEST(AboutBlock, UnknownKeyShowsTheFileFromItsFirstLine) {
    EXPECT_EQ(aboutBlock(kAbout, "Sorvane", "a.txt"),
              (QStringList{"RandExt", "line one", "line two"}));
}

TEST(AboutBlock, LastEntryMayEndWithTheFile) {
    EXPECT_EQ(aboutBlock(kAbout, "Helixa", "a.txt"), QStringList{"last entry"});
    EXPECT_EQ(aboutBlock({"Helixa"}, "Helixa", "a.txt"), QStringList{});
}

TEST(AboutBlock, EmptyLineInTheBlockIsReportedWithFileAndLine) {
    try {
        aboutBlock({"RandExt", "one", "", "two", "*"}, "RandExt", "AboutFuncs.txt");
        FAIL() << "an empty line went through";
    } catch (const LauncherError& error) {
        EXPECT_EQ(error.message(), "AboutFuncs.txt\nline 3: empty line");
    }
    // Empty lines outside the block looked up do not matter.
    EXPECT_EQ(aboutBlock({"a", "*", "", "RandExt", "x"}, "RandExt", "a.txt"), QStringList{"x"});
}

}  // namespace
}  // namespace quellon
