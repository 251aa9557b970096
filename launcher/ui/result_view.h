// FmResult: a run's main result inside the launcher, for when there is no
// program for it on the desktop or a quick look is enough. A table is read
// lazily (TableFile), the circular and parted reports as their segments
// (SegmentTable); both sort by any column (numbers by value) and filter
// their rows by a text. Any other report is shown as its text. Beside it
// the counts and warnings of the run's logs, and
// the run's other files, which open in the desktop's programs. Where the run
// wrote tracks, "show in genome browser" sends them and the chosen row's
// position to a running IGV.
#pragma once

#include <QDialog>
#include <QStringList>

#include "model/result_model.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QSortFilterProxyModel;
class QTableView;
class QToolButton;

namespace quellon {

class TFmPlot;

class SegmentTable;
class Shell;
class TableFile;
struct RunFindings;

class TFmResult final : public QDialog {
    Q_OBJECT
public:
    TFmResult(Shell& shell, QWidget* parent);

    // Shows `table` of `directory` (a table, segments or text, as its
    // layout is), with the findings and the other files. False (with the
    // reason in `problem`) when the report cannot be read.
    bool showTable(const QString& directory, const QString& table, const QStringList& files,
                   const RunFindings& findings, QString& problem);

    const QSortFilterProxyModel& rows() const { return *proxy_; }
    // The report's text, when it is neither a table nor segments.
    const QPlainTextEdit& text() const { return *TxReport; }
    // The plot window, once a plot was asked for.
    const TFmPlot* plotWindow() const { return FmPlot; }
    // Chooses the column the plot buttons plot.
    void chooseColumn(int column);

signals:
    void problem(const QString& message);

private:
    void EdFilterChange(const QString& text);
    void BtnBrowserClick();
    bool showReport(const QString& path, QString& problem);
    void plotColumn(bool alongTheGenome);
    void BxFilesOpen(const QString& name);

    Shell& shell_;
    QString directory_;
    TableFile* table_;
    SegmentTable* segments_;
    ResultModel* shown_ = nullptr;  // table_ or segments_, or none for a text
    RowFilter* proxy_;
    QLabel* LblFindings;
    QLineEdit* EdFilter;
    QLabel* LblRows;
    QTableView* TbResult;
    QPlainTextEdit* TxReport;
    QListWidget* BxFiles;
    QToolButton* BtnBrowser;
    QToolButton* BtnHistogram;
    QToolButton* BtnAlong;
    TFmPlot* FmPlot = nullptr;
    QStringList files_;
};

}  // namespace quellon
