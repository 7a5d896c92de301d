#include "app/EndSignals.h"
#include "support/HeadlessProgram.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// A desktop session that closes ends the program with a signal; the program must then end as "Exit"
// ends it, saving what it saves on the way out, instead of dying on the spot.
class TestEndSignals : public QObject
{
    Q_OBJECT

private slots:
    void aSignalBecomesARequestOnTheWindowsThread();
    void theRunningProgramEndsCleanlyOnSigterm();
};

void TestEndSignals::aSignalBecomesARequestOnTheWindowsThread()
{
    EndSignals listening;
    QVERIFY(listening.isListening());
    QVERIFY(!EndSignals().isListening()); // one per process
    QSignalSpy requests(&listening, &EndSignals::EndRequested);
    std::raise(SIGTERM);
    std::raise(SIGHUP);
    QTRY_COMPARE(requests.count(), 2);
    QCOMPARE(requests.at(0).at(0).toInt(), SIGTERM);
    QCOMPARE(requests.at(1).at(0).toInt(), SIGHUP);
}

void TestEndSignals::theRunningProgramEndsCleanlyOnSigterm()
{
    QTemporaryDir root;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.filePath(QStringLiteral("run")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(HeadlessProgram::path(), {});
    QVERIFY(program.waitForStarted());

    // The alarm check records its first second as soon as the main window ticks.
    QFile settings(root.filePath(QStringLiteral("config/Zentravio/Zentravio.conf")));
    const auto settingsHold = [&](const char* text) {
        return settings.open(QIODevice::ReadOnly) && [&] {
            const bool found = settings.readAll().contains(text);
            settings.close();
            return found;
        }();
    };
    QTRY_VERIFY_WITH_TIMEOUT(settingsHold("LastCovered"), 30000);
    QVERIFY(!settingsHold("[Position]"));

    program.terminate(); // SIGTERM
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    // Saved by the main window's close, which the signal went through.
    QVERIFY(settingsHold("[Position]"));
}

QTEST_GUILESS_MAIN(TestEndSignals)
#include "TestEndSignals.moc"
