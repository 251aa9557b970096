// Where the small windows stand on the screen.
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

TEST(ScreenFit, AboutWindowBelowThenAboveThenAtTheBottomShortenedToItsRoom) {
    const QRect screen(0, 0, 1024, 640);
    const QRect main(12, 50, 1000, 440);  // bottom 489: 150 pixels below, 50 above
    const struct {
        int height;
        QRect mainFrame;
        QRect place;
    } cases[] = {
        {100, main, QRect(512, 490, 512, 100)},            // below, moved left onto the screen
        {300, main, QRect(512, 490, 512, 150)},            // below, shortened to the room
        {300, main.translated(0, 100), QRect(512, 0, 512, 150)},  // room above only
        {300, QRect(12, 80, 1000, 500), QRect(512, 340, 512, 300)},  // no room: the bottom
    };
    for (const auto& c : cases) {
        EXPECT_EQ(aboutWindowPlace(QSize(512, c.height), 106, c.mainFrame, 500, screen), c.place)
            << c.height;
    }
    EXPECT_EQ(fitInto(QRect(450, 70, 546, 640), screen), QRect(450, 0, 546, 640));
    EXPECT_EQ(fitInto(QRect(-20, 700, 2000, 100), screen), QRect(0, 540, 1024, 100));
}

}  // namespace
}  // namespace quellon
