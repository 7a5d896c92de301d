#include "exchange/ExchangeCommand.h"
#include "exchange/FilePlacement.h"
#include "store/ScheduleDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <sys/stat.h>

// Calendar files made to hurt the import: each is taken by the real program, which must end within a
// few seconds with a message in its own words and the exit code of a failure, leave the schedule as it
// was, and never pass a control character of the file on to the terminal.
class TestHostileCalendarFiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    int m_files = 0;

    struct Run
    {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };

    QString schedulePath() const { return m_root.filePath(QStringLiteral("data/Zentravio/Zentravio.vmr")); }

    QString writeFile(const QByteArray& text)
    {
        const QString path = m_root.filePath(QStringLiteral("hostile-%1.ics").arg(++m_files));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            qFatal("the calendar file could not be written");
        return path;
    }

    QByteArray scheduleBytes() const
    {
        QFile file(schedulePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The real program, without a display, in the given local time zone; a run that has not ended after
    // five seconds is ended and counts as hanging.
    Run runProgram(const QStringList& arguments, const QByteArray& zone = "Europe/Berlin",
                   const QByteArray& input = {})
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_root.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_root.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_root.filePath(QStringLiteral("run")));
        env.insert(QStringLiteral("TZ"), QString::fromLatin1(zone));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        process.setProcessEnvironment(env);
        process.start(
            QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../src/zentravio")),
            arguments);
        process.waitForStarted();
        if (!input.isNull()) {
            process.write(input);
            process.closeWriteChannel();
        }
        Run run;
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished();
            return run;
        }
        run.exitCode = process.exitCode();
        run.out = process.readAllStandardOutput();
        run.err = process.readAllStandardError();
        return run;
    }

    static QByteArray calendar(const QByteArray& inside)
    {
        return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Probe//Probe//EN\r\n" + inside +
               "END:VCALENDAR\r\n";
    }

    static QByteArray event(const QByteArray& lines)
    {
        return "BEGIN:VEVENT\r\nUID:probe\r\nDTSTAMP:20260101T000000Z\r\n" + lines + "END:VEVENT\r\n";
    }

    static bool holdsControlCharacters(const QByteArray& text)
    {
        return std::any_of(text.begin(), text.end(), [](char c) { return c == 0x1b || c == 0x07; });
    }

