#include "app/ProgramWindows.h"
#include "calendar/MainForm.h"
#include "controls/MonthCalendar.h"
#include "forms/AppContext.h"
#include "settings/SettingsStore.h"
#include "store/ScheduleDatabase.h"
#include "store/YearMarks.h"
#include "support/WindowBench.h"
#include "views/formYear.h"

#include <QApplication>
#include <QComboBox>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

// The year view on 100,000 entries: opening it from "Max" (load, layout, busy days of twelve months and
// the first paint of the whole screen) must stay under 100 ms; choosing another year (twelve months moved,
// their busy days read again and painted) under one 60 Hz frame, 16.7 ms.
namespace {

constexpr int EntryCount = 100000;

// A large screen, so that every paint covers as many pixels as a user's would.
class LargeScreen : public ScreenService
{
public:
    QRect primaryGeometry() const override { return QRect(0, 0, 1920, 1080); }
    QList<QRect> screens() const override { return {primaryGeometry()}; }
};

LargeScreen g_screen;
WindowBench* g_fixture = nullptr;

int calendarPaints()
{
    int count = 0;
    for (int i = 0; i < formYear::Months; ++i)
        count += g_fixture->windows->yearWindow()->YearCalendar(i)->paintCount();
    return count;
}

// "Max" up to the first paint of the twelve months; the view is closed again outside the timing, so
// that every opening loads it afresh as a user's would.
void BM_OpenYearView(benchmark::State& state)
{
    formYear* year = g_fixture->windows->yearWindow();
    int paints = 0;
    for (auto _ : state) {
        const int before = calendarPaints();
        g_fixture->form->cmdButton_Click(MainForm::Max);
        QCoreApplication::processEvents();
        paints += calendarPaints() - before;

        state.PauseTiming();
        year->VemraButton1_Click(formYear::BackToMainForm);
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["calendar paints per opening"] = double(paints) / double(state.iterations());
}
BENCHMARK(BM_OpenYearView)->Unit(benchmark::kMillisecond);

// The first opening of a run, which also makes the window and its controls.
void BM_FirstOpening(benchmark::State& state)
{
    for (auto _ : state) {
        auto year = std::make_unique<formYear>(*g_fixture->context, *g_fixture->windows);
        year->show();
        QCoreApplication::processEvents();

        state.PauseTiming();
        year->close();
        year.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstOpening)->Unit(benchmark::kMillisecond);

// Another year chosen in the picker, painted: 2002 and 2003 in turn.
void BM_ChangeYear(benchmark::State& state)
{
    g_fixture->form->cmdButton_Click(MainForm::Max);
    QCoreApplication::processEvents();
    formYear* year = g_fixture->windows->yearWindow();
    QComboBox* picker = year->Combo1();
    const int thisYear = picker->currentIndex();
    bool next = true;
    int paints = 0;
    for (auto _ : state) {
        const int before = calendarPaints();
        picker->setCurrentIndex(next ? thisYear + 1 : thisYear);
        next = !next;
        QCoreApplication::processEvents();
        paints += calendarPaints() - before;
    }
    state.counters["calendar paints per change"] = double(paints) / double(state.iterations());
    year->VemraButton1_Click(formYear::BackToMainForm);
    QCoreApplication::processEvents();
}
BENCHMARK(BM_ChangeYear)->Unit(benchmark::kMillisecond);

// The one walk of the schedule behind the busy days of a year.
void BM_YearMarks(benchmark::State& state)
{
    const ScheduleTable& table = g_fixture->database->table();
    int year = 2002;
    for (auto _ : state) {
        benchmark::DoNotOptimize(YearMarks::of(table, year));
        year = year == 2002 ? 2003 : 2002;
    }
    state.counters["entries"] = double(table.size());
}
BENCHMARK(BM_YearMarks)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return runWindowBenchmarks(argc, argv, EntryCount, g_screen, g_fixture);
}
