#include "calendar/MainForm.h"
#include "controls/ListGrid.h"
#include "editing/FormOrganizer.h"
#include "editing/OrganizerGrid.h"
#include "support/BenchMain.h"
#include "support/EntryGenerator.h"
#include "support/WindowBench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QThread>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <ctime>
#include <fstream>
#include <functional>

// The organizer on a million entries, of which every tenth keeps a recurrence whose Kind column says its
// rule in words (ZENTRAVIO_BENCH_ENTRIES sets another number): opening it from the main window (load,
// the table of every entry and the first paint) and a header click's sort of every column, each step
// of the window's thread under one 60 Hz frame, 16.7 ms, and the memory the sort takes at most a fifth
// of what the program holds at rest; rebuilding the table after a change; selecting a row (the panel
// filled and its entry found again for the alarm sentence) under one frame.
namespace {

constexpr int EntryCount = 1000000;

// Every tenth entry keeps a recurrence, written straight to the file.
bool keepRecurrences(const QString& path)
{
    return EntryGenerator::keepRulesEvery(path, 10);
}

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The peak of the resident memory from now on is read as VmHWM.
void resetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

ScreenService g_screen;
WindowBench* g_fixture = nullptr;

FormOrganizer* openOrganizer()
{
    g_fixture->form->cmdButton_Click(MainForm::Organizer);
    QCoreApplication::processEvents();
    return g_fixture->windows->openOrganizer();
}

void closeOrganizer(FormOrganizer* organizer)
{
    organizer->VemraButton2_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void BM_OpenOrganizer(benchmark::State& state)
{
    double longest = 0;
    double longestCpu = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const double cpuBefore = threadCpuMs();
        FormOrganizer* organizer = openOrganizer();
        longest = std::max(longest, double(timer.nsecsElapsed()) / 1e6);
        longestCpu = std::max(longestCpu, threadCpuMs() - cpuBefore);
        state.PauseTiming();
        if (!organizer || size_t(organizer->Grid()->Rows()) != g_fixture->entries)
            state.SkipWithError("the organizer did not list every entry");
        else
            closeOrganizer(organizer);
        state.ResumeTiming();
    }
    state.counters["longest_ms"] = longest;
    state.counters["longest_cpu_ms"] = longestCpu;
}
BENCHMARK(BM_OpenOrganizer)->Unit(benchmark::kMillisecond);

// Every change (save, delete, the alarm switch, an added entry) ends in the table built again.
void BM_RebuildTable(benchmark::State& state)
{
    FormOrganizer* organizer = openOrganizer();
    OrganizerGrid* grid = organizer->findChild<OrganizerGrid*>();
    for (auto _ : state) {
        grid->rebuild(g_fixture->database->table(), g_fixture->clock.now());
        QCoreApplication::processEvents();
    }
    closeOrganizer(organizer);
}
BENCHMARK(BM_RebuildTable)->Unit(benchmark::kMillisecond);

// A header click, ascending and descending in turn, until the rows are in their new order and painted,
// on every column. The longest time the window's thread spent at once is counted beside the whole, and
// the peak of the memory during the sort beside what the program held before it.
void BM_SortByColumn(benchmark::State& state)
{
    FormOrganizer* organizer = openOrganizer();
    OrganizerGrid* grid = organizer->findChild<OrganizerGrid*>();
    double longest = 0;
    double longestCpu = 0;
    double steps = 0;
    double peakRatio = 0;
    double resident = 0;
    // One pass of the window's events, its wall time and the time this thread itself spent on it.
    const auto step = [&](const std::function<void()>& work) {
        QElapsedTimer timer;
        timer.start();
        const double cpuBefore = threadCpuMs();
        work();
        longest = std::max(longest, double(timer.nsecsElapsed()) / 1e6);
        longestCpu = std::max(longestCpu, threadCpuMs() - cpuBefore);
        ++steps;
    };
    for (auto _ : state) {
        resident = statusMB("VmRSS:");
        resetPeakMemory();
        step([&] {
            grid->ColumnClick(int(state.range(0)));
            QCoreApplication::processEvents();
        });
        while (grid->sorting()) {
            // The window's thread is idle between its events: only the time it spends on them counts.
            QThread::msleep(1);
            step([] { QCoreApplication::processEvents(); });
        }
        peakRatio = std::max(peakRatio, statusMB("VmHWM:") / resident);
    }
    state.counters["longest_step_ms"] = longest;
    state.counters["longest_step_cpu_ms"] = longestCpu;
    state.counters["steps"] = steps / double(state.iterations());
    state.counters["rss_MB"] = resident;
    state.counters["peak_over_rss"] = peakRatio;
    closeOrganizer(organizer);
}
BENCHMARK(BM_SortByColumn)
    ->DenseRange(OrganizerGrid::Status, OrganizerGrid::Event)
    ->Iterations(4)
    ->Unit(benchmark::kMillisecond);

// Selecting rows near the end of the table, whose entries lie far down the walk, with the repaint.
void BM_SelectRow(benchmark::State& state)
{
    FormOrganizer* organizer = openOrganizer();
    ListGrid* grid = organizer->Grid();
    const int last = int(g_fixture->entries);
    int row = last - 1;
    for (auto _ : state) {
        grid->setSelectedRow(row);
        QCoreApplication::processEvents();
        row = row == last - 1 ? last : last - 1;
    }
    closeOrganizer(organizer);
}
BENCHMARK(BM_SelectRow)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // ZENTRAVIO_BENCH_NO_RULES leaves the recurrences out, for a figure of the table alone.
    if (qEnvironmentVariableIsSet("ZENTRAVIO_BENCH_NO_RULES"))
        return runWindowBenchmarks(argc, argv, EntryCount, g_screen, g_fixture);
    return runWindowBenchmarks(argc, argv, EntryCount, g_screen, g_fixture, keepRecurrences);
}
