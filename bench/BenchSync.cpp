// The first fetch of a calendar from a real Radicale on this machine: every event with its data through
// the program's calendar client (one calendar query, each event's UID read through libical), beside
// python3-caldav fetching the same events in the same run. The first sync may take at most 1.5 times
// what python3-caldav takes; the `ratio` counter is that figure. The whole first sync (the schedule
// filled from the calendar) is measured the same way, and beside it a sync with nothing changed over
// 100,000 local entries (its requests and the program's CPU time) and the time one local edit takes to
// reach the server as python3-caldav sees it. A server's event with one long line is refused in time in
// proportion to the line: `nsPerByte` stays the same from 1 MB to 50 MB.

#include "support/BenchMain.h"
#include "sync/CalendarCollection.h"
#include "sync/CalendarData.h"
#include "sync/DavClient.h"
#include "sync/DavTestServer.h"
#include "sync/DavXml.h"
#include "sync/EventForm.h"
#include "sync/FaultProxy.h"
#include "sync/SyncLedger.h"
#include "sync/SyncSide.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace {

struct Served
{
    std::unique_ptr<DavTestServer> server;
    QUrl calendar;
};

QByteArray eventText(int i)
{
    return QStringLiteral(
               "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Zentravio bench//EN\r\nBEGIN:VEVENT\r\n"
               "UID:bench-%1\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:2026%2%3T%4%5000\r\n"
               "SUMMARY:Meeting number %1 about the quarterly plan\r\n"
               "DESCRIPTION:Room %6\\, second floor\\nBring the figures\r\nEND:VEVENT\r\n"
               "END:VCALENDAR\r\n")
        .arg(i)
        .arg(1 + i % 12, 2, 10, QLatin1Char('0'))
        .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
        .arg(8 + i % 10, 2, 10, QLatin1Char('0'))
        .arg((i % 4) * 15, 2, 10, QLatin1Char('0'))
        .arg(100 + i % 50)
        .toUtf8();
}

// A Radicale holding `events` events in one calendar, made once per size for the whole run. The events
// are laid straight into Radicale's storage folder (one file each, as Radicale keeps them): writing ten
// thousand of them through HTTP would take minutes before anything is measured.
Served& served(int events)
{
    static std::map<int, Served> made;
    auto found = made.find(events);
    if (found != made.end())
        return found->second;
    Served fresh;
    QString why;
    fresh.server = DavTestServer::start(DavTestServer::Kind::Radicale, &why);
    if (!fresh.server) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        std::abort();
    }
    fresh.calendar = fresh.server->makeCalendar(QStringLiteral("Bench"));
    const QDir folder(fresh.server->storageFolder() + QStringLiteral("/collection-root") +
                      fresh.calendar.path());
    for (int i = 0; i < events; ++i) {
        QFile file(folder.filePath(QStringLiteral("bench-%1.ics").arg(i)));
        if (!file.open(QIODevice::WriteOnly) || file.write(eventText(i)) < 0)
            std::abort();
    }
    return made.emplace(events, std::move(fresh)).first->second;
}

FetchResult fetchAll(const Served& from, int timeoutMs = DavClient::DefaultTimeoutMs)
{
    DavClient client;
    client.setCredentials(from.server->user(), from.server->password());
    client.setTimeout(timeoutMs);
    CalendarCollection calendar(client, from.calendar);
    FetchResult result;
    QEventLoop loop;
    calendar.fetchAll([&](const FetchResult& fetched) {
        result = fetched;
        loop.quit();
    });
    loop.exec();
    return result;
}

double pythonSeconds(const Served& from, int events)
{
    const QStringList said =
        from.server->peer({QStringLiteral("fetchall"), from.calendar.toString()}).split(QLatin1Char(' '));
    if (said.value(0).toInt() != events)
        std::abort();
    return said.value(1).toDouble();
}

