#include "support/WindowBench.h"

#include "alarmservice/AlarmService.h"
#include "calendar/MainForm.h"
#include "forms/DesignFonts.h"
#include "occurrence/ScheduleOccurrences.h"
#include "support/EntryGenerator.h"

#include <QApplication>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <cstdio>

bool WindowBench::open(size_t entries)
{
    return open(entries, {});
}

bool WindowBench::open(size_t entries, const std::function<bool(const QString& path)>& prepare)
{
    const QString path = dir.filePath(ScheduleDatabase::FileName);
    if (!EntryGenerator::writeGeneratedFile(path, entries) || (prepare && !prepare(path))) {
        std::fprintf(stderr, "the benchmark schedule could not be made\n");
        return false;
    }
    this->entries = entries;
    QString error;
    database = ScheduleDatabase::open(path, &error);
    if (!database) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    settings = std::make_unique<SettingsStore>(dir.filePath(QStringLiteral("Zentravio.conf")));
    context.reset(new AppContext{*database, *settings, clock, beeper, messages, screen, {}});
    if (prepare) {
        occurrences = std::make_unique<ScheduleOccurrences>(*database);
        context->recurrences = occurrences.get();
    }
    windows = std::make_unique<ProgramWindows>(*context);
    form = &windows->mainForm();
    form->show();
    QCoreApplication::processEvents();
    stopProgramTimers();
    return true;
}

void WindowBench::stopProgramTimers()
{
    static const QStringList realClockTimers = {QStringLiteral("Timer1"), QStringLiteral("xTimer")};
    for (QWidget* window : QApplication::topLevelWidgets()) {
        for (QTimer* timer : window->findChildren<QTimer*>()) {
            if (realClockTimers.contains(timer->objectName()))
                timer->stop();
        }
        // The alarm service keeps its own heartbeat beside the main window's.
        if (auto* main = qobject_cast<MainForm*>(window))
            main->alarmService().stop();
    }
}

namespace {

int runBenchmarks(int argc, char** argv, size_t entries, ScreenService& screen, WindowBench** bench,
                  const std::function<bool(const QString& path)>& prepare = {})
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The offscreen platform cannot raise windows and says so at every opening; that is no news here.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (!message.contains(QLatin1String("does not support raise()")))
            std::fprintf(stderr, "%d: %s\n", int(type), qPrintable(message));
    });
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    DesignFonts::load();
    // ZENTRAVIO_BENCH_ENTRIES runs the same window actions over a schedule of another size.
    bool sized = false;
    const qint64 asked = qEnvironmentVariableIntValue("ZENTRAVIO_BENCH_ENTRIES", &sized);
    if (sized && asked > 0)
        entries = size_t(asked);
    WindowBench fixture(screen);
    if (bench) {
        std::fprintf(stderr, "window benchmarks over %zu entries\n", entries);
        if (!fixture.open(entries, prepare))
            return 1;
        *bench = &fixture;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (bench)
        *bench = nullptr;
    return 0;
}

} // namespace

int runWindowBenchmarks(int argc, char** argv, size_t entries, ScreenService& screen, WindowBench*& bench)
{
    return runBenchmarks(argc, argv, entries, screen, &bench);
}

int runWindowBenchmarks(int argc, char** argv, size_t entries, ScreenService& screen)
{
    return runBenchmarks(argc, argv, entries, screen, nullptr);
}

int runWindowBenchmarks(int argc, char** argv, size_t entries, ScreenService& screen, WindowBench*& bench,
                        const std::function<bool(const QString& path)>& prepare)
{
    return runBenchmarks(argc, argv, entries, screen, &bench, prepare);
}
