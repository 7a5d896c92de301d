#include "app/AppContext.h"
#include "calendar/ClickLabel.h"
#include "calendar/MainForm.h"
#include "settings/SettingsStore.h"
#include "store/DateText.h"
#include "store/ScheduleDatabase.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

// The three things a user does most on the main window, each of which reads the whole schedule:
// hovering a day (its hint), clicking a day (re-marking the month) and changing the month (layout and
// marking). Each must stay under one 60 Hz frame (16.7 ms) with 100,000 entries.
namespace {

constexpr int EntryCount = 100000;

class SilentBeeper : public BeepService
{
public:
    void beep() override {}
};

// A schedule of generated entries spread over the twenty years around the shown month, of every kind.
bool fillSchedule(const QString& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK)
        return false;
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO Schedule (Date, Day, Type, Note, AlarmTime, AlarmOnOff, SchedType) "
                       "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)",
                       -1, &insert, nullptr);
    const char* kinds[] = {"OneTime", "Monthly", "Yearly", "Everyday", "Monday to Friday", "Onetime"};
    const char* subjects[] = {"Meeting", "Birthday", "Occasion", "Dentist", "Rent"};
    QRandomGenerator random(20021012);
    const QDate first(1992, 1, 1);
    for (int i = 0; i < EntryCount; ++i) {
        const QDate date = first.addDays(random.bounded(21 * 365));
        const QByteArray dateText = DateText::mmddyyyy(date).toUtf8();
        const QByteArray day = DateText::dddd(date).toUtf8();
        const QByteArray time = DateText::timeText(QTime(random.bounded(24), random.bounded(60))).toUtf8();
        const QByteArray note = QByteArray("Generated entry number ") + QByteArray::number(i);
        sqlite3_bind_text(insert, 1, dateText.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, day.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, subjects[i % 5], -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 4, note.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 5, time.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 6, i % 2 ? "on" : "off", -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 7, kinds[i % 6], -1, SQLITE_STATIC);
        if (sqlite3_step(insert) != SQLITE_DONE)
            return false;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    const bool ok = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

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
    std::unique_ptr<MainForm> form;

    bool open()
    {
        const QString path = dir.filePath(ScheduleDatabase::FileName);
        if (!ScheduleDatabase::CreateDatabaseFile(path) || !fillSchedule(path))
            return false;
        QString error;
        database = ScheduleDatabase::open(path, &error);
        if (!database) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return false;
        }
        settings = std::make_unique<SettingsStore>(dir.filePath(QStringLiteral("Zentravio.conf")));
        context.reset(new AppContext{*database, *settings, clock, beeper, messages, screen, {}});
        form = std::make_unique<MainForm>(*context);
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
