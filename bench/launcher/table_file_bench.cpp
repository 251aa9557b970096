// Times what the result view does with a table of a million rows (the
// replaced-end report's columns): opening it (finding where its lines
// start), showing the first screen of rows, one column's numbers for a plot,
// sorting it by a column of numbers, and filtering its rows by a text.
//
// Usage: table_file_bench [--benchmark_filter=...]
// Run it from the release build; it writes its table to a temporary folder.
#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include <random>

#include "model/table_file.h"

namespace {

constexpr int kRows = 1'000'000;
constexpr int kScreenRows = 40;

// posInSq, readsAtPos, entropy, strand, read's text, tipNu.
QString writeTable(const QTemporaryDir& dir) {
    const QString path = dir.filePath("million.txt");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {};
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> position(1, 100'000'000), reads(1, 500), tip(0, 4095);
    QByteArray text("posInSq\treadsAtPos\tentropy\tstrand\tread's text\ttipNu");
    for (int r = 0; r < kRows; ++r) {
        text += '\n' + QByteArray::number(position(rng)) + '\t' + QByteArray::number(reads(rng)) + '\t' +
                QByteArray::number(tip(rng) / 1000.0, 'f', 4) + (r % 2 ? "\t+\t" : "\t-\t") +
                "GTTTTCTATCAACCATGCGGggtcac\t" + QByteArray::number(tip(rng) % 9);
        if (text.size() > (1 << 22)) {
            file.write(text);
            text.clear();
        }
    }
    file.write(text);
    return path;
}

const QString& table() {
    static const QTemporaryDir dir;
    static const QString path = writeTable(dir);
    return path;
}

void BM_OpenAndShowTheFirstScreen(benchmark::State& state) {
    table();  // written before the timing
    for (auto _ : state) {
        quellon::TableFile model;
        if (!model.open(table())) state.SkipWithError("the table cannot be read");
        for (int r = 0; r < kScreenRows; ++r)
            for (int c = 0; c < model.columnCount(); ++c) benchmark::DoNotOptimize(model.index(r, c).data());
        benchmark::DoNotOptimize(model.rowCount());
    }
    state.counters["rows"] = kRows;
}
BENCHMARK(BM_OpenAndShowTheFirstScreen)->Unit(benchmark::kMillisecond);

void BM_OneColumnsNumbers(benchmark::State& state) {
    quellon::TableFile model;
    model.open(table());
    for (auto _ : state) benchmark::DoNotOptimize(model.columnNumbers(2));
}
BENCHMARK(BM_OneColumnsNumbers)->Unit(benchmark::kMillisecond);

// As a heading's click does: the model sorts, the filtering proxy follows.
void BM_SortByANumberColumn(benchmark::State& state) {
    quellon::TableFile model;
    model.open(table());
    quellon::RowFilter rows;
    rows.setSourceModel(&model);
    for (auto _ : state) {
        model.sort(1, Qt::DescendingOrder);
        benchmark::DoNotOptimize(rows.index(0, 0).data());
        model.sort(-1);
    }
}
BENCHMARK(BM_SortByANumberColumn)->Unit(benchmark::kMillisecond);

void BM_FilterByAText(benchmark::State& state) {
    quellon::TableFile model;
    model.open(table());
    quellon::RowFilter rows;
    rows.setSourceModel(&model);
    for (auto _ : state) {
        rows.setText(QStringLiteral("gtcac\t8"));
        benchmark::DoNotOptimize(rows.rowCount());
        rows.setText(QString());
    }
}
BENCHMARK(BM_FilterByAText)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