private slots:
    void initTestCase()
    {
        // A schedule with one entry of its own, which no run may change.
        QDir().mkpath(QFileInfo(schedulePath()).absolutePath());
        QVERIFY(ScheduleDatabase::CreateDatabaseFile(schedulePath()));
        auto db = ScheduleDatabase::open(schedulePath(), nullptr);
        QVERIFY(db->append(
            ScheduleEntry::make("03/07/2003", "Friday", "kept", "note", "10:30:00 AM", "on", "OneTime")));
    }

    void hostileFilesEndAtOnceAndChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("says");

        const QByteArray fifo = QFile::encodeName(m_root.filePath(QStringLiteral("zone-fifo")));
        QTest::newRow("a zone name that is a path to a FIFO")
            << calendar(
                   event("DTSTART;TZID=../../../../../../../.." + fifo + ":20261207T100000\r\nSUMMARY:x\r\n"))
            << QByteArray("Europe/Berlin") << 1 << QByteArray("is no zone name");
        QTest::newRow("a zone that changes every minute")
            << calendar("BEGIN:VTIMEZONE\r\nTZID:Busy/Zone\r\nBEGIN:STANDARD\r\nDTSTART:19700101T000000\r\n"
                        "RRULE:FREQ=MINUTELY\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\nEND:STANDARD\r\n"
                        "END:VTIMEZONE\r\n" +
                        event("DTSTART;TZID=Busy/Zone:20261207T100000\r\nSUMMARY:x\r\n"))
            << QByteArray("Europe/Berlin") << 1
            << QByteArray("\"Busy/Zone\", described on line 4, was refused");
        QTest::newRow("a 20 MB subject")
            << calendar(event("DTSTART:20261207T100000\r\nSUMMARY:" + QByteArray(20 << 20, 'x') + "\r\n"))
            << QByteArray("Europe/Berlin") << 1
            << QByteArray("line 8 \"(no subject)\": its line 8 is longer than 1 MB; left out");
        QByteArray nested;
        for (int i = 0; i < 500000; ++i)
            nested += "BEGIN:X-NEST\r\n";
        QTest::newRow("500,000 nested components")
            << calendar(nested) << QByteArray("Europe/Berlin") << 1
            << QByteArray("line 11: components nest deeper than 8 levels here");
        QTest::newRow("the first year")
            << calendar(event("DTSTART:00010101T000000\r\nSUMMARY:x\r\n")) << QByteArray("Europe/Berlin") << 1
            << QByteArray("01/01/0001 is outside the years the schedule holds");
        QTest::newRow("the last second of 9999, in Tokyo")
            << calendar(event("DTSTART:99991231T235959Z\r\nSUMMARY:x\r\n")) << QByteArray("Asia/Tokyo") << 1
            << QByteArray("01/01/10000 is outside the years the schedule holds");
        QTest::newRow("the first second, in New York")
            << calendar(event("DTSTART:00010101T000000Z\r\nSUMMARY:x\r\n")) << QByteArray("America/New_York")
            << 1 << QByteArray("is outside the years the schedule holds");
        QTest::newRow("terminal escapes in a malformed line")
            << calendar(event("DTSTART:20261207T100000\r\n\x1b]0;title\x07\x1b[2J\r\n")) << QByteArray("UTC")
            << 1 << QByteArray("its line 8 \"\\x1b]0;title\\x07\\x1b[2J\" cannot be read; left out");
        QTest::newRow("terminal escapes in a zone name")
            << calendar(event("DTSTART;TZID=\"\x1b[2J\":20261207T100000\r\nSUMMARY:\x1b]0;t\x07\r\n"))
            << QByteArray("UTC") << 1 << QByteArray("\"\\x1b]0;t\\x07\": its time zone \"\\x1b[2J\"");
    }

    void hostileFilesEndAtOnceAndChangeNothing()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, zone);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, says);
        const QString fifo = m_root.filePath(QStringLiteral("zone-fifo"));
        if (!QFile::exists(fifo))
            QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QByteArray before = scheduleBytes();

        const Run run = runProgram({QStringLiteral("--import"), writeFile(text)}, zone);
        QVERIFY2(run.exitCode >= 0, "the import did not end within 5 seconds");
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(says), run.err.constData());
        QVERIFY2(!holdsControlCharacters(run.err) && !holdsControlCharacters(run.out), run.err.constData());
        // A file none of whose events could be taken in has failed: nothing is said to have come in.
        QVERIFY2(run.out.isEmpty(), run.out.constData());
        QCOMPARE(scheduleBytes(), before);
    }

    void anExportNeverReplacesAFileThatAppeared()
    {
        // The last step itself refuses: a file put in place while the export ran stays as it is, and the
        // finished export keeps its own name.
        QTemporaryDir dir;
        const QString finished = dir.filePath(QStringLiteral(".export.ics.tmp"));
        const QString target = dir.filePath(QStringLiteral("race.ics"));
        QFile out(finished);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("BEGIN:VCALENDAR\r\n");
        out.close();
        QFile precious(target);
        QVERIFY(precious.open(QIODevice::WriteOnly));
        precious.write("precious\n");
        precious.close();
        QCOMPARE(FilePlacement::placeWithoutReplacing(finished, target), FilePlacement::Placed::Exists);
        QVERIFY(precious.open(QIODevice::ReadOnly));
        QCOMPARE(precious.readAll(), QByteArray("precious\n"));
        QVERIFY(QFile::exists(finished));

        QVERIFY(QFile::remove(target));
        QCOMPARE(FilePlacement::placeWithoutReplacing(finished, target), FilePlacement::Placed::Done);
        QVERIFY(!QFile::exists(finished));
        QVERIFY(QFile::exists(target));
    }

    void standardStreamsAndAnEmptyName()
    {
        const QByteArray before = scheduleBytes();
        const Run unnamed = runProgram({QStringLiteral("--export"), QString()});
        QCOMPARE(unnamed.exitCode, ExchangeCommand::FailedExitCode);
        QVERIFY2(unnamed.err.startsWith("Nothing exported: no file name was given"), unnamed.err.constData());
        QCOMPARE(runProgram({QStringLiteral("--import"), QString()}).exitCode,
                 ExchangeCommand::FailedExitCode);

        // "-" is standard output for an export, with the line about it on standard error, and standard
        // input for an import.
        const Run exported = runProgram({QStringLiteral("--export"), QStringLiteral("-")});
        QCOMPARE(exported.exitCode, 0);
        QVERIFY2(exported.out.startsWith("BEGIN:VCALENDAR\r\n") &&
                     exported.out.contains("SUMMARY:kept\r\n") && exported.out.endsWith("END:VCALENDAR\r\n"),
                 exported.out.constData());
        QCOMPARE(exported.err, QByteArray("Exported 1 entry to standard output.\n"));
        QVERIFY(!QFile::exists(QDir::current().filePath(QStringLiteral("-"))));
        QCOMPARE(scheduleBytes(), before);

        const Run again =
            runProgram({QStringLiteral("--import"), QStringLiteral("-")}, "Europe/Berlin", exported.out);
        QCOMPARE(again.exitCode, 0);
        QCOMPARE(again.out,
                 QByteArray("Imported 0 entries from standard input (1 already in the schedule).\n"));
    }
};

QTEST_GUILESS_MAIN(TestHostileCalendarFiles)
#include "TestHostileCalendarFiles.moc"
