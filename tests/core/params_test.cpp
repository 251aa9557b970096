#include "core/params.h"

#include <gtest/gtest.h>

#include <stdexcept>

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
        EXPECT_EQ(t.find("pthGnm"), "/data/g.txt");
        EXPECT_EQ(t.find("immutSz"), "20");
    }
}

TEST(ParameterTable, LastRecordWinsAndValuesStayWhole) {
    ParameterTable t = tableOf(
        "a\nint\nrMinSz\n10\nb\nint\nrMinSz\n20\nc\nstr\nexperimentId\n  two\twords \n");
    EXPECT_EQ(t.find("rMinSz"), "20");
    EXPECT_EQ(t.find("experimentId"), "  two\twords ");
}

TEST(ParameterTable, MissingNameReadsEmptyAndIsNotAdded) {
    const ParameterTable t = tableOf("");
    EXPECT_EQ(t.find("diRes"), "");
    EXPECT_FALSE(t.contains("diRes"));
    EXPECT_EQ(t.size(), 0u);
}

TEST(ParameterTable, RecordCutShortByTheEndIsStoredWithEmptyLines) {
    // Name present, value missing.
    EXPECT_EQ(tableOf("c\nint\nmisNu").find("misNu"), "");
    EXPECT_TRUE(tableOf("c\nint\nmisNu").contains("misNu"));
    // Only a comment: a record with an empty name.
    ParameterTable onlyComment = tableOf("a\nint\nx\n1\nlonely comment\n");
    EXPECT_EQ(onlyComment.find("x"), "1");
    EXPECT_TRUE(onlyComment.contains(""));
    EXPECT_EQ(onlyComment.size(), 2u);
}

TEST(ParameterTable, OverLongLineEndsTheReading) {
    const std::string longValue(500, 'x');
    ParameterTable t = tableOf("a\nint\nfirst\n1\nb\nstr\nsecond\n" + longValue +
                               "\nc\nint\nthird\n3\n");
    EXPECT_EQ(t.find("first"), "1");
    EXPECT_EQ(t.find("second"), "") << "an over-long value is not taken, not even cut";
    EXPECT_FALSE(t.contains("third"));

    const std::string fits(499, 'y');
    EXPECT_EQ(tableOf("a\nstr\nv\n" + fits + "\n").find("v"), fits);
}

TEST(ParameterTable, OnlyOneFinalCrOfNameAndValueIsDropped) {
    ParameterTable t = tableOf("c\r\nint\r\nname\r\nvalue\r\r\n");
    EXPECT_EQ(t.find("name"), "value\r");
}

// A description of two parameters, for the loading and reading tests.
constexpr ParamSpec kDeclared[] = {
    {"diRes", ParamType::Dir, "result directory", "?", {}},
    {"experimentId", ParamType::Str, "experiment", "blank", {}},
    {"immutSz", ParamType::Int, "size", "20", NumberRule{0, 30, "must not be negative", "the most", true}},
    {"rMinSz", ParamType::Int, "size", "20", kNotNegative},
};
constexpr AnalysisInfo kDescribed = {"fDescribed", nullptr, "", ReadsForm::None, kDeclared, {}};

TEST(ParameterFile, LoadingReportsWhatEndsItAndNamesTheLineOrParameter) {
    test::TempDir dir;
    const std::string path = dir.file("p.txt");
    struct Case {
        std::string label;
        std::string content;  // empty: no file written
        std::string file;     // the path loaded
        std::string immutSz;  // its value when loaded
        std::string failure;  // the message when not
    };
    const std::string longLine(500, 'x');
    const Case cases[] = {
        {"missing file", "", "/nonexistent/dir/params.txt", "", "\ni can't open /nonexistent/dir/params.txt"},
        {"a directory", "", dir.path().string(), "", "\ni can't open " + dir.path().string()},
        {"good file", test::record("immutSz", "20", "int"), path, "20", ""},
        {"long line", test::record("immutSz", "20") + test::record("diRes", longLine), path, "",
         "\nparameter file " + path + ": line 8 is longer than 499 characters"},
        {"NUL in a declared name", test::record("experimentId", std::string("a\0b", 3)), path, "",
         "\nparameter experimentId holds a NUL byte"},
        {"NUL elsewhere", test::record("other", std::string("a\0b", 3)) + test::record("immutSz", "7"), path, "7",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        if (!c.content.empty()) test::writeFile(path, c.content);
        const auto parameters = Parameters::load(c.file, kDescribed);
        ASSERT_EQ(bool(parameters), c.failure.empty());
        if (parameters) {
            EXPECT_EQ(parameters->text("immutSz"), c.immutSz);
        } else {
            EXPECT_EQ(parameters.failure().message, c.failure);
            EXPECT_TRUE(parameters.failure().waitsForKey);
        }
    }
}

// Reading a name the description does not declare is a programming error.
TEST(ParameterFile, AnUndeclaredNameIsRefusedAsAProgrammingError) {
    const auto parameters = Parameters::parse(test::record("pthGnm", "g.txt"), "p.txt", kDescribed);
    ASSERT_TRUE(parameters);
    EXPECT_THROW((void)parameters->text("pthGnm"), std::logic_error);
    EXPECT_EQ(parameters->text("diRes"), "");
}

// Every number is read by the rules of its description, with one style of
// message; a text with trailing characters is read by its leading digits
// and said, unless it names the results.
TEST(ParameterFile, NumbersAreReadByTheRulesOfTheirDescription) {
    struct Case {
        const char* name;
        const char* text;
        std::int32_t value;  // when read
        std::string console;
    };
    const Case cases[] = {
        {"rMinSz", "20", 20, ""},
        {"rMinSz", " 20 ", 20, ""},
        {"rMinSz", "20abc", 20, "\nparameter rMinSz = \"20abc\" is read as 20"},
        {"rMinSz", "-1", 0, "\nparameter rMinSz = -1 must not be negative"},
        {"rMinSz", "abc", 0, "\nparameter rMinSz = \"abc\" is not a whole number"},
        {"rMinSz", "3000000000", 0, "\nparameter rMinSz = \"3000000000\" is out of the 32-bit range"},
        {"immutSz", "2e1", 0,
         "\nparameter immutSz = \"2e1\" is not a plain decimal number (its text names the result files)"},
        {"immutSz", "31", 0, "\nparameter immutSz = 31 is above 30, the most"},
        {"immutSz", "+12", 12, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " = " + c.text);
        const auto parameters = Parameters::parse(test::record(c.name, c.text), "p.txt", kDescribed);
        ASSERT_TRUE(parameters);
        RecordingConsole rec;
        const auto value = parameters->number(rec.console(), c.name);
        if (value) {
            EXPECT_EQ(*value, c.value);
            EXPECT_EQ(rec.text(), c.console);
        } else {
            EXPECT_EQ(value.failure().message, c.console);
            EXPECT_EQ(rec.text(), "");
        }
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

}  // namespace
}  // namespace ruz
