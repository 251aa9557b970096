// FmAboutPackage: the about text of the current package.
#pragma once

#include "about_window.h"

namespace quellon {

class TFmAboutPackage final : public AboutWindow {
    Q_OBJECT
public:
    explicit TFmAboutPackage(QWidget* mainWindow);
};

}  // namespace quellon
