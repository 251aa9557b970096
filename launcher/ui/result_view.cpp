#include "result_view.h"

#include <QDir>
#include <QFontDatabase>

#include <algorithm>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "design.h"
#include "plot_window.h"
#include "model/igv_link.h"
#include "model/launcher_error.h"
#include "model/plot_data.h"
#include "model/report_layout.h"
#include "model/run_findings.h"
#include "model/segment_table.h"
#include "model/table_file.h"
#include "shell.h"

namespace quellon {

namespace {

constexpr QSize kDesignSize(900, 600);
constexpr int kFilesWidth = 240;
constexpr int kHistogramBins = 20;
// A report shown as text is read this far.
constexpr qint64 kMostTextBytes = qint64{8} << 20;
// A column of this name counts the first column's values.
constexpr QLatin1String kCountsHeading("cases");

}  // namespace

TFmResult::TFmResult(Shell& shell, QWidget* parent) : QDialog(parent), shell_(shell) {
    setObjectName(QStringLiteral("FmResult"));
    resize(kDesignSize);
    table_ = new TableFile(this);
    segments_ = new SegmentTable(this);
    proxy_ = new RowFilter(this);

    LblFindings = new QLabel(this);
    LblFindings->setObjectName(QStringLiteral("LblFindings"));
    LblFindings->setWordWrap(true);
    LblFindings->setTextInteractionFlags(Qt::TextSelectableByMouse);

    EdFilter = new QLineEdit(this);
    EdFilter->setObjectName(QStringLiteral("EdFilter"));
    EdFilter->setPlaceholderText(QStringLiteral("show the rows holding this text"));
    EdFilter->setClearButtonEnabled(true);
    connect(EdFilter, &QLineEdit::textChanged, this, &TFmResult::EdFilterChange);
    LblRows = new QLabel(this);
    LblRows->setObjectName(QStringLiteral("LblRows"));

    TbResult = new QTableView(this);
    TbResult->setObjectName(QStringLiteral("TbResult"));
    TbResult->setModel(proxy_);
    // A heading's click sorts the model itself, which reads the column once;
    // the proxy only filters. The file's order until a heading is clicked.
    QHeaderView* headings = TbResult->horizontalHeader();
    headings->setSectionsClickable(true);
    headings->setSortIndicatorShown(true);
    headings->setSortIndicator(-1, Qt::AscendingOrder);
    connect(headings, &QHeaderView::sortIndicatorChanged, this, [this](int column, Qt::SortOrder order) {
        if (shown_) shown_->sort(column, order);
    });
    TbResult->horizontalHeader()->setStretchLastSection(true);
    TbResult->verticalHeader()->setDefaultSectionSize(20);
    TbResult->setToolTip(QStringLiteral("click a heading to sort by its column"));

    TxReport = new QPlainTextEdit(this);
    TxReport->setObjectName(QStringLiteral("TxReport"));
    TxReport->setReadOnly(true);
    TxReport->setLineWrapMode(QPlainTextEdit::NoWrap);
    TxReport->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    TxReport->hide();

    BxFiles = new QListWidget(this);
    BxFiles->setObjectName(QStringLiteral("BxFiles"));
    BxFiles->setFixedWidth(kFilesWidth);
    BxFiles->setToolTip(QStringLiteral("the run's files; Enter or a double click opens one"));
    connect(BxFiles, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { BxFilesOpen(item->text()); });

    auto* filter = new QHBoxLayout;
    filter->addWidget(EdFilter, 1);
    filter->addWidget(LblRows);
    auto* left = new QVBoxLayout;
    left->addWidget(LblFindings);
    left->addLayout(filter);
    left->addWidget(TbResult, 1);
    left->addWidget(TxReport, 1);
    BtnBrowser = design::speedButton(this, QStringLiteral("BtnBrowser"), QStringLiteral("show in genome browser"),
                                     QRect());
    BtnBrowser->setToolButtonStyle(Qt::ToolButtonTextOnly);
    BtnBrowser->setShortcut(QKeySequence(Qt::ALT | Qt::Key_I));
    BtnBrowser->setToolTip(QStringLiteral("load the run's tracks into a running IGV and go to the chosen row's "
                                          "position (Alt+I)"));
    connect(BtnBrowser, &QToolButton::clicked, this, &TFmResult::BtnBrowserClick);
    BtnHistogram = design::speedButton(this, QStringLiteral("BtnHistogram"), QStringLiteral("plot the column"),
                                       QRect());
    BtnAlong = design::speedButton(this, QStringLiteral("BtnAlong"), QStringLiteral("along the genome"), QRect());
    for (QToolButton* b : {BtnBrowser, BtnHistogram, BtnAlong}) b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    BtnHistogram->setShortcut(QKeySequence(Qt::ALT | Qt::Key_H));
    BtnAlong->setShortcut(QKeySequence(Qt::ALT | Qt::Key_G));
    BtnHistogram->setToolTip(QStringLiteral("how the chosen column's values are spread, as a histogram (Alt+H)"));
    BtnAlong->setToolTip(QStringLiteral("the chosen column against the first one, the position along the genome "
                                        "(Alt+G)"));
    connect(BtnHistogram, &QToolButton::clicked, this, [this] { plotColumn(false); });
    connect(BtnAlong, &QToolButton::clicked, this, [this] { plotColumn(true); });
    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("the run's files"), this));
    right->addWidget(BxFiles, 1);
    right->addWidget(BtnHistogram);
    right->addWidget(BtnAlong);
    right->addWidget(BtnBrowser);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right);
}

