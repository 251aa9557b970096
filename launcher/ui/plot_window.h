// FmPlot: one plot of the launcher (Qt Charts): a histogram or points
// along the genome, with its title and axis names, saved as PNG or SVG.
#pragma once

#include <QDialog>
#include <QList>
#include <QPair>

#include "model/plot_data.h"

class QChart;
class QChartView;

namespace quellon {

class TFmPlot final : public QDialog {
    Q_OBJECT
public:
    explicit TFmPlot(QWidget* parent);

    // Bars of the histogram's bins.
    void showHistogram(const QString& title, const QString& xName, const Histogram& histogram);
    // Points (x, y), for positions along the genome.
    void showPoints(const QString& title, const QString& xName, const QString& yName,
                    const QList<QPair<double, double>>& points);

    // The plot as a picture file; false when it cannot be written.
    bool savePng(const QString& path) const;
    bool saveSvg(const QString& path) const;

    const QChart* chart() const;

signals:
    void problem(const QString& message);

private:
    void BtnSaveClick(bool svg);
    void replaceChart(QChart* chart, const QString& title);

    QChartView* view_;
};

}  // namespace quellon
