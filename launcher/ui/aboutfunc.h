// FmAboutFunc: the about text of the current function.
#pragma once

#include "about_window.h"

namespace quellon {

class TFmAboutFunc final : public AboutWindow {
    Q_OBJECT
public:
    explicit TFmAboutFunc(QWidget* mainWindow);
};

}  // namespace quellon
