#include "result_view.h"

#include <QDir>

#include <algorithm>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "design.h"
#include "plot_window.h"
#include "model/igv_link.h"
#include "model/launcher_error.h"
#include "model/plot_data.h"
#include "model/run_findings.h"
#include "model/table_file.h"
#include "shell.h"

namespace quellon {

namespace {

constexpr QSize kDesignSize(900, 600);
constexpr int kFilesWidth = 240;

}  // namespace

TFmResult::TFmResult(Shell& shell, QWidget* parent) : QDialog(parent), shell_(shell) {
    setObjectName(QStringLiteral("FmResult"));
    resize(kDesignSize);
    table_ = new TableFile(this);
    proxy_ = new QSortFilterProxyModel(this);
    proxy_->setSourceModel(table_);
    proxy_->setSortRole(TableFile::kSortRole);
    proxy_->setFilterKeyColumn(-1);
    proxy_->setFilterCaseSensitivity(Qt::CaseInsensitive);

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
    TbResult->setSortingEnabled(true);
    TbResult->sortByColumn(-1, Qt::AscendingOrder);  // the file's order until a heading is clicked
    TbResult->horizontalHeader()->setStretchLastSection(true);
    TbResult->verticalHeader()->setDefaultSectionSize(20);
    TbResult->setToolTip(QStringLiteral("click a heading to sort by its column"));

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
    if (!table_->open(QDir(directory).filePath(table))) {
        problem = table_->problem();
        return false;
    }
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

void TFmResult::EdFilterChange(const QString& text) {
    proxy_->setFilterFixedString(text);
    LblRows->setText(QStringLiteral("%1 of %2 rows").arg(proxy_->rowCount()).arg(table_->rowCount()));
}

void TFmResult::chooseColumn(int column) {
    TbResult->setCurrentIndex(proxy_->index(0, column));
}

// The chosen column (the second when none is chosen) of the whole table.
void TFmResult::plotColumn(bool alongTheGenome) {
    const QModelIndex current = TbResult->currentIndex();
    const int column = current.isValid() ? current.column() : std::min(1, table_->columnCount() - 1);
    const QString name = table_->headerData(column, Qt::Horizontal).toString();
    if (!FmPlot) {
        FmPlot = new TFmPlot(this);
        connect(FmPlot, &TFmPlot::problem, this, &TFmResult::problem);
    }
    const QString path = table_->path();
    try {
        if (alongTheGenome) {
            const QString position = table_->headerData(0, Qt::Horizontal).toString();
            FmPlot->showPoints(QStringLiteral("%1 along the genome").arg(name), position, name,
                               columnPoints(path, 0, column));
        } else {
            FmPlot->showHistogram(QStringLiteral("%1: how its values are spread").arg(name), name,
                                  columnHistogram(path, column, 20));
        }
    } catch (const LauncherError& failure) {
        emit problem(failure.message());
        return;
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
    const qint64 position = table_->row(row).value(0).trimmed().toLongLong(&number);
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
