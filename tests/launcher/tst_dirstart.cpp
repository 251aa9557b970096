// FmDir, the directory chooser.
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "support/modal.h"
#include "ui/dirstart.h"

using quellon::SharedTexts;
using quellon::TFmDir;
using quellon::test_support::whenModal;

namespace {

// Clicks the list item whose text ends in `label`; a double click is a click
// followed by the double-click event.
void clickItem(TFmDir* chooser, const QString& label, bool twice = false) {
    auto* list = chooser->findChild<QListWidget*>("BoxDir");
    const auto items = list->findItems(label, Qt::MatchEndsWith);
    if (items.size() != 1) return;
    const QPoint at = list->visualItemRect(items.first()).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    if (twice) QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

void press(TFmDir* chooser, const char* name) {
    QTest::mouseClick(chooser->findChild<QToolButton*>(name), Qt::LeftButton);
}

}  // namespace

class tst_dirstart : public QObject {
    Q_OBJECT

private slots:
    void init();
    void openingShowsAnExistingDirectoryBesideTheGrid();
    void takeReturnsTheChoiceCancelKeepsTheOldDirectory();
    void onlyTakeAndCancelLeaveTheWindow();
    void doubleClickAndVolumeChoiceList();

private:
    void openFor(TFmDir& chooser, std::function<void(TFmDir*)> act) {
        QObject context;
        whenModal<TFmDir>(&context, std::move(act));
        chooser.openFor(main_.pos(), 430);
    }

    QTemporaryDir temp_;
    QString top_;
    QWidget main_;
};

void tst_dirstart::init() {
    top_ = QDir(temp_.path()).canonicalPath();
    QDir(top_).mkpath("results/run1");
    QDir(top_).mkpath("reads");
    main_.show();  // the chooser is placed from the main window's frame
}

void tst_dirstart::openingShowsAnExistingDirectoryBesideTheGrid() {
    SharedTexts shared{QString(), top_ + "/results"};
    TFmDir chooser(shared, &main_);
    QPoint placed;
    QString listed;
    QString panel = "unset";
    openFor(chooser, [&](TFmDir* c) {
        placed = c->pos();
        listed = c->listedDirectory();
        panel = c->findChild<QLabel*>("PnlDir")->text();
        press(c, "BtnCancel");
    });
    QCOMPARE(placed, main_.pos() + QPoint(430 + 10, 20));
    QCOMPARE(listed, top_ + "/results");
    QCOMPARE(panel, QString());  // opening does not change the panel

    shared.directory = "?";  // not a directory: the list stays where it was
    openFor(chooser, [&](TFmDir* c) { listed = c->listedDirectory(); press(c, "BtnCancel"); });
    QCOMPARE(listed, top_ + "/results");
}

void tst_dirstart::takeReturnsTheChoiceCancelKeepsTheOldDirectory() {
    SharedTexts shared{QString(), top_};
    TFmDir chooser(shared, &main_);
    openFor(chooser, [](TFmDir* c) { press(c, "BtnTake"); });
    QCOMPARE(shared.directory, QString());  // nothing chosen yet

    openFor(chooser, [](TFmDir* c) { clickItem(c, "reads"); press(c, "BtnTake"); });
    QCOMPARE(shared.directory, top_ + "/reads");

    shared.directory = top_;
    openFor(chooser, [](TFmDir* c) { clickItem(c, "results"); press(c, "BtnCancel"); });
    QCOMPARE(shared.directory, top_);

    openFor(chooser, [](TFmDir* c) { press(c, "BtnTake"); });  // the last click's choice
    QCOMPARE(shared.directory, top_ + "/results");
}

void tst_dirstart::onlyTakeAndCancelLeaveTheWindow() {
    SharedTexts shared{QString(), top_};
    TFmDir chooser(shared, &main_);
    for (const char* leave : {"BtnTake", "BtnCancel"}) {
        bool openAfterClose = false;
        bool openAfterEscape = false;
        openFor(chooser, [&](TFmDir* c) {
            c->close();
            openAfterClose = c->isVisible();
            QTest::keyClick(c, Qt::Key_Escape);
            openAfterEscape = c->isVisible();
            press(c, leave);
        });
        QVERIFY2(openAfterClose, leave);
        QVERIFY2(openAfterEscape, leave);
        QVERIFY(!chooser.isVisible());
    }
}

void tst_dirstart::doubleClickAndVolumeChoiceList() {
    SharedTexts shared{QString(), top_};
    TFmDir chooser(shared, &main_);
    QString listed;
    openFor(chooser, [&](TFmDir* c) {
        clickItem(c, "results", true);
        listed = c->listedDirectory();
        clickItem(c, "run1");
        press(c, "BtnTake");
    });
    QCOMPARE(listed, top_ + "/results");
    QCOMPARE(shared.directory, top_ + "/results/run1");

    auto* volumes = chooser.findChild<QComboBox*>("BoxDisc");
    const int root = volumes->findText("/");
    QVERIFY(root >= 0);
    volumes->setCurrentIndex(root);
    emit volumes->activated(root);
    QCOMPARE(chooser.listedDirectory(), QString("/"));
}

QTEST_MAIN(tst_dirstart)
#include "tst_dirstart.moc"
