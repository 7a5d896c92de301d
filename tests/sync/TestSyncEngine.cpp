#include "sync/DavTestServers.h"
#include "sync/FaultProxy.h"
#include "sync/SyncSide.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

// Two-way syncing of the schedule against Radicale and Xandikos, with python3-caldav as the other
// calendar program: what either side adds, edits or deletes reaches the other, once, and nothing of
// either side is lost or narrowed.
class TestSyncEngine : public QObject
{
    Q_OBJECT

private:
    DavTestServers m_servers;
    int m_calendars = 0;

    const DavTestServer& server() const { return m_servers.server(); }

    QUrl newCalendar(const DavTestServer& dav)
    {
        return dav.makeCalendar(QStringLiteral("Engine %1").arg(++m_calendars));
    }

    std::unique_ptr<SyncSide> sideFor(const DavTestServer& dav, const QUrl& calendar)
    {
        return std::make_unique<SyncSide>(calendar, dav.user(), dav.password());
    }

    static QByteArray event(const QByteArray& uid, const QByteArray& summary, const QByteArray& extra = {})
    {
        return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//peer//EN\r\nBEGIN:VEVENT\r\nUID:" + uid +
               "\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:20260504T093000\r\nDTEND:"
               "20260504T103000\r\nSUMMARY:" +
               summary + "\r\nDESCRIPTION:Bring the wine\\, and the cake\\nSecond line\r\n" + extra +
               "END:VEVENT\r\nEND:VCALENDAR\r\n";
    }

    static QStringList uids(const DavTestServer& dav, const QUrl& calendar)
    {
        QStringList list =
            dav.peer({QStringLiteral("uids"), calendar.toString()}).split(u'\n', Qt::SkipEmptyParts);
        list.sort();
        return list;
    }

    static QString peerGet(const DavTestServer& dav, const QUrl& calendar, const QString& uid)
    {
        // Folded lines are unfolded, so that a property reads as one line.
        return dav.peer({QStringLiteral("get"), calendar.toString(), uid})
            .remove(QStringLiteral("\r\n "))
            .remove(QStringLiteral("\n "));
    }

private slots:
    void initTestCase_data() { DavTestServers::addRows(); }

    void initTestCase()
    {
        QString why;
        QVERIFY2(m_servers.start(&why), qPrintable(why));
    }

    void serverEventsArriveAsEntriesOnceAndMatchTheSameEntry()
    {
        const DavTestServer& dav = server();
        const QUrl calendar = newCalendar(dav);
        QVERIFY(dav.putEvent(calendar, event("party-1", "Party")));
        QVERIFY(dav.putEvent(calendar, event("dentist-1", "Dentist")));
        auto side = sideFor(dav, calendar);
        // The same entry made here before the first sync is matched, not doubled; one that differs in its
        // note is a conflict, and both versions are kept.
        side->add(QStringLiteral("Dentist"));
        side->add(QStringLiteral("Only here"));
        side->database().append(ScheduleEntry::make(
            QStringLiteral("05/04/2026"), QStringLiteral("Monday"), QStringLiteral("Party"),
            QStringLiteral("Bring the wine, and the cake\nSecond line"), QStringLiteral("09:30:00 AM"),
            QStringLiteral("off"), QStringLiteral("OneTime")));

        const SyncReport first = side->sync(true);
        QVERIFY2(first.ok, qPrintable(first.error));
        QCOMPARE(side->withSubject(QStringLiteral("Party")).size(), size_t(1));
        QCOMPARE(side->withSubject(QStringLiteral("Dentist")).size(), size_t(1));
        QCOMPARE(side->withSubject(QStringLiteral("Dentist (conflict)")).size(), size_t(1));
        QCOMPARE(first.conflicts, 1);
        const ScheduleTable& table = side->database().table();
        const size_t party = side->withSubject(QStringLiteral("Party")).front();
        QCOMPARE(table.text(party, ScheduleField::Date), QStringLiteral("05/04/2026"));
        QCOMPARE(table.text(party, ScheduleField::AlarmTime), QStringLiteral("09:30:00 AM"));
        QCOMPARE(table.text(party, ScheduleField::Note),
                 QStringLiteral("Bring the wine, and the cake\nSecond line"));
        QCOMPARE(side->database().uidOf(table.rowId(party)), QStringLiteral("party-1"));

        const QStringList onServer = uids(dav, calendar);
        QCOMPARE(onServer.size(), 4);
        QVERIFY(onServer.contains(QStringLiteral("dentist-1")));
        QVERIFY(onServer.contains(QStringLiteral("party-1")));

        const SyncReport second = side->sync();
        QVERIFY2(second.ok, qPrintable(second.error));
        QCOMPARE(second.received, 0);
        QCOMPARE(second.sent, 0);
        QCOMPARE(side->database().table().size(), size_t(4));
    }

