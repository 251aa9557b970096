// A launcher under test: a temporary launcher directory, a main window on it
// and a shell that notes what the window asks of the desktop.
#pragma once

#include <QComboBox>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include <memory>

#include "support/launcher_dir.h"
#include "support/recording_shell.h"
#include "ui/quellon.h"

namespace quellon::test_support {

struct LauncherUnderTest {
    LauncherDir dir;
    std::shared_ptr<ShellLog> shell = std::make_shared<ShellLog>();
    std::unique_ptr<TFm> fm;

    // Creates the main window on the directory as it is now, and shows it.
    // Returns whether the window was shown.
    bool open() {
        fm = std::make_unique<TFm>(dir.path(), std::make_unique<RecordingShell>(shell));
        fm->show();
        return QTest::qWaitForWindowExposed(fm.get());
    }

    template <typename T = QWidget>
    T* find(const char* name) const {
        return fm->findChild<T*>(QString::fromLatin1(name));
    }
    QToolButton* button(const char* name) const { return find<QToolButton>(name); }
    QTableWidget* grid() const { return find<QTableWidget>("TbData"); }

    void click(const char* buttonName) const { QTest::mouseClick(button(buttonName), Qt::LeftButton); }

    // A click on a grid row, as the user makes it (on its value cell).
    void clickRow(int row) const {
        QTableWidget* table = grid();
        const QRect cell = table->visualRect(table->model()->index(row, 3));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    }

    QString cell(int row, int column) const { return grid()->item(row, column)->text(); }

    // Picks an item of a box the way the user does: the box's activation.
    void choose(const char* boxName, const QString& text) const {
        QComboBox* box = find<QComboBox>(boxName);
        const int index = box->findText(text);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

    QColor fixColour() const { return button("BtnFixParams")->palette().color(QPalette::ButtonText); }
    int goTag() const { return button("BtnGo")->property("Tag").toInt(); }
};

}  // namespace quellon::test_support
