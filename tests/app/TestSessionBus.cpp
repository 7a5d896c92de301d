#include "app/SessionBusCheck.h"
#include "settings/SettingsStore.h"
#include "store/DateText.h"
#include "store/ScheduleDatabase.h"
#include "store/ScheduleEntry.h"
#include "support/HeadlessProgram.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// A session bus that takes the connection and never answers (a stopped daemon): the program must still
// start, ring and end on time. The bus here is a real dbus-daemon of the test's own, stopped with SIGSTOP;
// the program runs on a real X server, where Qt's accessibility bridge and tray talk to the bus.

namespace {

using namespace std::chrono_literals;

// A session bus of the test's own, which the test can stop and let go on.
class TestBus
{
public:
    explicit TestBus(const QString& folder)
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            return;
        m_process.start(daemon, {QStringLiteral("--session"),
                                 QStringLiteral("--address=unix:path=") + QDir(folder).filePath(QStringLiteral("bus")),
                                 QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        if (!m_process.waitForStarted())
            return;
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(10000))
                return;
        }
        m_address = QString::fromUtf8(m_process.readLine()).trimmed();
    }
    ~TestBus()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        ::kill(pid_t(m_process.processId()), SIGCONT);
        m_process.terminate();
        m_process.waitForFinished();
    }
    QString address() const { return m_address; }
    void stop() { ::kill(pid_t(m_process.processId()), SIGSTOP); }
    void goOn() { ::kill(pid_t(m_process.processId()), SIGCONT); }

private:
    QProcess m_process;
    QString m_address;
};

// An X server of the test's own.
class TestDisplay
{
public:
    TestDisplay()
    {
        const QString server = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (server.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            return;
        // A few tries at free numbers; a server that does not come up within its time is given up.
        for (int number = 70 + int(::getpid() % 200), tries = 0; tries < 4 && m_name.isEmpty(); number += 7) {
            if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)) ||
                QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
                continue;
            ++tries;
            m_server.start(server, {QStringLiteral(":%1").arg(number), QStringLiteral("-nolisten"),
                                    QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                                    QStringLiteral("1024x768x24")});
            if (!m_server.waitForStarted())
                return;
            [[maybe_unused]] const bool settled = QTest::qWaitFor(
                [&] {
                    return m_server.state() != QProcess::Running ||
                           QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number));
                },
                15000);
            if (m_server.state() == QProcess::Running &&
                QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number))) {
                m_name = QStringLiteral(":%1").arg(number);
            } else {
                m_server.kill();
                m_server.waitForFinished();
            }
        }
    }
    ~TestDisplay()
    {
        m_server.terminate();
        m_server.waitForFinished();
    }
    QString name() const { return m_name; }

    // Whether a shown window's title matches the pattern.
    bool shows(const QString& titlePattern) const
    {
        QProcess search;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), m_name);
        search.setProcessEnvironment(environment);
        search.start(QStringLiteral("xdotool"),
                     {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), titlePattern});
        return search.waitForFinished(10000) && search.exitCode() == 0 && !search.readAllStandardOutput().isEmpty();
    }

private:
    QProcess m_server;
    QString m_name;
};

// The program's surroundings: its folders below a temporary root, and a bus and a display of the test's own.
struct Stage
{
    QTemporaryDir root;
    TestBus bus{root.path()};
    TestDisplay display;

    // What the machine lacks for the stage; null when nothing.
    const char* missing() const
    {
        if (bus.address().isEmpty())
            return "dbus-daemon is not installed";
        if (display.name().isEmpty())
            return "Xvfb or xdotool is not installed";
        return nullptr;
    }

    // Waits for a window whose title matches the pattern to show; empty when it did, otherwise what went
    // wrong, with what the program said.
    QString waitForWindow(QProcess& program, const QString& titlePattern) const
    {
        if (QTest::qWaitFor([&] { return display.shows(titlePattern); }, 45000))
            return {};
        return QStringLiteral("no window %1 showed; the program said: %2")
            .arg(titlePattern, QString::fromLocal8Bit(program.readAllStandardError()));
    }

    // Starts the real program on the stage.
    bool start(QProcess& program) const
    {
        // A runtime folder of the program's own, private as the desktop makes it: one the program could
        // not use would send it to a folder shared with every other program started by the tests, where
        // it would meet them as a running instance.
        const QString runtime = root.filePath(QStringLiteral("run"));
        if (!QDir().mkpath(runtime) ||
            !QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
            return false;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.filePath(QStringLiteral("run")));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("DISPLAY"), display.name());
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
        // As with a screen reader running: the accessibility bridge talks to the bus from the first window.
        environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        program.setProcessEnvironment(environment);
        program.start(HeadlessProgram::path(), {});
        return program.waitForStarted();
    }
};

} // namespace

class TestSessionBus : public QObject
{
    Q_OBJECT

private slots:
    void theCheckTellsAnAnsweringBusFromASilentOneAndFromNone();
    void aBusSilentFromTheStartIsLeftAloneAndTheProgramStartsAndEnds();
    void aBusThatFreezesMidRunNeitherStopsTheAlarmNorTheEnd();

private:
    // Below the time the bus library waits for an answer, so that a wait on the frozen bus shows.
    static constexpr int BusPatienceSeconds = 20;

    // Ends the program with SIGTERM and says how long that took.
    static qint64 endWithSigterm(QProcess& program)
    {
        QElapsedTimer ending;
        ending.start();
        program.terminate();
        if (!program.waitForFinished(30000)) {
            program.kill();
            program.waitForFinished();
        }
        return ending.elapsed();
    }
};