    void entriesAddedEditedAndDeletedHereReachTheOtherProgram()
    {
        const DavTestServer& dav = server();
        const QUrl calendar = newCalendar(dav);
        auto side = sideFor(dav, calendar);
        QVERIFY(side->sync(true).ok);
        side->restart(50); // local changes go out within moments
        QVERIFY(side->sync(true).ok);

        QSignalSpy finished(&side->service(), &SyncService::syncFinished);
        const qint64 row = side->add(QStringLiteral("<b>Plain</b> & text"));
        QVERIFY(finished.wait(20000));
        const QString uid = side->database().uidOf(row);
        QString seen = peerGet(dav, calendar, uid);
        QVERIFY2(seen.contains(QStringLiteral("SUMMARY:<b>Plain</b> & text")), qPrintable(seen));
        QVERIFY(seen.contains(QStringLiteral("DTSTART:20260504T093000")));

        ScheduleEntry edited = side->database().table().entry(side->database().table().indexOf(row));
        edited[ScheduleField::Subject] = QStringLiteral("Renamed");
        edited[ScheduleField::AlarmTime] = QStringLiteral("11:15:00 AM");
        finished.clear();
        QVERIFY(side->database().update(row, edited));
        QVERIFY(finished.wait(20000));
        seen = peerGet(dav, calendar, uid);
        QVERIFY2(seen.contains(QStringLiteral("SUMMARY:Renamed")), qPrintable(seen));
        QVERIFY(seen.contains(QStringLiteral("DTSTART:20260504T111500")));
        QCOMPARE(uids(dav, calendar), QStringList{uid});

        finished.clear();
        QVERIFY(side->database().remove(row));
        QVERIFY(finished.wait(20000));
        QVERIFY(uids(dav, calendar).isEmpty());
        QCOMPARE(side->service().waitingChanges(), 0);
    }

    void aConflictKeepsBothVersions()
    {
        const DavTestServer& dav = server();
        const QUrl calendar = newCalendar(dav);
        QVERIFY(dav.putEvent(calendar, event("talk-1", "Talk")));
        auto side = sideFor(dav, calendar);
        QVERIFY(side->sync(true).ok);
        const qint64 row = *side->database().rowOf(QStringLiteral("talk-1"));

        ScheduleEntry mine = side->database().table().entry(side->database().table().indexOf(row));
        mine[ScheduleField::Subject] = QStringLiteral("Talk (my edit)");
        QVERIFY(side->database().update(row, mine));
        QVERIFY(dav.putEvent(calendar, event("talk-1", "Talk (their edit)", "SEQUENCE:1\r\n")));

        const SyncReport report = side->sync();
        QVERIFY2(report.ok, qPrintable(report.error));
        QCOMPARE(report.conflicts, 1);
        QVERIFY(report.statusLine().contains(QStringLiteral("both versions kept")));
        const ScheduleTable& table = side->database().table();
        QCOMPARE(table.text(table.indexOf(row), ScheduleField::Subject), QStringLiteral("Talk (their edit)"));
        QCOMPARE(side->withSubject(QStringLiteral("Talk (my edit) (conflict)")).size(), size_t(1));
        // The local version reached the server as an event of its own.
        QCOMPARE(uids(dav, calendar).size(), 2);
        QVERIFY(peerGet(dav, calendar, QStringLiteral("talk-1"))
                    .contains(QStringLiteral("SUMMARY:Talk (their edit)")));
    }

