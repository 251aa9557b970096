// The layout rules of the catalogue and the about files.
#include "model/about_file.h"
#include "model/catalogue.h"

#include <gtest/gtest.h>

#include "model/launcher_error.h"
#include "support/qt_print.h"

namespace quellon {
namespace {

// What a lookup returns, its lines joined by '|', or the message it throws.
template <typename Lookup>
QString outcome(Lookup lookup) {
    try {
        return lookup().join(u'|');
    } catch (const LauncherError& error) {
        return error.message();
    }
}

const QStringList kTwoBlocks = {"fTestGenomeSborka", "*",       ">D:\\prog\\", "#Checks",
                                "RandExtTaskList",   "RandExt", "*Ruzovizu",   ">this", "#Helixa"};

TEST(Catalogue, PackagesFunctionsUpwardFromTheModuleLineAndTheFirstModuleNamingOne) {
    const Catalogue catalogue(kTwoBlocks + QStringList{"RandExt", "*o", ">/o/", "#Later"}, "c.txt");
    EXPECT_EQ(catalogue.packages(), (QStringList{"Checks", "Helixa", "Later"}));
    EXPECT_EQ(catalogue.functionsOf("Checks"), QStringList{"fTestGenomeSborka"});
    EXPECT_EQ(catalogue.functionsOf("Helixa"), (QStringList{"RandExt", "RandExtTaskList"}));
    const Module helixa = catalogue.moduleOf("RandExt");
    EXPECT_EQ(helixa.text + ' ' + helixa.directory, "Ruzovizu this");
    const Module checks = catalogue.moduleOf("fTestGenomeSborka");
    EXPECT_EQ(checks.text + ' ' + checks.directory, " D:\\prog\\");
}

TEST(Catalogue, BrokenBlocksAreReportedWithFileAndLine) {
    const struct {
        QStringList lines;
        bool package;  // looks up the functions of a package, else the module of a function
        QString name;
        QString message;
    } cases[] = {
        {kTwoBlocks, true, "helixa", "c.txt\nthe package \"helixa\" is not listed"},
        {{"*Ruzovizu", ">this", "#Empty"}, true, "Empty",
         "c.txt\nline 3: the package \"Empty\" has no functions"},
        {{"RandExt", "", "*Ruzovizu", ">this", "#Helixa"}, true, "Helixa",
         "c.txt\nline 2: empty line"},
        {{"RandExt", "#Helixa"}, true, "Helixa",
         "c.txt\nline 2: the package \"Helixa\" has no module line two lines above"},
        {kTwoBlocks, false, "Sorvane", "c.txt\nthe function \"Sorvane\" is not listed"},
        {{"RandExt", "*Ruzovizu"}, false, "RandExt",
         "c.txt\nline 2: the module line has no directory line after it"},
        {{"RandExt", "", "*Ruzovizu", ">this"}, false, "RandExt", "c.txt\nline 2: empty line"},
        {{"RandExt", ">this", "#Helixa"}, false, "RandExt",
         "c.txt\nline 1: no module line follows the function \"RandExt\""},
    };
    for (const auto& c : cases) {
        const Catalogue catalogue(c.lines, "c.txt");
        EXPECT_EQ(outcome([&] {
                      if (c.package) return catalogue.functionsOf(c.name);
                      return QStringList{catalogue.moduleOf(c.name).text};
                  }),
                  c.message);
    }
}

TEST(AboutBlock, KeyInAnyCaseMissingKeyLastEntryAndAnEmptyLineInTheBlock) {
    const QStringList about = {"RandExt", "one", "two", "*", "", "Helixa", "last"};
    EXPECT_EQ(aboutBlock(about, "randext", "a.txt"), (QStringList{"one", "two"}));
    EXPECT_EQ(aboutBlock(about, "Sorvane", "a.txt"), (QStringList{"RandExt", "one", "two"}));
    EXPECT_EQ(aboutBlock(about, "Helixa", "a.txt"), QStringList{"last"});
    EXPECT_EQ(aboutBlock({"Helixa"}, "Helixa", "a.txt"), QStringList{});
    const QStringList broken = {"x", "RandExt", "one", "", "*"};
    EXPECT_EQ(outcome([&] { return aboutBlock(broken, "RandExt", "a.txt"); }),
              "a.txt\nline 4: empty line");
}

}  // namespace
}  // namespace quellon