bool TFmResult::showTable(const QString& directory, const QString& table, const QStringList& files,
                          const RunFindings& findings, QString& problem) {
    directory_ = directory;
    if (!showReport(QDir(directory).filePath(table), problem)) return false;
    setWindowTitle(QStringLiteral("%1 - %2").arg(QLatin1String(design::kProductTitle), table));
    QStringList lines;
    for (const QString& warning : findings.warnings) lines.append(QStringLiteral("\u26a0 ") + warning);
    if (!findings.counts.isEmpty()) lines.append(findings.counts.join(QStringLiteral(";  ")));
    LblFindings->setText(lines.join(u'\n'));
    design::setFontColour(LblFindings, findings.warnings.isEmpty() ? design::clBlack() : design::clRed());
    files_ = files;
    BtnBrowser->setEnabled(!IgvLink::tracksOf(directory, files).isEmpty());
    BxFiles->clear();
    for (const QString& name : files)
        if (name != table) BxFiles->addItem(name);
    EdFilter->clear();
    EdFilterChange(QString());
    return true;
}

// The report as its layout is: rows in the table view, or its text.
bool TFmResult::showReport(const QString& path, QString& problem) {
    const ReportLayout layout = reportLayoutOf(path);
    if (layout.shape == ReportShape::Text) {
        bool cut = false;
        try {
            QString text = reportText(path, kMostTextBytes, cut);
            if (cut) text += QStringLiteral("\n\n(the first %1 MiB are shown)").arg(kMostTextBytes >> 20);
            TxReport->setPlainText(text);
        } catch (const LauncherError& failure) {
            problem = failure.message();
            return false;
        }
        shown_ = nullptr;
        proxy_->setSourceModel(nullptr);
    } else {
        const bool segments = layout.shape == ReportShape::Segments;
        const bool read = segments ? segments_->open(path) : table_->open(path);
        if (!read) {
            problem = segments ? segments_->problem() : table_->problem();
            return false;
        }
        shown_ = segments ? static_cast<ResultModel*>(segments_) : table_;
        proxy_->setSourceModel(shown_);
        const QSignalBlocker quiet(TbResult->horizontalHeader());
        TbResult->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    }
    const bool rows = shown_ != nullptr;
    TbResult->setVisible(rows);
    TxReport->setVisible(!rows);
    for (QWidget* w : std::initializer_list<QWidget*>{EdFilter, LblRows, BtnHistogram, BtnAlong}) w->setVisible(rows);
    return true;
}

void TFmResult::EdFilterChange(const QString& text) {
    if (!shown_) return;
    proxy_->setText(text);
    LblRows->setText(QStringLiteral("%1 of %2 rows").arg(proxy_->rowCount()).arg(shown_->rowCount()));
}

void TFmResult::chooseColumn(int column) {
    TbResult->setCurrentIndex(proxy_->index(0, column));
}

// The chosen column (the model's value column when none is chosen) of all
// rows: its spread, or against the first column, the position along the
// genome. A column of counts ("cases") is drawn as the histogram it is.
void TFmResult::plotColumn(bool alongTheGenome) {
    if (!shown_) return;
    const QModelIndex current = TbResult->currentIndex();
    const int column = current.isValid() ? current.column() : shown_->valueColumn();
    const QString name = shown_->headerData(column, Qt::Horizontal).toString();
    const QString first = shown_->headerData(0, Qt::Horizontal).toString();
    if (!FmPlot) {
        FmPlot = new TFmPlot(this);
        connect(FmPlot, &TFmPlot::problem, this, &TFmResult::problem);
    }
    const QList<double> values = shown_->columnNumbers(column);
    if (alongTheGenome) {
        FmPlot->showPoints(QStringLiteral("%1 along the genome").arg(name), first, name,
                           pointsOf(shown_->columnNumbers(0), values));
    } else if (name == kCountsHeading && column > 0) {
        FmPlot->showHistogram(QStringLiteral("%1: %2 of each").arg(first, name), first,
                              countsOf(shown_->columnNumbers(0), values));
    } else {
        FmPlot->showHistogram(QStringLiteral("%1: how its values are spread").arg(name), name,
                              spreadOf(values, kHistogramBins));
    }
    FmPlot->show();
    FmPlot->raise();
}

// The chosen row's position is its first number (posInSq, a start).
void TFmResult::BtnBrowserClick() {
    const QStringList tracks = IgvLink::tracksOf(directory_, files_);
    const QModelIndex current = TbResult->currentIndex();
    const int row = current.isValid() ? proxy_->mapToSource(current).row() : 0;
    bool number = false;
    const qint64 position = shown_ ? shown_->row(row).value(0).trimmed().toLongLong(&number) : 0;
    const QString sequence = IgvLink::sequenceOf(tracks);
    const QString locus = number && !sequence.isEmpty() ? IgvLink::locusAround(sequence, position) : sequence;
    const QString failure = IgvLink().show(tracks, locus);
    if (!failure.isEmpty()) emit problem(failure);
}

void TFmResult::BxFilesOpen(const QString& name) {
    const QString failure = shell_.openDocument(QDir(directory_).filePath(name));
    if (!failure.isEmpty()) emit problem(failure);
}

}  // namespace quellon