// Times `once` (which starts the timer once its own preparations are done and tells why it failed, if it
// did) against python3-caldav fetching the same events, each iteration.
void timeBesidePython(benchmark::State& state, const Served& from, int events,
                      const std::function<std::optional<QString>(QElapsedTimer&)>& once)
{
    double ours = 0;
    double theirs = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        const std::optional<QString> failed = once(timer);
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        if (failed) {
            state.SkipWithError(qPrintable(*failed));
            return;
        }
        state.SetIterationTime(seconds);
        ours += seconds;
        theirs += pythonSeconds(from, events);
    }
    state.counters["python_caldav_ms"] = theirs * 1000 / double(state.iterations());
    state.counters["ratio"] = ours / theirs;
}

void BM_FirstFetch(benchmark::State& state)
{
    const int events = int(state.range(0));
    const Served& from = served(events);
    // Radicale reads new files into its cache on the first look, which may take longer than a request
    // may; neither client pays for that.
    const FetchResult warm = fetchAll(from, 10 * 60 * 1000);
    if (warm.events.size() != events) {
        state.SkipWithError(qPrintable(warm.error.message()));
        return;
    }
    timeBesidePython(state, from, events, [&](QElapsedTimer& timer) -> std::optional<QString> {
        timer.start();
        const FetchResult result = fetchAll(from);
        if (result.error.isError() || result.events.size() != events)
            return result.error.message();
        return std::nullopt;
    });
}

double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

std::unique_ptr<SyncSide> sideOver(const Served& from, const QUrl& calendar)
{
    auto side = std::make_unique<SyncSide>(calendar, from.server->user(), from.server->password());
    side->restart(2000); // the program's own wait before a local change is sent
    side->service().setRequestTimeout(10 * 60 * 1000);
    return side;
}

void BM_FirstSync(benchmark::State& state)
{
    const int events = int(state.range(0));
    const Served& from = served(events);
    fetchAll(from, 10 * 60 * 1000); // Radicale's cache, as above
    timeBesidePython(state, from, events, [&](QElapsedTimer& timer) -> std::optional<QString> {
        auto side = sideOver(from, from.calendar);
        timer.start();
        const SyncReport report = side->sync(true);
        if (!report.ok || report.received != events)
            return report.error;
        return std::nullopt;
    });
}

// A schedule of 100,000 entries in step with the calendar (10,000 of them from the server, the rest
// recorded as synced), then syncs with nothing changed on either side.
void BM_QuietSync(benchmark::State& state)
{
    const Served& from = served(10000);
    fetchAll(from, 10 * 60 * 1000);
    FaultProxy proxy(from.server->port()); // passes every request on, counting them
    QUrl calendar = from.calendar;
    calendar.setPort(proxy.url().port());
    auto side = sideOver(from, calendar);
    if (!side->sync(true).ok) {
        state.SkipWithError("first sync failed");
        return;
    }
    // The second sync asks for the server's first sync token, which Radicale takes long to make.
    const SyncReport second = side->sync(false, 10 * 60 * 1000);
    if (!second.ok) {
        state.SkipWithError(qPrintable(second.error));
        return;
    }
    std::vector<ScheduleEntry> more;
    for (int i = 0; i < 90000; ++i) {
        more.push_back(ScheduleEntry::make(
            QStringLiteral("03/%1/2026").arg(1 + i % 28, 2, 10, QLatin1Char('0')), QStringLiteral("Monday"),
            QStringLiteral("Local entry %1").arg(i), QStringLiteral("A note"), QStringLiteral("09:00:00 AM"),
            QStringLiteral("off"), QStringLiteral("OneTime")));
    }
    side->database().appendAll(more);
    {
        const auto ledger = SyncLedger::open(side->schedulePath(), nullptr);
        const ScheduleTable& table = side->database().table();
        ledger->begin();
        for (size_t i = 0; i < table.size(); ++i) {
            const QString uid = side->database().identities().uid(i, table.rowId(i));
            if (!ledger->byUid(uid))
                ledger->put({uid,
                             QStringLiteral("/x/") + uid,
                             QStringLiteral("\"e\""),
                             EventForm::digest(table.entry(i)),
                             {},
                             SyncLedger::Form::Whole});
        }
        ledger->commit();
    }
    // The entries added above were noted as local changes: this sync finds them in step with the records.
    const SyncReport settled = side->sync(false, 10 * 60 * 1000);
    if (!settled.ok || settled.sent != 0) {
        state.SkipWithError("settling sync failed");
        return;
    }
    double cpu = 0;
    int requests = 0;
    for (auto _ : state) {
        const int before = proxy.requests();
        const double started = cpuSeconds();
        const SyncReport report = side->sync();
        cpu += cpuSeconds() - started;
        requests += proxy.requests() - before;
        if (!report.ok || report.received != 0 || report.sent != 0) {
            state.SkipWithError("the quiet sync changed something");
            return;
        }
    }
    state.counters["requests"] = double(requests) / double(state.iterations());
    state.counters["cpu_ms"] = cpu * 1000 / double(state.iterations());
    state.counters["local_entries"] = double(side->database().table().size());
}

