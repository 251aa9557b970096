#include "aboutfunc.h"

#include "design.h"

namespace quellon {

TFmAboutFunc::TFmAboutFunc(QWidget* mainWindow)
    : AboutWindow(QStringLiteral("FmAboutFunc"), QStringLiteral("FmAboutFunc"), design::clInfoBk(),
                  650, 500, mainWindow) {}

}  // namespace quellon
