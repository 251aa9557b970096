// The catalogue: packages, their functions and the module that serves them.
#include "model/catalogue.h"

#include <gtest/gtest.h>

#include "model/launcher_error.h"
#include "support/qt_print.h"

namespace quellon {
namespace {

const QStringList kTwoBlocks = {
    "fTestGenomeSborka", "*",         ">D:\\prog\\", "#Checks",
    "RandExtTaskList",   "RandExt",   "*Ruzovizu",   ">this",   "#Helixa",
};

Catalogue twoBlocks() { return Catalogue(kTwoBlocks, "List_FuncModulePack.txt"); }

// The message of the error a call throws, or a note that it threw none.
template <typename Call>
QString errorOf(Call call) {
    try {
        call();
    } catch (const LauncherError& error) {
        return error.message();
    }
    return "no error";
}

TEST(CataloguePackages, AreThePackageLinesInFileOrder) {
    EXPECT_EQ(twoBlocks().packages(), (QStringList{"Checks", "Helixa"}));
}

TEST(CatalogueFunctions, FirstBlockOffersItsOneFunction) {
    EXPECT_EQ(twoBlocks().functionsOf("Checks"), QStringList{"fTestGenomeSborka"});
}

TEST(CatalogueFunctions, SecondBlockStopsAtTheFirstPackageLineAndRunsUpward) {
    EXPECT_EQ(twoBlocks().functionsOf("Helixa"), (QStringList{"RandExt", "RandExtTaskList"}));
}

TEST(CatalogueFunctions, PackageNamesMatchExactly) {
    EXPECT_TRUE(errorOf([] { twoBlocks().functionsOf("helixa"); }).contains("\"helixa\" is not listed"));
}

TEST(CatalogueFunctions, BrokenBlocksAreReportedWithTheirLine) {
    const Catalogue noFunctions({"*Ruzovizu", ">this", "#Empty"}, "c.txt");
    EXPECT_EQ(errorOf([&] { noFunctions.functionsOf("Empty"); }),
              "c.txt\nline 3: the package \"Empty\" has no functions");

    const Catalogue emptyLine({"RandExt", "", "*Ruzovizu", ">this", "#Helixa"}, "c.txt");
    EXPECT_EQ(errorOf([&] { emptyLine.functionsOf("Helixa"); }), "c.txt\nline 2: empty line");

    const Catalogue noModule({"RandExt", "#Helixa"}, "c.txt");
    EXPECT_TRUE(errorOf([&] { noModule.functionsOf("Helixa"); }).contains("no module line"));
}

TEST(CatalogueModule, NamesTheModuleAndTheRawDirectory) {
    const Module helixa = twoBlocks().moduleOf("RandExtTaskList");
    EXPECT_EQ(helixa.text, "Ruzovizu");
    EXPECT_EQ(helixa.directory, "this");

    const Module checks = twoBlocks().moduleOf("fTestGenomeSborka");
    EXPECT_EQ(checks.text, "");
    EXPECT_EQ(checks.directory, "D:\\prog\\");
}

TEST(CatalogueModule, FirstBlockNamingTheFunctionWins) {
    const Catalogue twice({"RandExt", "*first", ">a/", "#One", "RandExt", "*second", ">b/", "#Two"},
                          "c.txt");
    EXPECT_EQ(twice.moduleOf("RandExt").text, "first");
}

TEST(CatalogueModule, MissingPartsAreReportedNotGuessed) {
    EXPECT_EQ(errorOf([] { twoBlocks().moduleOf("Sorvane"); }),
              "List_FuncModulePack.txt\nthe function \"Sorvane\" is not listed");

    const Catalogue lastLineModule({"RandExt", "*Ruzovizu"}, "c.txt");
    EXPECT_EQ(errorOf([&] { lastLineModule.moduleOf("RandExt"); }),
              "c.txt\nline 2: the module line has no directory line after it");

    const Catalogue gap({"RandExt", "", "*Ruzovizu", ">this", "#Helixa"}, "c.txt");
    EXPECT_EQ(errorOf([&] { gap.moduleOf("RandExt"); }), "c.txt\nline 2: empty line");

    const Catalogue noModule({"RandExt", ">this", "#Helixa"}, "c.txt");
    EXPECT_TRUE(errorOf([&] { noModule.moduleOf("RandExt"); }).contains("no module line follows"));
}

}  // namespace
}  // namespace quellon