// From a local edit to python3-caldav reading it from the server.
void BM_EditReachesServer(benchmark::State& state)
{
    const Served& from = served(1000);
    auto side = sideOver(from, from.calendar);
    if (!side->sync(true).ok) {
        state.SkipWithError("first sync failed");
        return;
    }
    int round = 0;
    for (auto _ : state) {
        const qint64 row = *side->database().rowOf(QStringLiteral("bench-7"));
        ScheduleEntry entry = side->database().table().entry(side->database().table().indexOf(row));
        const QString subject = QStringLiteral("Edited %1").arg(++round);
        entry[ScheduleField::Subject] = subject;
        int finished = 0;
        const auto counting = QObject::connect(&side->service(), &SyncService::syncFinished,
                                               [&finished](const SyncReport&) { ++finished; });
        QElapsedTimer timer;
        timer.start();
        side->database().update(row, entry);
        bool seen = false;
        while (!seen && timer.elapsed() < 30000) {
            QEventLoop pause;
            QTimer::singleShot(50, &pause, &QEventLoop::quit);
            pause.exec();
            if (finished == 0)
                continue;
            seen = from.server
                       ->peer({QStringLiteral("get"), from.calendar.toString(), QStringLiteral("bench-7")})
                       .contains(subject);
        }
        QObject::disconnect(counting);
        if (!seen) {
            state.SkipWithError("the edit never reached the server");
            return;
        }
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    }
}

void BM_LongLineRefused(benchmark::State& state)
{
    // The server's answer as the sync reads it: the multi-status, then the event's data.
    const QByteArray answer =
        "<d:multistatus xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\">"
        "<d:response><d:href>/cal/long.ics</d:href><d:propstat><d:prop><c:calendar-data>"
        "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:long\r\nX-LONG:" +
        QByteArray(qsizetype(state.range(0)) << 20, 'a') +
        "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n</c:calendar-data></d:prop>"
        "<d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response></d:multistatus>";
    for (auto _ : state) {
        const auto status = DavXml::readMultistatus(answer, nullptr);
        QString why;
        if (!status || status->responses.size() != 1 ||
            (!status->responses.first().calendarDataTooLarge &&
             !CalendarData::eventUid(status->responses.first().calendarData, &why).isEmpty()))
            state.SkipWithError("the long line was taken");
    }
    state.counters["nsPerByte"] = benchmark::Counter(
        double(answer.size()), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(BM_LongLineRefused)->Arg(1)->Arg(2)->Arg(3)->Arg(8)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstSync)->Arg(10000)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuietSync)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditReachesServer)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_FirstFetch)
    ->Arg(1000)
    ->Arg(10000)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return runCoreBenchmarks(argc, argv);
}
