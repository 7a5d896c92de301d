#include "controls/ListGrid.h"
#include "store/ScheduleEntry.h"
#include "support/EntryGenerator.h"

#include <QApplication>
#include <QDateTime>
#include <QScrollBar>
#include <QTableView>

#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

// The countdown list at its largest: 50,000 entries in a 201 x 217 grid, the first column the entry's
// date and time, the second a countdown computed when a row is painted. The once-a-second refresh and a
// page of scrolling must stay well under one 60 Hz frame (16.7 ms); filling and sorting happen once per
// load or column click and should stay within a few frames.
namespace {

constexpr int RowCount = 50000;

struct Countdown
{
    std::vector<QString> whenTexts;
    std::vector<qint64> dueSeconds;
    qint64 now = QDateTime(QDate(2002, 10, 12), QTime(9, 30)).toSecsSinceEpoch();
    int asked = 0;

    Countdown()
    {
        const std::vector<ScheduleEntry> entries = EntryGenerator::generate(RowCount);
        for (const ScheduleEntry& entry : entries) {
            const QString when = entry[ScheduleField::Date] + u' ' + entry[ScheduleField::AlarmTime];
            whenTexts.push_back(when);
            const QDate date = QDate::fromString(entry[ScheduleField::Date], QStringLiteral("MM/dd/yyyy"));
            dueSeconds.push_back(QDateTime(date, QTime(0, 0)).toSecsSinceEpoch());
        }
    }

    QString text(int row)
    {
        ++asked;
        const qint64 left = dueSeconds[size_t(row - 1)] - now;
        const qint64 seconds = left < 0 ? 0 : left;
        return QStringLiteral("%1d %2:%3:%4")
            .arg(seconds / 86400)
            .arg(seconds / 3600 % 24, 2, 10, QLatin1Char('0'))
            .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    }
};

Countdown& countdown()
{
    static Countdown shared;
    return shared;
}

std::unique_ptr<ListGrid> makeGrid()
{
    auto grid = std::make_unique<ListGrid>();
    grid->resize(201, 217);
    grid->AddColumn(QStringLiteral("KEY1"), QStringLiteral("When"), 0, -1, 55);
    grid->AddColumn(QStringLiteral("KEY2"), QStringLiteral("Left"), 0, -1, 122);
    return grid;
}

void fill(ListGrid& grid)
{
    const Countdown& source = countdown();
    for (int row = 1; row <= RowCount; ++row) {
        grid.CellDetails(row, 1, source.whenTexts[size_t(row - 1)], 0x40020, row % 4);
        grid.CellDetails(row, 2, QString(), 0);
    }
}

std::unique_ptr<ListGrid> filledGrid(bool shown)
{
    auto grid = makeGrid();
    fill(*grid);
    grid->setColumnTextSource(2, [](int row) { return countdown().text(row); });
    if (shown) {
        grid->show();
        QApplication::processEvents();
    }
    return grid;
}

void BM_Fill(benchmark::State& state)
{
    const bool shown = state.range(0) == 1;
    countdown();
    for (auto _ : state) {
        auto grid = makeGrid();
        if (shown) {
            grid->show();
            QApplication::processEvents();
        }
        fill(*grid);
        QApplication::processEvents();
        benchmark::DoNotOptimize(grid->Rows());
    }
}
BENCHMARK(BM_Fill)->Arg(0)->Arg(1)->ArgName("shown")->Unit(benchmark::kMillisecond);

// The once-a-second tick: the countdown column repainted where it is on screen.
void BM_RefreshColumn(benchmark::State& state)
{
    auto grid = filledGrid(true);
    grid->view()->verticalScrollBar()->setValue(RowCount / 2);
    QApplication::processEvents();
    Countdown& source = countdown();
    source.asked = 0;
    for (auto _ : state) {
        ++source.now;
        grid->refreshColumn(2);
        QApplication::processEvents();
    }
    state.counters["asked_per_tick"] = double(source.asked) / double(state.iterations());
}
BENCHMARK(BM_RefreshColumn)->Unit(benchmark::kMicrosecond);

// The same tick painting every row on screen, for comparison.
void BM_RepaintAllRows(benchmark::State& state)
{
    auto grid = filledGrid(true);
    Countdown& source = countdown();
    source.asked = 0;
    for (auto _ : state) {
        ++source.now;
        grid->view()->viewport()->repaint();
    }
    state.counters["asked_per_tick"] = double(source.asked) / double(state.iterations());
}
BENCHMARK(BM_RepaintAllRows)->Unit(benchmark::kMicrosecond);

void BM_ScrollPage(benchmark::State& state)
{
    auto grid = filledGrid(true);
    QScrollBar* bar = grid->view()->verticalScrollBar();
    for (auto _ : state) {
        const int next = bar->value() + bar->pageStep();
        bar->setValue(next > bar->maximum() ? 0 : next);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_ScrollPage)->Unit(benchmark::kMicrosecond);

// Sorting the first column as text (102) or as date and minute (254), turning the order each time so
// that every sort moves every row.
void BM_Sort(benchmark::State& state)
{
    auto grid = filledGrid(true);
    grid->setSelectedRow(100);
    int order = 1;
    for (auto _ : state) {
        grid->SortObject().setSortColumn(1, 1);
        grid->SortObject().setSortType(1, int(state.range(0)));
        grid->SortObject().setSortOrder(1, order);
        grid->Sort();
        QApplication::processEvents();
        order = 3 - order;
    }
}
BENCHMARK(BM_Sort)->Arg(102)->Arg(254)->ArgName("type")->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
