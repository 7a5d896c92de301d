#include "settings/SettingsStore.h"
#include "store/ScheduleDatabase.h"
#include "support/ManualClock.h"
#include "sync/AccountSettings.h"
#include "sync/PasswordStore.h"
#include "sync/ScriptedCalendar.h"
#include "sync/SyncService.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

// The sync service against a scripted calendar: what a server that refuses, loses or half-answers writes
// does to the schedule, with no server running.
class TestSyncService : public QObject
{
    Q_OBJECT

    // One desktop's side: a schedule, an account, and the service over a calendar the test holds.
    struct Side
    {
        QTemporaryDir dir;
        SettingsStore settings{dir.filePath(QStringLiteral("Zentravio.conf"))};
        PasswordStore passwords{false};
        ManualClock clock{QDateTime(QDate(2026, 5, 1), QTime(10, 0))};
        std::unique_ptr<ScheduleDatabase> database;
        std::unique_ptr<ScriptedCalendar> calendar = std::make_unique<ScriptedCalendar>();
        std::unique_ptr<SyncService> service;

        Side()
        {
            ScheduleDatabase::CreateDatabaseFile(path());
            database = ScheduleDatabase::open(path(), nullptr);
            AccountSettings account;
            account.server = QStringLiteral("https://cal.example/");
            account.user = QStringLiteral("alice");
            account.calendarUrl = QUrl(QStringLiteral("https://cal.example/cal/"));
            account.calendarName = QStringLiteral("Test");
            account.save(settings);
            passwords.write(account.passwordKey(), QStringLiteral("secret"),
                            [](const PasswordStore::Outcome&) {});
            QCoreApplication::processEvents();
            service = std::make_unique<SyncService>(*database, settings, passwords, clock, nullptr,
                                                    [this](const AccountSettings&, const QString&, int) {
                                                        return std::unique_ptr<RemoteCalendar>(
                                                            std::make_unique<BorrowedCalendar>(*calendar));
                                                    });
            service->setSendDelay(60000);
            service->setRetryWaits(60000, 60000);
        }

        QString path() const { return dir.filePath(ScheduleDatabase::FileName); }

        SyncReport sync(bool start = false)
        {
            std::optional<SyncReport> report;
            QEventLoop loop;
            QTimer::singleShot(20000, &loop, &QEventLoop::quit);
            connect(service.get(), &SyncService::syncFinished, &loop, [&](const SyncReport& finished) {
                report = finished;
                loop.quit();
            });
            if (start)
                service->start();
            else
                service->syncNow();
            loop.exec();
            if (report)
                return *report;
            SyncReport none;
            none.error = QStringLiteral("no sync finished");
            return none;
        }

        qint64 add(const QString& subject, const QString& note = QStringLiteral("A note"))
        {
            return database
                ->append(ScheduleEntry::make(QStringLiteral("05/04/2026"), QStringLiteral("Monday"), subject,
                                             note, QStringLiteral("09:30:00 AM"), QStringLiteral("off"),
                                             QStringLiteral("OneTime")))
                .rowId;
        }

        int withSubject(const QString& subject)
        {
            int found = 0;
            const ScheduleTable& table = database->table();
            for (size_t i = 0; i < table.size(); ++i)
                found += table.text(i, ScheduleField::Subject) == subject;
            return found;
        }

        int onServerWith(const QByteArray& text) const
        {
            int found = 0;
            for (const auto& [href, event] : calendar->events)
                found += event.data.contains(text);
            return found;
        }
    };

