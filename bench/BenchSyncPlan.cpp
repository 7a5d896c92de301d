// The first sync of a large calendar with the server's part taken away: a scripted calendar in memory
// answers at once, so that what is measured is the program's own work (reading the events, planning,
// writing the schedule and the ledger), with the longest stretch the window's thread was kept busy (under
// a frame, 16.7 ms, is the aim) and the peak memory beside the time.
#include "settings/SettingsStore.h"
#include "store/ScheduleDatabase.h"
#include "support/BenchMain.h"
#include "support/ManualClock.h"
#include "sync/AccountSettings.h"
#include "sync/PasswordStore.h"
#include "sync/ScriptedCalendar.h"
#include "sync/SyncService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

namespace {

QByteArray eventData(int i)
{
    const QByteArray n = QByteArray::number(i);
    const QByteArray day = QByteArray::number(1 + i % 28).rightJustified(2, '0');
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//EN\r\nBEGIN:VEVENT\r\nUID:bench-" + n +
           "\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:202605" + day + "T093000\r\nDTEND:202605" + day +
           "T103000\r\nSUMMARY:Event " + n + "\r\nDESCRIPTION:A note for event " + n +
           "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

// The scripted calendar with its whole answer made before the clock starts: the scripted calendar builds
// it on the window's thread, which is the test double's work, not the program's.
class AnsweredCalendar : public BorrowedCalendar
{
public:
    AnsweredCalendar(RemoteCalendar& calendar, FetchResult whole)
        : BorrowedCalendar(calendar), m_whole(std::move(whole))
    {}
    void fetchAll(Done<FetchResult> done) override
    {
        QTimer::singleShot(0, [done, whole = m_whole] { done(whole); });
    }

private:
    FetchResult m_whole;
};

void BM_FirstSyncScripted(benchmark::State& state)
{
    const int events = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        const QString path = dir.filePath(ScheduleDatabase::FileName);
        ScheduleDatabase::CreateDatabaseFile(path);
        auto database = ScheduleDatabase::open(path, nullptr);
        // As in the running program: another connection's writes are read on a thread of their own.
        database->setReadInBackground(true);
        SettingsStore settings(dir.filePath(QStringLiteral("Zentravio.conf")));
        PasswordStore passwords(false);
        ManualClock clock(QDateTime(QDate(2026, 5, 1), QTime(10, 0)));
        AccountSettings account;
        account.server = QStringLiteral("https://cal.example/");
        account.user = QStringLiteral("alice");
        account.calendarUrl = QUrl(QStringLiteral("https://cal.example/cal/"));
        account.save(settings);
        passwords.write(account.passwordKey(), QStringLiteral("pw"), [](const PasswordStore::Outcome&) {});
        QCoreApplication::processEvents();
        ScriptedCalendar calendar;
        qint64 bytes = 0;
        for (int i = 0; i < events; ++i) {
            const QByteArray data = eventData(i);
            bytes += data.size();
            calendar.putEvent(QStringLiteral("bench-%1").arg(i), data);
        }
        std::optional<FetchResult> whole;
        calendar.fetchAll([&](const FetchResult& result) { whole = result; });
        while (!whole)
            QCoreApplication::processEvents();
        SyncService service(
            *database, settings, passwords, clock, nullptr, [&](const AccountSettings&, const QString&, int) {
                return std::unique_ptr<RemoteCalendar>(std::make_unique<AnsweredCalendar>(calendar, *whole));
            });
        const double residentBefore = statusMB("VmRSS:");
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5"); // the peak starts again from here
        clear.close();
        state.ResumeTiming();

        QElapsedTimer total;
        total.start();
        QElapsedTimer pass;
        qint64 longest = 0;
        QTimer watch;
        watch.setInterval(1);
        QObject::connect(&watch, &QTimer::timeout, &watch,
                         [&] { longest = std::max(longest, pass.restart()); });
        std::optional<SyncReport> report;
        QEventLoop loop;
        QObject::connect(&service, &SyncService::syncFinished, &loop, [&](const SyncReport& finished) {
            report = finished;
            loop.quit();
        });
        pass.start();
        watch.start();
        service.start();
        loop.exec();
        longest = std::max(longest, pass.elapsed());
        watch.stop();
        state.PauseTiming();
        if (!report || !report->ok || report->received != events) {
            state.SkipWithError(report ? qPrintable(report->error) : "no sync finished");
            return;
        }
        state.counters["longest_pass_ms"] = double(longest);
        state.counters["peak_above_resident_MB"] = statusMB("VmHWM:") - residentBefore;
        state.counters["calendar_MB"] = double(bytes) / (1024.0 * 1024.0);
        state.counters["sync_ms"] = double(total.elapsed());
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_FirstSyncScripted)->Arg(10000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return runCoreBenchmarks(argc, argv);
}
