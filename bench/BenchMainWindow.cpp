#include "alarm/FormAlarm.h"
#include "app/ProgramWindows.h"
#include "calendar/MainForm.h"
#include "controls/ListGrid.h"
#include "forms/AppContext.h"
#include "forms/ClickLabel.h"
#include "settings/SettingsStore.h"
#include "store/DateText.h"
#include "store/ScheduleDatabase.h"
#include "support/WindowBench.h"
#include "views/FormGrid.h"

#include <QApplication>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

// The three things a user does most on the main window, each of which reads the whole schedule:
// hovering a day (its hint), clicking a day (re-marking the month) and changing the month (layout and
// marking). Each must stay under one 60 Hz frame (16.7 ms) with 100,000 entries. Then the work of every
// second: the alarm check and the countdown list's refresh, each to stay under 1% of a core (10 ms a
// second), and a page of scrolling through the countdown list, under one frame.
namespace {

constexpr int EntryCount = 100000;

ScreenService g_screen;

WindowBench* g_fixture = nullptr;

// The cell that shows the 15th of the shown month.
int cellOfThe15th()
{
    for (int i = 0; i < 42; ++i) {
        const auto* cell = g_fixture->form->findChild<ClickLabel*>(QStringLiteral("DaySlot(%1)").arg(i));
        if (cell && cell->isVisible() && cell->text() == QLatin1String("15"))
            return i;
    }
    return 0;
}

void BM_HoverDay(benchmark::State& state)
{
    const int cell = cellOfThe15th();
    for (auto _ : state) {
        g_fixture->form->DaySlot_MouseMove(cell);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_HoverDay)->Unit(benchmark::kMillisecond);

void BM_ClickDay(benchmark::State& state)
{
    const int cell = cellOfThe15th();
    for (auto _ : state) {
        g_fixture->form->DaySlot_Click(cell);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_ClickDay)->Unit(benchmark::kMillisecond);

void BM_ChangeMonth(benchmark::State& state)
{
    bool forward = true;
    for (auto _ : state) {
        g_fixture->form->EXTRA_Click(forward ? 2 : 1); // ">" then "<": October and November in turn
        forward = !forward;
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_ChangeMonth)->Unit(benchmark::kMillisecond);

// The once-a-second alarm check, a second later each time. The few alarm windows that open (entries are
// due on whole minutes) are closed outside the timing.
void BM_AlarmTick(benchmark::State& state)
{
    for (auto _ : state) {
        g_fixture->clock.advanceSeconds(1);
        g_fixture->form->Timer1_Timer();
        if (!g_fixture->windows->alarmWindows().empty()) {
            state.PauseTiming();
            for (FormAlarm* alarm : g_fixture->windows->alarmWindows())
                alarm->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_AlarmTick)->Unit(benchmark::kMicrosecond);

// The countdown list's once-a-second refresh while it is shown beside the calendar, repaint included.
void BM_CountdownTick(benchmark::State& state)
{
    FormGrid* list = g_fixture->windows->listWindow();
    g_fixture->form->cmdButton_Click(MainForm::Countdown);
    QCoreApplication::processEvents();
    WindowBench::stopProgramTimers(); // the list started its own on loading
    for (auto _ : state) {
        g_fixture->clock.advanceSeconds(1);
        list->xTimer_Timer();
        QCoreApplication::processEvents();
    }
    state.counters["rows"] = list->Grid()->Rows();
}
BENCHMARK(BM_CountdownTick)->Unit(benchmark::kMicrosecond);

// One page of scrolling through the countdown list, repaint included.
void BM_CountdownScrollPage(benchmark::State& state)
{
    FormGrid* list = g_fixture->windows->listWindow();
    list->show();
    WindowBench::stopProgramTimers();
    QScrollBar* bar = list->Grid()->view()->verticalScrollBar();
    int value = 0;
    for (auto _ : state) {
        value = value + bar->pageStep() > bar->maximum() ? 0 : value + bar->pageStep();
        bar->setValue(value);
        list->Grid()->view()->viewport()->repaint();
    }
    state.counters["rows"] = list->Grid()->Rows();
}
BENCHMARK(BM_CountdownScrollPage)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return runWindowBenchmarks(argc, argv, EntryCount, g_screen, g_fixture);
}
