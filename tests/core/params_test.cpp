#include "core/params.h"

#include <gtest/gtest.h>


#include "core/console.h"
#include "support/test_files.h"

namespace ruz {
namespace {

ParameterTable tableOf(const std::string& text) { return ParameterTable::parse(text); }

TEST(ParameterTable, CrLfFileGivesTheSameNamesAndValuesAsLf) {
    const std::string lf = "genome\nfile\npthGnm\n/data/g.txt\nsize\nint\nimmutSz\n20\n";
    const std::string crlf =
        "genome\r\nfile\r\npthGnm\r\n/data/g.txt\r\nsize\r\nint\r\nimmutSz\r\n20\r\n";
    for (const std::string& text : {lf, crlf}) {
        ParameterTable t = tableOf(text);
        EXPECT_EQ(t.size(), 2u);
        EXPECT_EQ(t.lookup("pthGnm"), "/data/g.txt");
        EXPECT_EQ(t.lookup("immutSz"), "20");
    }
}

TEST(ParameterTable, LastRecordWinsAndValuesStayWhole) {
    ParameterTable t = tableOf(
        "a\nint\nrMinSz\n10\nb\nint\nrMinSz\n20\nc\nstr\nexperimentId\n  two\twords \n");
    EXPECT_EQ(t.lookup("rMinSz"), "20");
    EXPECT_EQ(t.lookup("experimentId"), "  two\twords ");
}

TEST(ParameterTable, MissingNameReadsEmptyAndIsRemembered) {
    ParameterTable t = tableOf("");
    EXPECT_EQ(t.size(), 0u);
    EXPECT_EQ(t.lookup("diRes"), "");
    EXPECT_TRUE(t.contains("diRes"));
    EXPECT_EQ(t.lookup("diRes"), "");
}

TEST(ParameterTable, RecordCutShortByTheEndIsStoredWithEmptyLines) {
    // Name present, value missing.
    EXPECT_EQ(tableOf("c\nint\nmisNu").lookup("misNu"), "");
    EXPECT_TRUE(tableOf("c\nint\nmisNu").contains("misNu"));
    // Only a comment: a record with an empty name.
    ParameterTable onlyComment = tableOf("a\nint\nx\n1\nlonely comment\n");
    EXPECT_EQ(onlyComment.lookup("x"), "1");
    EXPECT_TRUE(onlyComment.contains(""));
    EXPECT_EQ(onlyComment.size(), 2u);
}

TEST(ParameterTable, OverLongLineEndsTheReading) {
    const std::string longValue(500, 'x');
    ParameterTable t = tableOf("a\nint\nfirst\n1\nb\nstr\nsecond\n" + longValue +
                               "\nc\nint\nthird\n3\n");
    EXPECT_EQ(t.lookup("first"), "1");
    EXPECT_EQ(t.lookup("second"), "") << "an over-long value is not taken, not even cut";
    EXPECT_FALSE(t.contains("third"));

    const std::string fits(499, 'y');
    EXPECT_EQ(tableOf("a\nstr\nv\n" + fits + "\n").lookup("v"), fits);
}

TEST(ParameterTable, OnlyOneFinalCrOfNameAndValueIsDropped) {
    ParameterTable t = tableOf("c\r\nint\r\nname\r\nvalue\r\r\n");
    EXPECT_EQ(t.lookup("name"), "value\r");
}

TEST(ParameterFile, LoadingReportsWhatEndsItAndNamesTheLineOrParameter) {
    test::TempDir dir;
    const std::string path = dir.file("p.txt");
    constexpr std::string_view kNames[] = {"diRes", "experimentId"};
    struct Case {
        std::string label;
        std::string content;  // empty: no file written
        std::string file;     // the path loaded
        bool loaded;          // a table comes back
        std::string immutSz;  // its value in the table
        std::string console;
    };
    const std::string longLine(500, 'x');
    const Case cases[] = {
        {"missing file", "", "/nonexistent/dir/params.txt", false, "",
         "\ni can't open /nonexistent/dir/params.txt"},
        {"a directory", "", dir.path().string(), false, "", "\ni can't open " + dir.path().string()},
        {"good file", test::record("immutSz", "20", "int"), path, true, "20", ""},
        {"long line", test::record("immutSz", "20") + test::record("diRes", longLine), path, false,
         "", "\nparameter file " + path + ": line 8 is longer than 499 characters"},
        {"NUL in a name read", test::record("experimentId", std::string("a\0b", 3)), path, false, "",
         "\nparameter experimentId holds a NUL byte"},
        {"NUL elsewhere", test::record("other", std::string("a\0b", 3)) + test::record("immutSz", "7"),
         path, true, "7", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        if (!c.content.empty()) test::writeFile(path, c.content);
        RecordingConsole rec;
        auto table = loadParameters(rec.console(), c.file, kNames);
        EXPECT_EQ(table.has_value(), c.loaded);
        if (table) {
            EXPECT_EQ(table->lookup("immutSz"), c.immutSz);
        }
        EXPECT_EQ(rec.text(), c.console);
        EXPECT_EQ(rec.keyWaits(), c.console.empty() ? 0 : 1);
    }
}

TEST(ParameterFile, NumbersTypedOtherwiseThanReadAreShownAsTyped) {
    EXPECT_EQ(shownNumber("immutSz", "20", 20), "immutSz = 20");
    EXPECT_EQ(shownNumber("immutSz", "0x14", 0), "immutSz = \"0x14\" (read as 0)");
    EXPECT_EQ(shownNumber("rMaxSz", " 30", 30), "rMaxSz = \" 30\" (read as 30)");
}

TEST(IntConversion, BehavesLikeDecimalStringToInt) {
    struct Case {
        const char* text;
        IntConversion result;
        std::int32_t value;
    };
    const Case cases[] = {
        {"12", IntConversion::Ok, 12},
        {"12abc", IntConversion::Ok, 12},
        {"  \t-7", IntConversion::Ok, -7},
        {"+5", IntConversion::Ok, 5},
        {" 20", IntConversion::Ok, 20},
        {"2147483647", IntConversion::Ok, 2147483647},
        {"-2147483648", IntConversion::Ok, -2147483647 - 1},
        {"00000000000000000000042", IntConversion::Ok, 42},
        {"2147483648", IntConversion::OutOfRange, 0},
        {"-2147483649", IntConversion::OutOfRange, 0},
        {"99999999999999999999999", IntConversion::OutOfRange, 0},
        {"", IntConversion::NotANumber, 0},
        {"abc", IntConversion::NotANumber, 0},
        {"-", IntConversion::NotANumber, 0},
        {"+-1", IntConversion::NotANumber, 0},
        {"x12", IntConversion::NotANumber, 0},
    };
    for (const Case& c : cases) {
        std::int32_t value = -99;
        EXPECT_EQ(toInt32(c.text, value), c.result) << '"' << c.text << '"';
        if (c.result == IntConversion::Ok) {
            EXPECT_EQ(value, c.value) << '"' << c.text << '"';
        }
    }
}

TEST(IntConversion, FailureNamesTheParameterAndItsValue) {
    RecordingConsole rec;
    EXPECT_FALSE(intParameter(rec.console(), "immutSz", "abc"));
    EXPECT_FALSE(intParameter(rec.console(), "misNu", "3000000000"));
    EXPECT_EQ(intParameter(rec.console(), "mutTipSz", "6"), 6);
    EXPECT_EQ(rec.text(),
              "\nparameter immutSz = \"abc\" is not a whole number"
              "\nparameter misNu = \"3000000000\" is out of the 32-bit range");
    EXPECT_EQ(rec.keyWaits(), 2);
}

}  // namespace
}  // namespace ruz
