#include "alarmservice/ScheduleFileWatch.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// What tells the alarm check that the schedule file needs a look: a write to the file or to the journals
// beside it, reported once; other files of the folder are no reason.
class TestScheduleFileWatch : public QObject
{
    Q_OBJECT

private:
    static void write(const QString& path, const QByteArray& text = "x")
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Append));
        file.write(text);
    }

private slots:
    void writesToTheScheduleOrItsJournalsAreReportedOnce()
    {
        QTemporaryDir dir;
        const QString schedule = dir.filePath(QStringLiteral("Zentravio.vmr"));
        write(schedule);
        ScheduleFileWatch watch(schedule);
        QVERIFY(watch.watching());
        QVERIFY(!watch.mayHaveChanged());

        write(schedule);
        QVERIFY(watch.mayHaveChanged());
        QVERIFY(!watch.mayHaveChanged());

        for (const char* beside : {"Zentravio.vmr-journal", "Zentravio.vmr-wal"}) {
            const QString journal = dir.filePath(QLatin1String(beside));
            write(journal);
            QVERIFY(watch.mayHaveChanged());
            QVERIFY(QFile::remove(journal));
            QVERIFY(watch.mayHaveChanged());
        }
        // A schedule put in place under its name, as a copy from elsewhere is.
        write(dir.filePath(QStringLiteral("copy")));
        QVERIFY(!watch.mayHaveChanged());
        QVERIFY(QFile::remove(schedule));
        QVERIFY(QFile::rename(dir.filePath(QStringLiteral("copy")), schedule));
        QVERIFY(watch.mayHaveChanged());

        // Other files of the folder, and names that merely begin like the schedule's, say nothing.
        write(dir.filePath(QStringLiteral("Zentravio.conf")));
        write(dir.filePath(QStringLiteral("Zentravio.vmr.bak")));
        QVERIFY(!watch.mayHaveChanged());
        // Many writes between two questions are one report.
        for (int i = 0; i < 2000; ++i)
            write(schedule);
        QVERIFY(watch.mayHaveChanged());
        QVERIFY(!watch.mayHaveChanged());
    }

    void aFolderTakenAwayIsLookedAtAlways()
    {
        QTemporaryDir parent;
        const QString folder = parent.filePath(QStringLiteral("Zentravio"));
        QVERIFY(QDir().mkpath(folder));
        ScheduleFileWatch watch(folder + QStringLiteral("/Zentravio.vmr"));
        QVERIFY(watch.watching());
        QVERIFY(QDir().rename(folder, parent.filePath(QStringLiteral("moved"))));
        QVERIFY(watch.mayHaveChanged());
        QVERIFY(!watch.watching());
        QVERIFY(watch.mayHaveChanged());

        ScheduleFileWatch nowhere(parent.filePath(QStringLiteral("missing/Zentravio.vmr")));
        QVERIFY(!nowhere.watching());
        QVERIFY(nowhere.mayHaveChanged());
    }
};

QTEST_GUILESS_MAIN(TestScheduleFileWatch)
#include "TestScheduleFileWatch.moc"
