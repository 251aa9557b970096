// FmResult: a run's result table inside the launcher, for when there is no
// program for it on the desktop or a quick look is enough. The table is read
// lazily (TableFile), sorts by any column (numbers by value) and filters its
// rows by a text; beside it the counts and warnings of the run's logs, and
// the run's other files, which open in the desktop's programs. Where the run
// wrote tracks, "show in genome browser" sends them and the chosen row's
// position to a running IGV.
#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QLineEdit;
class QListWidget;
class QSortFilterProxyModel;
class QTableView;
class QToolButton;

namespace quellon {

class TFmPlot;

class Shell;
class TableFile;
struct RunFindings;

class TFmResult final : public QDialog {
    Q_OBJECT
public:
    TFmResult(Shell& shell, QWidget* parent);

    // Shows `table` of `directory`, with the findings and the other files.
    // False (with the reason in `problem`) when the table cannot be read.
    bool showTable(const QString& directory, const QString& table, const QStringList& files,
                   const RunFindings& findings, QString& problem);

    const QSortFilterProxyModel& rows() const { return *proxy_; }
    // The plot window, once a plot was asked for.
    const TFmPlot* plotWindow() const { return FmPlot; }
    // Chooses the column the plot buttons plot.
    void chooseColumn(int column);

signals:
    void problem(const QString& message);

private:
    void EdFilterChange(const QString& text);
    void BtnBrowserClick();
    void plotColumn(bool alongTheGenome);
    void BxFilesOpen(const QString& name);

    Shell& shell_;
    QString directory_;
    TableFile* table_;
    QSortFilterProxyModel* proxy_;
    QLabel* LblFindings;
    QLineEdit* EdFilter;
    QLabel* LblRows;
    QTableView* TbResult;
    QListWidget* BxFiles;
    QToolButton* BtnBrowser;
    QToolButton* BtnHistogram;
    QToolButton* BtnAlong;
    TFmPlot* FmPlot = nullptr;
    QStringList files_;
};

}  // namespace quellon
