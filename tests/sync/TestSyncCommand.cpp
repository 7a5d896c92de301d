#include "app/SyncCommand.h"
#include "sync/DavTestServer.h"
#include "sync/FaultProxy.h"
#include "sync/SyncSide.h"

#include <QTest>

// `zentravio --sync`: one sync without a window, one line of what came and went, and the exit code.
class TestSyncCommand : public QObject
{
    Q_OBJECT

private:
    struct Printed
    {
        QStringList out;
        QStringList err;
        SyncCommand::Console console()
        {
            return {[this](const QString& line) { out << line; },
                    [this](const QString& line) { err << line; }};
        }
    };

private slots:
    void theCommandLineAsksForOneSync()
    {
        const auto read = [](const QStringList& arguments) {
            return CommandLine::read(QStringList{QStringLiteral("zentravio")} + arguments);
        };
        QCOMPARE(read({QStringLiteral("--sync")}).action, CommandLine::Action::Sync);
        for (const QStringList& refused :
             {QStringList{QStringLiteral("--sync"), QStringLiteral("now")},
              QStringList{QStringLiteral("--sync"), QStringLiteral("--export"), QStringLiteral("out.ics")},
              QStringList{QStringLiteral("--sync"), QStringLiteral("--account"),
                          QStringLiteral("--remove")}}) {
            const CommandLine line = read(refused);
            QCOMPARE(line.action, CommandLine::Action::Refuse);
            QVERIFY(line.text.startsWith(QStringLiteral("--sync takes nothing more.")));
        }
    }

    void oneSyncPrintsWhatCameAndWent()
    {
        QString why;
        const auto dav = DavTestServer::start(DavTestServer::Kind::Radicale, &why);
        QVERIFY2(dav, qPrintable(why));
        const QUrl calendar = dav->makeCalendar(QStringLiteral("Command"));
        QVERIFY(dav->putEvent(calendar,
                              "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//t//EN\r\nBEGIN:VEVENT\r\n"
                              "UID:cmd-1\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:20260301T090000\r\n"
                              "SUMMARY:From the server\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n"));
        // The running program's side: its schedule has an entry of its own, and its service is running.
        SyncSide running(calendar, dav->user(), dav->password());
        running.add(QStringLiteral("From here"));

        Printed printed;
        const int code = SyncCommand::syncOnce(running.schedulePath(), running.settings(),
                                               running.passwords(), running.clock(), printed.console(), 5000);
        QCOMPARE(code, 0);
        QCOMPARE(printed.out, QStringList{QStringLiteral("Synced with Test: 1 received, 1 sent.")});
        QVERIFY(printed.err.isEmpty());
        // The running program sees what came in.
        QTRY_COMPARE(running.withSubject(QStringLiteral("From the server")).size(), size_t(1));
        QCOMPARE(
            dav->peer({QStringLiteral("uids"), calendar.toString()}).split(u'\n', Qt::SkipEmptyParts).size(),
            2);

        printed = {};
        QCOMPARE(SyncCommand::syncOnce(running.schedulePath(), running.settings(), running.passwords(),
                                       running.clock(), printed.console(), 5000),
                 0);
        QCOMPARE(printed.out, QStringList{QStringLiteral("Synced with Test: 0 received, 0 sent.")});
    }

    void failuresEndWithOneAndTheReason()
    {
        QTemporaryDir dir;
        SettingsStore settings(dir.filePath(QStringLiteral("none.conf")));
        PasswordStore passwords(false);
        ManualClock clock;
        Printed printed;
        QCOMPARE(SyncCommand::syncOnce(dir.filePath(QStringLiteral("s.vmr")), settings, passwords, clock,
                                       printed.console()),
                 SyncCommand::FailedExitCode);
        QVERIFY(printed.err.value(0).contains(QStringLiteral("--account")));

        // A server that is not there.
        const quint16 port = DavTestServer::freePort();
        SyncSide side(QUrl(QStringLiteral("http://127.0.0.1:%1/alice/cal/").arg(port)),
                      QStringLiteral("alice"), QStringLiteral("pw"));
        printed = {};
        QCOMPARE(SyncCommand::syncOnce(side.schedulePath(), side.settings(), side.passwords(), side.clock(),
                                       printed.console(), 2000),
                 SyncCommand::FailedExitCode);
        QVERIFY(printed.out.isEmpty());
        QVERIFY(printed.err.value(0).startsWith(QStringLiteral("Not synced: ")));

        // A refused password is told once, not once by the question and again by the failed sync.
        FaultProxy refusing(DavTestServer::freePort());
        refusing.setFault(FaultProxy::Fault::Status401);
        SyncSide refused(QUrl(QStringLiteral("http://127.0.0.1:%1/alice/cal/").arg(refusing.url().port())),
                         QStringLiteral("alice"), QStringLiteral("pw"));
        printed = {};
        QCOMPARE(SyncCommand::syncOnce(refused.schedulePath(), refused.settings(), refused.passwords(),
                                       refused.clock(), printed.console(), 2000),
                 SyncCommand::FailedExitCode);
        QCOMPARE(printed.err.filter(QStringLiteral("Not synced")).size(), 1);

        // An account whose password nothing keeps: no Secret Service runs.
        PasswordStore forgetful(false);
        printed = {};
        QCOMPARE(SyncCommand::syncOnce(side.schedulePath(), side.settings(), forgetful, side.clock(),
                                       printed.console(), 2000),
                 SyncCommand::FailedExitCode);
        QVERIFY2(printed.err.value(0).contains(QStringLiteral("no Secret Service is running")),
                 qPrintable(printed.err.join(u'\n')));
    }
};

QTEST_GUILESS_MAIN(TestSyncCommand)
#include "TestSyncCommand.moc"
