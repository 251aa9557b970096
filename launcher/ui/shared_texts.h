// The two texts the main window shares with its small editing windows: the
// value entry window and the directory chooser read their starting value
// from here and leave their result here.
#pragma once

#include <QString>

namespace quellon {

struct SharedTexts {
    QString value;      // FmDigit
    QString directory;  // FmDir
};

}  // namespace quellon
