#include "app/CommandLine.h"
#include "exchange/ExchangeCommand.h"
#include "exchange/ProgressLine.h"
#include "store/ScheduleDatabase.h"
#include "support/HeadlessProgram.h"
#include "support/OtherConnection.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

// --export and --import as a person types them: the command line, the one line of output, the exit code,
// and the real program run without a display beside a Zentravio that has the schedule open.
class TestExchangeCommand : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QStringList m_out;
    QStringList m_err;
    qint64 m_elapsed = 0;

    ExchangeCommand::Console console()
    {
        return {[this](const QString& t) { m_out << t; }, [this](const QString& t) { m_err << t; },
                [this] { return m_elapsed; }};
    }

private slots:
    void init()
    {
        m_out.clear();
        m_err.clear();
        m_elapsed = 0;
    }

    void commandLineTakesOneExportOrImport()
    {
        const CommandLine exporting = CommandLine::read({"zentravio", "--export", "out.ics"});
        QCOMPARE(exporting.action, CommandLine::Action::Export);
        QCOMPARE(exporting.file, QStringLiteral("out.ics"));
        const CommandLine importing = CommandLine::read({"zentravio", "--import=in.ics"});
        QCOMPARE(importing.action, CommandLine::Action::Import);
        QCOMPARE(importing.file, QStringLiteral("in.ics"));

        for (const QStringList& wrong : {QStringList{"zentravio", "--export", "a.ics", "--import", "b.ics"},
                                         QStringList{"zentravio", "--import", "a.ics", "--import", "b.ics"},
                                         QStringList{"zentravio", "--export"}}) {
            const CommandLine refused = CommandLine::read(wrong);
            QCOMPARE(refused.action, CommandLine::Action::Refuse);
            QVERIFY2(refused.text.contains(QLatin1String("--import <file>")), qPrintable(refused.text));
        }
    }

    void messagesSayWhatWasDone()
    {
        const QString schedule = m_dir.filePath(QStringLiteral("messages/Zentravio.vmr"));
        const QString exported = m_dir.filePath(QStringLiteral("messages.ics"));
        const QDateTime now(QDate(2026, 12, 7), QTime(12, 0), QTimeZone::utc());

        QCOMPARE(ExchangeCommand::exportTo(schedule, exported, now, console()),
                 ExchangeCommand::FailedExitCode);
        QVERIFY2(m_err.value(0).startsWith(QLatin1String("Nothing exported: the schedule file")),
                 qPrintable(m_err.value(0)));
        QVERIFY(!QFile::exists(schedule)); // an export never creates the schedule

        QCOMPARE(ExchangeCommand::importFrom(schedule, m_dir.filePath(QStringLiteral("none.ics")),
                                             QTimeZone::utc(), console()),
                 ExchangeCommand::FailedExitCode);
        QVERIFY2(m_err.value(1).contains(QLatin1String("none.ics does not exist")),
                 qPrintable(m_err.value(1)));
        QVERIFY(!QFile::exists(schedule));
        m_err.clear();

        // An import creates the missing schedule, as a first start does.
        QCOMPARE(ExchangeCommand::importFrom(schedule, QFINDTESTDATA("fixtures/desk-calendar.ics"),
                                             QTimeZone::utc(), console()),
                 0);
        QCOMPARE(
            m_out.value(0),
            QStringLiteral("Imported 4 entries from %1 (1 with their rules kept; "
                           "1 at their reminder's time; 1 subjects cut to 50 characters).")
                .arg(QFINDTESTDATA("fixtures/desk-calendar.ics")));
        // One line on standard error for each event that came in changed, the summary last on its own.
        QCOMPARE(
            m_err,
            QStringList({QStringLiteral("line 23 \"Planning: budget, staffing; and the road map for t\": "
                                        "rings 15 minutes before its 7:30 AM start")}));
        m_err.clear();
        QCOMPARE(ExchangeCommand::importFrom(schedule, QFINDTESTDATA("fixtures/desk-calendar.ics"),
                                             QTimeZone::utc(), console()),
                 0);
        QVERIFY2(m_out.value(1).contains(QLatin1String("Imported 0 entries")) &&
                     m_out.value(1).contains(QLatin1String("(4 already in the schedule).")),
                 qPrintable(m_out.value(1)));
        // Nothing came in, so nothing is said of how the events came in.
        QVERIFY2(m_err.isEmpty(), qPrintable(m_err.join(u'\n')));

        m_err.clear();
        const QString truncated = QFINDTESTDATA("fixtures/truncated.ics");
        QCOMPARE(ExchangeCommand::importFrom(schedule, truncated, QTimeZone::utc(), console()),
                 ExchangeCommand::FailedExitCode);
        QCOMPARE(
            m_err.value(0),
            QStringLiteral("Nothing imported: %1 line 14: the file ends inside VEVENT begun on line 10: it "
                           "has been cut off.")
                .arg(truncated));

        {
            QString error;
            auto db = ScheduleDatabase::open(schedule, &error);
            QVERIFY(db->append(ScheduleEntry::make("13/45/2003", "Friday", "bad date", "n", "10:00:00 AM",
                                                   "on", "OneTime")));
        }
        QCOMPARE(ExchangeCommand::exportTo(schedule, exported, now, console()), 0);
        QCOMPARE(m_out.value(2),
                 QStringLiteral("Exported 4 entries to %1 (1 skipped: date or time unreadable).")
                     .arg(QDir::toNativeSeparators(exported)));
        QCOMPARE(ExchangeCommand::exportTo(schedule, exported, now, console()),
                 ExchangeCommand::FailedExitCode);
        QVERIFY2(m_err.value(1).contains(QLatin1String("already exists")), qPrintable(m_err.value(1)));
    }

    void anImportThatTakesNothingFailsAndSaysWhy_data()
    {
        QTest::addColumn<QByteArray>("events");
        QTest::addColumn<QByteArray>("lock");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        const QByteArray unreadable = "BEGIN:VEVENT\nUID:u\nDTSTART:2025021\nSUMMARY:x\nEND:VEVENT\n";
        const QByteArray readable = "BEGIN:VEVENT\nUID:r\nDTSTART:20250210T100000Z\nSUMMARY:y\nEND:VEVENT\n";
        QTest::newRow("the one event unreadable") << unreadable << QByteArray() << 1
                                                  << "Nothing imported: the one event in %1 could not be "
                                                     "taken in (1 left out: cannot be read or held).";
        QTest::newRow("none of two events readable")
            << unreadable + unreadable << QByteArray() << 1
            << "Nothing imported: none of the 2 events in %1 could be taken in (2 left out";
        QTest::newRow("one of two events readable")
            << unreadable + readable << QByteArray() << 0 << "Imported 1 entry from %1 (1 left out";
        QTest::newRow("a calendar without events")
            << QByteArray() << QByteArray() << 0 << "Imported 0 entries from %1.";
        // Another program writing to the schedule, from before the import opens it or while it reads.
        for (const char* lock : {"BEGIN EXCLUSIVE", "BEGIN IMMEDIATE"})
            QTest::addRow("%s by another program", lock)
                << readable << QByteArray(lock) << 1
                << "is held by another program that is writing to it, and the import, which waited to write, "
                   "wrote nothing";
    }

    void anImportThatTakesNothingFailsAndSaysWhy()
    {
        QFETCH(QByteArray, events);
        QFETCH(QByteArray, lock);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        const QString schedule = m_dir.filePath(QStringLiteral("nothing/Zentravio.vmr"));
        QFile::remove(schedule);
        QDir().mkpath(m_dir.filePath(QStringLiteral("nothing")));
        QVERIFY(ScheduleDatabase::CreateDatabaseFile(schedule));
        const QString file = m_dir.filePath(QStringLiteral("nothing.ics"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write("BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//T//T//EN\n" + events + "END:VCALENDAR\n");
        out.close();
        std::optional<OtherConnection> other;
        if (!lock.isEmpty()) {
            other.emplace(schedule);
            QCOMPARE(other->exec(lock.constData()), SQLITE_OK);
        }

        QCOMPARE(ExchangeCommand::importFrom(schedule, file, QTimeZone::utc(), console()), exitCode);
        const QString said =
            (exitCode == 0 ? m_out : m_err).value((exitCode == 0 ? m_out : m_err).size() - 1);
        QVERIFY2(said.contains(says.contains(QLatin1String("%1")) ? says.arg(file) : says), qPrintable(said));
        if (exitCode != 0)
            QVERIFY(m_out.isEmpty());
        if (other)
            QCOMPARE(other->exec("ROLLBACK"), SQLITE_OK);
    }

    void progressShowsOnlyOnLongRuns()
    {
        QStringList lines;
        ProgressLine progress(
            QStringLiteral("Importing a.ics"), [this] { return m_elapsed; },
            [&](const QString& t) { lines << t; });
        for (qint64 i = 0; i < 10000; ++i)
            progress.step(i, 10000);
        QVERIFY(lines.isEmpty()); // done within the first second

        // Past the first second one line comes, and the next only a second later.
        const QRegularExpression shape(QStringLiteral("^Importing a.ics: (\\d+)% done$"));
        m_elapsed = 1500;
        for (qint64 i = 0; i < 5000; ++i)
            progress.step(i, 10000);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(shape.match(lines[0]).hasMatch(), qPrintable(lines[0]));
        m_elapsed = 2499;
        for (qint64 i = 5000; i < 6000; ++i)
            progress.step(i, 10000);
        QCOMPARE(lines.size(), 1);
        m_elapsed = 2600;
        for (qint64 i = 6000; i < 7000; ++i)
            progress.step(i, 10000);
        QCOMPARE(lines.size(), 2);
        const int percent = shape.match(lines[1]).captured(1).toInt();
        QVERIFY2(percent >= 60 && percent < 70, qPrintable(lines[1]));
    }

    void theProgramExchangesWithoutADisplayBesideARunningInstance()
    {
        QTemporaryDir root;
        const HeadlessProgram program(root.path());
        const auto run = [&](const QStringList& arguments) { return program.run(arguments); };
        const QString schedule = root.filePath(QStringLiteral("data/Zentravio/Zentravio.vmr"));
        const auto first = run({QStringLiteral("--import"), QFINDTESTDATA("fixtures/two-calendars.ics")});
        QCOMPARE(first->exitCode(), 0);
        QVERIFY(QString::fromLocal8Bit(first->readAllStandardOutput())
                    .startsWith(QLatin1String("Imported 2 entries")));
        // Neither the instance guard nor the settings were touched.
        QVERIFY(!QFileInfo::exists(root.filePath(QStringLiteral("run"))));
        QVERIFY(!QFileInfo::exists(root.filePath(QStringLiteral("config"))));

        // A running Zentravio holds the schedule open and sees the new entries at its next look.
        QString error;
        auto running = ScheduleDatabase::open(schedule, &error);
        QVERIFY2(running, qPrintable(error));
        QCOMPARE(running->table().size(), size_t(2));
        const auto second = run({QStringLiteral("--import"), QFINDTESTDATA("fixtures/desk-calendar.ics")});
        QVERIFY2(second->exitCode() == 0, second->readAllStandardError().constData());
        QCOMPARE(running->table().size(), size_t(6));

        const QString exported = root.filePath(QStringLiteral("all.ics"));
        const auto out = run({QStringLiteral("--export"), exported});
        QCOMPARE(out->exitCode(), 0);
        QCOMPARE(QString::fromLocal8Bit(out->readAllStandardOutput()),
                 QStringLiteral("Exported 6 entries to %1.\n").arg(exported));

        const auto bad = run({QStringLiteral("--import"), QFINDTESTDATA("fixtures/truncated.ics")});
        QCOMPARE(bad->exitCode(), ExchangeCommand::FailedExitCode);
        QVERIFY(QString::fromLocal8Bit(bad->readAllStandardError()).contains(QLatin1String("line 14")));
        QVERIFY(bad->readAllStandardOutput().isEmpty());
        QCOMPARE(running->table().size(), size_t(6));
    }
};

QTEST_GUILESS_MAIN(TestExchangeCommand)
#include "TestExchangeCommand.moc"
