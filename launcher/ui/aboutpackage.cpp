#include "aboutpackage.h"

namespace quellon {

// The window keeps the system's face colour (an invalid colour changes nothing).
TFmAboutPackage::TFmAboutPackage(QWidget* mainWindow)
    : AboutWindow(QStringLiteral("FmAboutPackage"), QStringLiteral("About Package"), QColor(), 500,
                  0, mainWindow) {}

}  // namespace quellon