void TestSessionBus::theCheckTellsAnAnsweringBusFromASilentOneAndFromNone()
{
    QTemporaryDir folder;
    TestBus bus(folder.path());
    if (bus.address().isEmpty())
        QSKIP("dbus-daemon is not installed");
    using Outcome = SessionBusCheck::Outcome;
    QCOMPARE(SessionBusCheck::check(bus.address()), Outcome::Answered);
    // An escaped path is the same path; the entries of an address are tried in turn.
    const QString escaped = QStringLiteral("unix:path=") +
                            QString::fromLatin1(folder.filePath(QStringLiteral("bus")).toUtf8().toPercentEncoding("/"));
    QCOMPARE(SessionBusCheck::check(escaped), Outcome::Answered);
    const QString missing = QStringLiteral("unix:path=") + folder.filePath(QStringLiteral("none"));
    QCOMPARE(SessionBusCheck::check(missing + QLatin1Char(';') + bus.address()), Outcome::Answered);

    // Nothing there, or a socket left behind by a bus that has gone: no bus, told at once.
    QElapsedTimer told;
    told.start();
    QCOMPARE(SessionBusCheck::check(QString()), Outcome::NoBus);
    QCOMPARE(SessionBusCheck::check(missing), Outcome::NoBus);
    const QByteArray stale = folder.filePath(QStringLiteral("stale")).toUtf8();
    {
        const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, stale.constData(), size_t(stale.size()));
        QCOMPARE(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        ::close(listener);
    }
    QCOMPARE(SessionBusCheck::check(QStringLiteral("unix:path=") + QString::fromUtf8(stale)), Outcome::NoBus);
    QCOMPARE(SessionBusCheck::check(QStringLiteral("unix:path=") + QString(200, QLatin1Char('x'))), Outcome::NoBus);
    QVERIFY(told.elapsed() < 1000);
    // Kinds the check cannot open are left to the bus library.
    QCOMPARE(SessionBusCheck::check(QStringLiteral("launchd:env=X")), Outcome::Unchecked);

    // A stopped bus takes the connection and says nothing: silent, within the patience given.
    bus.stop();
    told.restart();
    QCOMPARE(SessionBusCheck::check(bus.address(), 300ms), Outcome::Silent);
    QVERIFY(told.elapsed() >= 300 && told.elapsed() < 3000);
    bus.goOn();
    QCOMPARE(SessionBusCheck::check(bus.address()), Outcome::Answered);
}

void TestSessionBus::aBusSilentFromTheStartIsLeftAloneAndTheProgramStartsAndEnds()
{
    Stage stage;
    if (const char* missing = stage.missing())
        QSKIP(missing);
    stage.bus.stop();

    QProcess program;
    QVERIFY(stage.start(program));
    // The calendar comes, after the splash; a frozen bus once held the first window for good.
    {
        const QString missed = stage.waitForWindow(program, QStringLiteral("^Zentravio$"));
        QVERIFY2(missed.isEmpty(), qPrintable(missed));
    }

    const qint64 ending = endWithSigterm(program);
    QVERIFY2(ending < 2500, qPrintable(QString::number(ending)));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    // One line says the run goes on without the bus.
    const QString said = QString::fromLocal8Bit(program.readAllStandardError());
    QCOMPARE(said.count(QLatin1String("session bus")), 1);
    QVERIFY2(said.contains(stage.bus.address()), qPrintable(said));
    // The end was the orderly one: the window's place was saved.
    QFile settings(stage.root.filePath(QStringLiteral("config/Zentravio/Zentravio.conf")));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QVERIFY(settings.readAll().contains("[Position]"));
}

void TestSessionBus::aBusThatFreezesMidRunNeitherStopsTheAlarmNorTheEnd()
{
    Stage stage;
    if (const char* missing = stage.missing())
        QSKIP(missing);
    const QString schedule = stage.root.filePath(QStringLiteral("data/Zentravio/Zentravio.vmr"));
    QVERIFY(ScheduleDatabase::CreateDatabaseFile(schedule));

    QProcess program;
    QVERIFY(stage.start(program));
    {
        const QString missed = stage.waitForWindow(program, QStringLiteral("^Zentravio$"));
        QVERIFY2(missed.isEmpty(), qPrintable(missed));
    }

    // Once the program runs, the bus freezes and an entry is added whose alarm rings a few seconds later
    // by the real clock the program reads; the program takes it from the schedule file as another
    // program's change. However long the start took, the alarm comes after the freeze.
    stage.bus.stop();
    const QDateTime due = QDateTime::currentDateTime().addSecs(3);
    {
        QString error;
        const auto database = ScheduleDatabase::open(schedule, &error);
        QVERIFY2(database, qPrintable(error));
        QVERIFY(database->append(ScheduleEntry::make(DateText::mmddyyyy(due.date()), DateText::dddd(due.date()),
                                                     QStringLiteral("Frozen bus"), QStringLiteral("Ring anyway"),
                                                     DateText::timeText(due.time()), QStringLiteral("on"),
                                                     QStringLiteral("OneTime"))));
    }

    // The alarm rings although its notification cannot leave: its window comes up while the bus is still
    // frozen, long before the bus library would give up on an answer (25 seconds), which is what a
    // window's thread waiting on the bus would have to wait for.
    {
        const QString missed = stage.waitForWindow(program, QStringLiteral("^Zentravio Alarm$"));
        QVERIFY2(missed.isEmpty(), qPrintable(missed));
    }
    QVERIFY(QDateTime::currentDateTime() < due.addSecs(BusPatienceSeconds));

    // It ends on SIGTERM by itself, the bus still frozen: nothing of it waits for the bus.
    const qint64 ending = endWithSigterm(program);
    QVERIFY2(ending < BusPatienceSeconds * 1000, qPrintable(QString::number(ending)));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestSessionBus)
#include "TestSessionBus.moc"
