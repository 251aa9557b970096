// Quellon: the desktop launcher of the analysis engine. Its Params folder and
// the engine lie beside its executable.
#include <QApplication>
#include <QMessageBox>

#include <exception>
#include <memory>

#include "ui/quellon.h"
#include "ui/shell.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The settings (window place, last folder) are kept under these names.
    QCoreApplication::setOrganizationName(QStringLiteral("Ruzovizu"));
    QCoreApplication::setApplicationName(QStringLiteral("Quellon"));
    try {
        quellon::TFm fm(QCoreApplication::applicationDirPath(),
                        std::make_unique<quellon::DesktopShell>());
        fm.show();
        return application.exec();
    } catch (const std::exception& failure) {
        QMessageBox::critical(nullptr, QString(), QString::fromUtf8(failure.what()));
        return 1;
    }
}