    void aWeeklyEventIsNeverNarrowed()
    {
        const DavTestServer& dav = server();
        const QUrl calendar = newCalendar(dav);
        const QByteArray rich = "RRULE:FREQ=WEEKLY;BYDAY=MO,WE\r\nLOCATION:Room 4\r\n";
        QVERIFY(dav.putEvent(calendar, event("weekly-1", "Standup", rich)));
        auto side = sideFor(dav, calendar);
        QVERIFY(side->sync(true).ok);
        const qint64 row = *side->database().rowOf(QStringLiteral("weekly-1"));

        // A new subject is written into the server's event, which keeps its rule, place and end.
        ScheduleEntry entry = side->database().table().entry(side->database().table().indexOf(row));
        entry[ScheduleField::Subject] = QStringLiteral("Daily standup");
        QVERIFY(side->database().update(row, entry));
        QVERIFY(side->sync().ok);
        QString seen = peerGet(dav, calendar, QStringLiteral("weekly-1"));
        QVERIFY2(seen.contains(QStringLiteral("SUMMARY:Daily standup")), qPrintable(seen));
        QVERIFY(seen.contains(QStringLiteral("FREQ=WEEKLY")));
        QVERIFY(seen.contains(QStringLiteral("BYDAY=MO,WE")));
        QVERIFY(seen.contains(QStringLiteral("LOCATION:Room 4")));
        QVERIFY(seen.contains(QStringLiteral("DTEND:20260504T103000")));

        // A new date would narrow the rule: it stays here, and the status line says so.
        entry = side->database().table().entry(side->database().table().indexOf(row));
        entry[ScheduleField::Date] = QStringLiteral("05/06/2026");
        QVERIFY(side->database().update(row, entry));
        const SyncReport kept = side->sync();
        QVERIFY(kept.ok);
        QCOMPARE(kept.keptHere, 1);
        QVERIFY(peerGet(dav, calendar, QStringLiteral("weekly-1"))
                    .contains(QStringLiteral("DTSTART:20260504T093000")));

        // Edited on the server, the event still comes in as the import takes it, and the local date edit
        // is kept beside it.
        QVERIFY(dav.putEvent(calendar, event("weekly-1", "Standup moved", rich + "SEQUENCE:2\r\n")));
        const SyncReport after = side->sync();
        QVERIFY(after.ok);
        const ScheduleTable& table = side->database().table();
        QCOMPARE(table.text(table.indexOf(row), ScheduleField::Subject), QStringLiteral("Standup moved"));
        QCOMPARE(side->withSubject(QStringLiteral("Daily standup (conflict)")).size(), size_t(1));
        seen = peerGet(dav, calendar, QStringLiteral("weekly-1"));
        QVERIFY(seen.contains(QStringLiteral("FREQ=WEEKLY")));
        QVERIFY(seen.contains(QStringLiteral("LOCATION:Room 4")));

        // The entry keeps the whole weekly event, so deleting it here deletes the series on the server too.
        QVERIFY(side->database().remove(row));
        const SyncReport deleted = side->sync();
        QVERIFY2(deleted.ok, qPrintable(deleted.error));
        QCOMPARE(deleted.leftOnServer, 0);
        QVERIFY(side->sync(true).ok);
        QVERIFY(!peerGet(dav, calendar, QStringLiteral("weekly-1")).contains(QStringLiteral("FREQ=WEEKLY")));
        QVERIFY(!side->database().rowOf(QStringLiteral("weekly-1")));
    }

