// Lets GoogleTest print Qt texts: in failure messages and after "<<".
#pragma once

#include <QString>

#include <ostream>

inline std::ostream& operator<<(std::ostream& out, const QString& text) {
    return out << '"' << text.toStdString() << '"';
}