    static QByteArray event(const QByteArray& uid, const QByteArray& summary, const QByteArray& note)
    {
        return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//peer//EN\r\nBEGIN:VEVENT\r\nUID:" + uid +
               "\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:20260504T093000\r\nDTEND:"
               "20260504T103000\r\nSUMMARY:" +
               summary + "\r\nDESCRIPTION:" + note + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    }

private slots:
    void aRefusedChangeIsSetAsideAndTheRestGoOn()
    {
        Side side;
        QVERIFY(side.sync(true).ok);
        side.calendar->refuseWhen = "Refuse me";
        side.add(QStringLiteral("First"));
        side.add(QStringLiteral("Refuse me"));
        side.add(QStringLiteral("Last"));
        const SyncReport report = side.sync();
        QVERIFY2(report.ok, qPrintable(report.error));
        QCOMPARE(report.sent, 2);
        QCOMPARE(side.onServerWith("SUMMARY:First"), 1);
        QCOMPARE(side.onServerWith("SUMMARY:Last"), 1);
        QCOMPARE(report.setAside.size(), 1);
        QVERIFY2(report.setAside.first().contains(QStringLiteral("DTEND must occur after DTSTART")),
                 qPrintable(report.setAside.first()));
        QVERIFY(report.statusLine().contains(QStringLiteral("Refuse me")));
        QCOMPARE(side.service->waitingChanges(), 0);

        // Set aside, it is not sent again until edited, and is still told.
        const int writes = side.calendar->writes;
        const SyncReport again = side.sync();
        QVERIFY(again.ok);
        QCOMPARE(side.calendar->writes, writes);
        QCOMPARE(again.setAside.size(), 1);

        side.calendar->refuseWhen.clear();
        const ScheduleTable& table = side.database->table();
        for (size_t i = 0; i < table.size(); ++i) {
            if (table.text(i, ScheduleField::Subject) == QStringLiteral("Refuse me")) {
                ScheduleEntry entry = table.entry(i);
                entry[ScheduleField::Subject] = QStringLiteral("Refused no more");
                QVERIFY(side.database->update(table.rowId(i), entry));
                break;
            }
        }
        const SyncReport edited = side.sync();
        QVERIFY(edited.ok);
        QCOMPARE(edited.setAside.size(), 0);
        QCOMPARE(side.onServerWith("SUMMARY:Refused no more"), 1);
    }

    void aWriteTheServerLostIsSentOnceMoreThenSetAside()
    {
        Side side;
        QVERIFY(side.sync(true).ok);
        side.add(QStringLiteral("Lost once"));
        side.calendar->loseWrites = 1;
        const SyncReport once = side.sync();
        QVERIFY2(once.ok, qPrintable(once.error));
        QCOMPARE(once.sentAgain, 1);
        QCOMPARE(side.onServerWith("SUMMARY:Lost once"), 1);
        QCOMPARE(side.withSubject(QStringLiteral("Lost once")), 1);

        side.add(QStringLiteral("Lost always"));
        side.calendar->loseWrites = 100;
        const SyncReport always = side.sync();
        QVERIFY2(always.ok, qPrintable(always.error));
        QCOMPARE(always.setAside.size(), 1);
        QVERIFY(always.setAside.first().contains(QStringLiteral("Lost always")));
        // The entry is never taken for a deletion on the server.
        QCOMPARE(side.withSubject(QStringLiteral("Lost always")), 1);
        QVERIFY(side.sync().ok);
        QCOMPARE(side.withSubject(QStringLiteral("Lost always")), 1);
    }

    void aLocalDeletionWinsOverTheServersCopyOfAnUnansweredUpload()
    {
        Side side;
        QVERIFY(side.sync(true).ok);
        const qint64 row = side.add(QStringLiteral("Half sent"));
        side.calendar->loseAnswers = 1;
        QVERIFY(!side.sync().ok);
        QCOMPARE(side.onServerWith("SUMMARY:Half sent"), 1);
        QVERIFY(side.database->remove(row));
        side.service->syncNow(); // the retry wait is long: ask at once
        const SyncReport report = side.sync();
        QVERIFY2(report.ok, qPrintable(report.error));
        QCOMPARE(side.onServerWith("SUMMARY:Half sent"), 0);
        QCOMPARE(side.withSubject(QStringLiteral("Half sent")), 0);
    }