    void queuedChangesAreSentOnceAfterARestart()
    {
        const DavTestServer& dav = server();
        const QUrl calendar = newCalendar(dav);
        auto side = sideFor(dav, calendar);
        QVERIFY(side->sync(true).ok);
        const qint64 kept = side->add(QStringLiteral("Kept"));
        const qint64 gone = side->add(QStringLiteral("Gone"));
        QVERIFY(side->sync().ok);
        QCOMPARE(uids(dav, calendar).size(), 2);

        // Changes made just before the end, never sent.
        side->add(QStringLiteral("New before the end"));
        ScheduleEntry entry = side->database().table().entry(side->database().table().indexOf(kept));
        entry[ScheduleField::Subject] = QStringLiteral("Kept and edited");
        QVERIFY(side->database().update(kept, entry));
        const QString goneUid = side->database().uidOf(gone);
        QVERIFY(side->database().remove(gone));
        side->restart();

        const SyncReport report = side->sync(true);
        QVERIFY2(report.ok, qPrintable(report.error));
        QCOMPARE(report.sent, 3);
        const QStringList onServer = uids(dav, calendar);
        QCOMPARE(onServer.size(), 2);
        QVERIFY(!onServer.contains(goneUid));
        QVERIFY(
            peerGet(dav, calendar, side->database().uidOf(kept)).contains(QStringLiteral("Kept and edited")));
        side->restart();
        const SyncReport again = side->sync(true);
        QCOMPARE(again.sent, 0);
        QCOMPARE(again.received, 0);
        QCOMPARE(uids(dav, calendar).size(), 2);
    }

    void syncsEndedAtRandomMomentsBringNoDeletionBack()
    {
        // A sync ended at any moment (as by kill -9: what was committed stays, a request under way may or
        // may not have reached the server, its answer is never read) against a slow server, thirty times,
        // with entries added, edited and deleted between the ends.
        const DavTestServer& dav = server();
        const QUrl direct = newCalendar(dav);
        FaultProxy proxy(dav.port());
        proxy.setFault(FaultProxy::Fault::Trickle, 15);
        QUrl calendar = direct;
        calendar.setPort(proxy.url().port());
        auto side = sideFor(dav, calendar);
        QVERIFY(side->sync(true).ok);
        QRandomGenerator random(20261208);
        QSet<QString> deleted;
        int made = 0;
        for (int kill = 0; kill < 30; ++kill) {
            const ScheduleTable& table = side->database().table();
            const int what = table.size() < 3 ? 0 : random.bounded(3);
            if (what == 0) {
                side->add(QStringLiteral("Entry %1").arg(++made));
            } else {
                const size_t index = random.bounded(quint32(table.size()));
                const qint64 row = table.rowId(index);
                if (what == 1) {
                    ScheduleEntry entry = table.entry(index);
                    entry[ScheduleField::Note] = QStringLiteral("Edit %1").arg(kill);
                    QVERIFY(side->database().update(row, entry));
                } else {
                    deleted.insert(side->database().uidOf(row));
                    QVERIFY(side->database().remove(row));
                }
            }
            side->service().start();
            QTest::qWait(int(random.bounded(600)));
            side->restart();
        }
        proxy.setFault(FaultProxy::Fault::None);
        for (int clean = 0; clean < 2; ++clean) {
            const SyncReport report = side->sync(true);
            QVERIFY2(report.ok, qPrintable(report.error));
            side->restart();
        }
        QStringList here;
        const ScheduleTable& table = side->database().table();
        for (size_t i = 0; i < table.size(); ++i)
            here << side->database().uidOf(table.rowId(i));
        here.sort();
        QCOMPARE(uids(dav, direct), here);
        for (const QString& uid : std::as_const(deleted))
            QVERIFY2(!here.contains(uid), qPrintable(uid));
    }

    void faultsLoseAndDoubleNothing_data()
    {
        QTest::addColumn<int>("fault");
        using F = FaultProxy::Fault;
        QTest::newRow("dropped mid-answer") << int(F::DropMidResponse);
        QTest::newRow("500") << int(F::Status500);
        QTest::newRow("412 on every write") << int(F::PreconditionOnWrite);
        QTest::newRow("silent past the timeout") << int(F::Silence);
        QTest::newRow("nonsense") << int(F::Nonsense);
    }

