#include "plot_window.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QPainter>
#include <QScatterSeries>
#include <QSvgGenerator>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValueAxis>

#include "design.h"

#include <algorithm>

namespace quellon {

namespace {

constexpr QSize kDesignSize(800, 500);
// Bars beyond this many are drawn as one series of points instead: a bar
// chart of thousands of categories draws nothing readable.
constexpr int kMostBars = 400;

}  // namespace

TFmPlot::TFmPlot(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FmPlot"));
    resize(kDesignSize);
    view_ = new QChartView(new QChart, this);
    view_->setObjectName(QStringLiteral("ChartView"));
    view_->setRenderHint(QPainter::Antialiasing);
    auto* png = design::speedButton(this, QStringLiteral("BtnSavePng"), QStringLiteral("save PNG"), QRect());
    auto* svg = design::speedButton(this, QStringLiteral("BtnSaveSvg"), QStringLiteral("save SVG"), QRect());
    png->setShortcut(QKeySequence(Qt::ALT | Qt::Key_P));
    svg->setShortcut(QKeySequence(Qt::ALT | Qt::Key_V));
    png->setToolTip(QStringLiteral("save the plot as a PNG picture (Alt+P)"));
    svg->setToolTip(QStringLiteral("save the plot as an SVG drawing (Alt+V)"));
    connect(png, &QToolButton::clicked, this, [this] { BtnSaveClick(false); });
    connect(svg, &QToolButton::clicked, this, [this] { BtnSaveClick(true); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(png);
    buttons->addWidget(svg);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_, 1);
    layout->addLayout(buttons);
}

const QChart* TFmPlot::chart() const { return view_->chart(); }

// The view owns its chart but gives up the one it replaces: that one goes.
void TFmPlot::replaceChart(QChart* chart, const QString& title) {
    QChart* previous = view_->chart();
    view_->setChart(chart);
    delete previous;
    setWindowTitle(QStringLiteral("%1 - %2").arg(QLatin1String(design::kProductTitle), title));
}

void TFmPlot::showHistogram(const QString& title, const QString& xName, const Histogram& histogram) {
    if (histogram.counts.size() > kMostBars) {
        QList<QPair<double, double>> points;
        for (int i = 0; i < histogram.counts.size(); ++i)
            points.append({histogram.first + histogram.width * i, static_cast<double>(histogram.counts[i])});
        showPoints(title, xName, QStringLiteral("count"), points);
        return;
    }
    auto* chart = new QChart;
    chart->setTitle(title);
    auto* set = new QBarSet(QStringLiteral("count"));
    QStringList categories;
    for (int i = 0; i < histogram.counts.size(); ++i) {
        *set << static_cast<double>(histogram.counts[i]);
        categories << QString::number(histogram.first + histogram.width * i, 'g', 4);
    }
    auto* series = new QBarSeries;
    series->append(set);
    chart->addSeries(series);
    auto* x = new QBarCategoryAxis;
    x->append(categories);
    x->setTitleText(xName);
    auto* y = new QValueAxis;
    y->setTitleText(QStringLiteral("count"));
    y->setLabelFormat(QStringLiteral("%d"));
    // Counts from 0, whole numbers on the ticks.
    const qint64 most = histogram.counts.isEmpty() ? 1 : *std::max_element(histogram.counts.begin(),
                                                                             histogram.counts.end());
    y->setRange(0, static_cast<double>(std::max<qint64>(most, 1)));
    y->setTickCount(static_cast<int>(std::min<qint64>(std::max<qint64>(most, 1), 5)) + 1);
    if (most > 5) y->applyNiceNumbers();
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
    chart->legend()->hide();
    replaceChart(chart, title);
}

void TFmPlot::showPoints(const QString& title, const QString& xName, const QString& yName,
                         const QList<QPair<double, double>>& points) {
    auto* chart = new QChart;
    chart->setTitle(title);
    auto* series = new QScatterSeries;
    series->setMarkerSize(6);
    for (const auto& [px, py] : points) series->append(px, py);
    chart->addSeries(series);
    chart->createDefaultAxes();
    if (!chart->axes(Qt::Horizontal).isEmpty()) chart->axes(Qt::Horizontal).first()->setTitleText(xName);
    if (!chart->axes(Qt::Vertical).isEmpty()) chart->axes(Qt::Vertical).first()->setTitleText(yName);
    chart->legend()->hide();
    replaceChart(chart, title);
}

bool TFmPlot::savePng(const QString& path) const { return view_->grab().save(path, "PNG"); }

bool TFmPlot::saveSvg(const QString& path) const {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(view_->size());
    svg.setViewBox(QRect(QPoint(0, 0), view_->size()));
    svg.setTitle(view_->chart()->title());
    QPainter painter;
    if (!painter.begin(&svg)) return false;
    view_->render(&painter);
    return painter.end();
}

void TFmPlot::BtnSaveClick(bool svg) {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("save the plot"), QString(),
                                                      svg ? QStringLiteral("SVG (*.svg)") : QStringLiteral("PNG (*.png)"));
    if (path.isEmpty()) return;
    if (!(svg ? saveSvg(path) : savePng(path))) emit problem(QStringLiteral("i can't write ") + path);
}

}  // namespace quellon
