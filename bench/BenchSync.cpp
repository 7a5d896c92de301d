// The first fetch of a calendar from a real Radicale on this machine: every event with its data through
// the program's calendar client (one calendar query, each event's UID read through libical), beside
// python3-caldav fetching the same events in the same run. The first sync may take at most 1.5 times
// what python3-caldav takes; the `ratio` counter is that figure.

#include "support/BenchMain.h"
#include "sync/CalendarCollection.h"
#include "sync/DavClient.h"
#include "sync/DavTestServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <map>
#include <memory>

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
    double ours = 0;
    double theirs = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const FetchResult result = fetchAll(from);
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        if (result.error.isError() || result.events.size() != events) {
            state.SkipWithError(qPrintable(result.error.message()));
            return;
        }
        state.SetIterationTime(seconds);
        ours += seconds;
        theirs += pythonSeconds(from, events);
    }
    state.counters["python_caldav_ms"] = theirs * 1000 / double(state.iterations());
    state.counters["ratio"] = ours / theirs;
}

} // namespace

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