    void faultsLoseAndDoubleNothing()
    {
        QFETCH(int, fault);
        const DavTestServer& dav = server();
        const QUrl direct = newCalendar(dav);
        FaultProxy proxy(dav.port());
        QUrl calendar = direct;
        calendar.setPort(proxy.url().port());
        QVERIFY(dav.putEvent(direct, event("there-1", "There")));
        auto side = sideFor(dav, calendar);
        side->service().setRequestTimeout(1000);
        QVERIFY(side->sync(true).ok);
        side->add(QStringLiteral("Made during the fault"));

        proxy.setFault(FaultProxy::Fault(fault), 3000);
        QElapsedTimer longest;
        qint64 longestPass = 0;
        QTimer watch;
        watch.setInterval(1);
        longest.start();
        connect(&watch, &QTimer::timeout, &watch,
                [&] { longestPass = std::max(longestPass, longest.restart()); });
        watch.start();
        const SyncReport failed = side->sync();
        watch.stop();
        if (FaultProxy::Fault(fault) != FaultProxy::Fault::PreconditionOnWrite) {
            QVERIFY(!failed.ok);
            QVERIFY(!failed.statusLine().isEmpty());
        }
        QCOMPARE(side->service().waitingChanges(), 1);
        // The window's thread went on turning while the server misbehaved for three seconds: a wait on
        // the server would show as a pass of seconds. The bound is far above a frame because a shared
        // machine stalls a process for a tenth of a second at times; how short the passes are is measured
        // in the benchmarks.
        qInfo("longest pass while the server misbehaved: %lld ms", longestPass);
        QVERIFY2(longestPass < 1000, qPrintable(QString::number(longestPass)));

        proxy.setFault(FaultProxy::Fault::None);
        QTest::qWait(3500); // the silent request's late answer, if any, has come and gone
        const SyncReport mended = side->sync();
        QVERIFY2(mended.ok, qPrintable(mended.error));
        QCOMPARE(side->service().waitingChanges(), 0);
        QCOMPARE(uids(dav, direct).size(), 2);
        QCOMPARE(side->database().table().size(), size_t(2));
    }

    void noPasswordKeptAsksForItAtStart()
    {
        const DavTestServer& dav = server();
        const QUrl calendar = newCalendar(dav);
        SyncSide side(calendar, dav.user(), dav.password());
        PasswordStore empty(false);
        SyncService service(side.database(), side.settings(), empty, side.clock());
        QSignalSpy asked(&service, &SyncService::passwordNeeded);
        QSignalSpy finished(&service, &SyncService::syncFinished);
        service.start();
        QVERIFY(asked.wait(5000));
        QVERIFY(!asked.first().first().toString().isEmpty());
        QVERIFY(!service.isSyncing());
        service.setPassword(dav.password().isEmpty() ? QStringLiteral("none") : dav.password());
        QVERIFY(finished.wait(20000));
        QVERIFY(finished.first().first().value<SyncReport>().ok);
        QCOMPARE(asked.size(), 1);
    }

    void aRefusedPasswordAsksOnceAndStops()
    {
        const DavTestServer& dav = server();
        if (dav.kind() != DavTestServer::Kind::Radicale)
            QSKIP("Xandikos asks for no password");
        const QUrl calendar = newCalendar(dav);
        auto side = std::make_unique<SyncSide>(calendar, dav.user(), QStringLiteral("wrong"));
        QSignalSpy asked(&side->service(), &SyncService::passwordNeeded);
        const SyncReport refused = side->sync(true);
        QVERIFY(!refused.ok);
        QCOMPARE(asked.size(), 1);
        QSignalSpy finished(&side->service(), &SyncService::syncFinished);
        side->service().syncNow();
        QTest::qWait(300);
        QCOMPARE(finished.size(), 0); // no sync until the password comes
        QCOMPARE(asked.size(), 1);
        side->service().setPassword(dav.password());
        QVERIFY(finished.wait(20000));
        QVERIFY(finished.first().first().value<SyncReport>().ok);
    }
};

QTEST_GUILESS_MAIN(TestSyncEngine)
#include "TestSyncEngine.moc"
