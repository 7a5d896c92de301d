#include "alarm/FormAlarm.h"
#include "app/ProgramWindows.h"
#include "calendar/MainForm.h"
#include "controls/ListGrid.h"
#include "forms/AppContext.h"
#include "forms/ClickLabel.h"
#include "settings/SettingsStore.h"
#include "store/DateText.h"
#include "store/ScheduleDatabase.h"
#include "support/EntryGenerator.h"
#include "support/ManualClock.h"
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

class SilentBeeper : public BeepService
{
public:
    void beep() override {}
};

struct Fixture
{
    QTemporaryDir dir;
    std::unique_ptr<ScheduleDatabase> database;
    std::unique_ptr<SettingsStore> settings;
    ManualClock clock{QDateTime(QDate(2002, 10, 12), QTime(9, 30))};
    SilentBeeper beeper;
    MessageBoxService messages;
    ScreenService screen;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<ProgramWindows> windows;
    MainForm* form = nullptr;

    bool open()
    {
        const QString path = dir.filePath(ScheduleDatabase::FileName);
        if (!EntryGenerator::writeScheduleFile(path, EntryGenerator::generate(EntryCount)))
            return false;
        QString error;
        database = ScheduleDatabase::open(path, &error);
        if (!database) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return false;
        }
        settings = std::make_unique<SettingsStore>(dir.filePath(QStringLiteral("Zentravio.conf")));
        context.reset(new AppContext{*database, *settings, clock, beeper, messages, screen, {}});
        windows = std::make_unique<ProgramWindows>(*context);
        form = &windows->mainForm();
        form->show();
        QCoreApplication::processEvents();
        return true;
    }

    // The cell that shows the 15th of the shown month.
    int cellOfThe15th() const
    {
        for (int i = 0; i < 42; ++i) {
            const auto* cell = form->findChild<ClickLabel*>(QStringLiteral("DaySlot(%1)").arg(i));
            if (cell && cell->isVisible() && cell->text() == QLatin1String("15"))
                return i;
        }
        return 0;
    }
};

Fixture* g_fixture = nullptr;

void BM_HoverDay(benchmark::State& state)
{
    const int cell = g_fixture->cellOfThe15th();
    for (auto _ : state) {
        g_fixture->form->DaySlot_MouseMove(cell);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_HoverDay)->Unit(benchmark::kMillisecond);

void BM_ClickDay(benchmark::State& state)
{
    const int cell = g_fixture->cellOfThe15th();
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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Fixture fixture;
    if (!fixture.open()) {
        std::fprintf(stderr, "the benchmark schedule could not be made\n");
        return 1;
    }
    g_fixture = &fixture;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_fixture = nullptr;
    return 0;
}
