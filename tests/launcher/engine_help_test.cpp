// The functions an engine's help says it provides.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "model/engine_help.h"
#include "model/param_grid.h"
#include "model/run_results.h"
#include "model/screen_fit.h"
#include "model/value_check.h"
#include "support/launcher_dir.h"
#include "support/qt_print.h"

namespace quellon {
namespace {

TEST(EngineHelp, ProvidedAreTheFunctionsListedWithoutTheMark) {
    const QString help = "functions:\r\n  RandExt   replaced ends\r\n"
                         "  fIdentifyCircularRna  circles (not available in this version)\r\n"
                         "\r\n  later  not a function\r\n";
    EXPECT_EQ(providedFunctions(help), QStringList{"RandExt"});
    // Without the list the module cannot tell, and nothing is marked.
    EXPECT_EQ(providedFunctions("usage: Ruzovizu\n  RandExt  replaced ends\n"), std::nullopt);
}

}  // namespace
}  // namespace quellon
