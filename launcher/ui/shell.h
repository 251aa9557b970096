// What the launcher asks of the desktop: open a document with the
// application the desktop associates with it, show a folder in the desktop's
// file manager, and start a module. The main
// window receives it from outside so tests can watch what it asks for.
#pragma once

#include <QString>

namespace quellon {

class Shell {
public:
    virtual ~Shell() = default;
    // Each returns an empty text on success, else the message to show.
    virtual QString openDocument(const QString& path) = 0;
    virtual QString openFolder(const QString& path) = 0;
    virtual QString startModule(const QString& executable) = 0;
};

class DesktopShell final : public Shell {
public:
    QString openDocument(const QString& path) override;
    QString openFolder(const QString& path) override;
    QString startModule(const QString& executable) override;
};

}  // namespace quellon