    void anUploadDeletedOnTheServerIsNoticedWhateverItsChangeList()
    {
        Side side;
        QVERIFY(side.sync(true).ok);
        QVERIFY(side.sync().ok); // a sync token is held from here on
        side.add(QStringLiteral("Made here"));
        QVERIFY(side.sync().ok);
        QCOMPARE(side.onServerWith("SUMMARY:Made here"), 1);
        const QString href = side.calendar->events.begin()->first;
        side.calendar->removeEvent(href);
        const SyncReport report = side.sync();
        QVERIFY2(report.ok, qPrintable(report.error));
        QCOMPARE(side.withSubject(QStringLiteral("Made here")), 0);
    }

    void aFirstSyncMatchThatDiffersKeepsBoth()
    {
        Side side;
        side.calendar->putEvent(QStringLiteral("dentist-1"), event("dentist-1", "Dentist", "their note"));
        side.calendar->putEvent(QStringLiteral("party-1"), event("party-1", "Party", "Same note"));
        side.add(QStringLiteral("Dentist"), QStringLiteral("my own local note - do not lose"));
        side.add(QStringLiteral("Party"), QStringLiteral("Same note"));
        const SyncReport report = side.sync(true);
        QVERIFY2(report.ok, qPrintable(report.error));
        QCOMPARE(report.conflicts, 1);
        QCOMPARE(side.withSubject(QStringLiteral("Party")), 1);
        QCOMPARE(side.withSubject(QStringLiteral("Dentist")), 1);
        QCOMPARE(side.withSubject(QStringLiteral("Dentist (conflict)")), 1);
        QCOMPARE(side.onServerWith("their note"), 1);
        QCOMPARE(side.onServerWith("my own local note - do not lose"), 1);
        QCOMPARE(int(side.calendar->events.size()), 3);
        const SyncReport second = side.sync();
        QVERIFY(second.ok);
        QCOMPARE(second.received + second.sent + second.conflicts, 0);
    }

    void anotherProgramsImportIsSent()
    {
        Side side;
        QVERIFY(side.sync(true).ok);
        // Another program writes to the same file, recording the entries' identities itself.
        auto other = ScheduleDatabase::open(side.path(), nullptr);
        QVERIFY(other);
        const ScheduleEntry entry = ScheduleEntry::make(QStringLiteral("05/05/2026"),
                                                        QStringLiteral("Tuesday"), QStringLiteral("Imported"),
                                                        QStringLiteral("n"), QStringLiteral("08:00:00 AM"),
                                                        QStringLiteral("on"), QStringLiteral("OneTime"));
        QVERIFY(other->writeImport(
            std::vector<ScheduleDatabase::ImportedEntry>{{&entry, 0, QStringLiteral("imp-1"), {}}}));
        other.reset();
        const SyncReport report = side.sync();
        QVERIFY2(report.ok, qPrintable(report.error));
        QCOMPARE(report.sent, 1);
        QCOMPARE(side.onServerWith("SUMMARY:Imported"), 1);
    }

    void eventsThatCannotBeTakenInAreNamed()
    {
        Side side;
        QVERIFY(side.sync(true).ok);
        side.calendar->putEvent(QStringLiteral("fine-1"), event("fine-1", "Fine", "n"));
        side.calendar->unreadable << QStringLiteral("/cal/odd.ics\tits time zone names a file path");
        QVERIFY(side.sync().ok);
        side.calendar->putEvent(QStringLiteral("fine-2"), event("fine-2", "Fine too", "n"));
        const SyncReport report = side.sync();
        QVERIFY2(report.ok, qPrintable(report.error));
        QCOMPARE(report.notTaken.size(), 1);
        QVERIFY(report.notTaken.first().contains(QStringLiteral("odd.ics")));
        QVERIFY(report.statusLine().contains(QStringLiteral("odd.ics")));
    }
};

QTEST_GUILESS_MAIN(TestSyncService)
#include "TestSyncService.moc"
