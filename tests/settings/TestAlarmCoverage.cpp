#include "settings/AlarmCoverage.h"
#include "settings/SettingsStore.h"
#include "store/Recurrence.h"
#include "support/PermissionChecks.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

// The last second the alarm check covered, as the next start reads it back: written on the first tick, before
// an alarm rings, after a change of the schedule, seldom otherwise, and at the end of the run.
class TestAlarmCoverage : public QObject
{
    Q_OBJECT

private:
    static qint64 second(int h, int m, int s)
    {
        return Recurrence::wallSecond(QDate(2026, 12, 5), h * 3600 + m * 60 + s);
    }

    QString path() const { return m_dir.filePath(QStringLiteral("Zentravio.conf")); }
    // What the next run reads.
    static std::optional<qint64> readBack(const QString& file)
    {
        SettingsStore store(file);
        return AlarmCoverage(store).recorded();
    }
    std::optional<qint64> readBack() const { return readBack(path()); }
    // The line on the disk, which settings opened in this process may not show when a write failed.
    static QByteArray onDisk(const QString& file)
    {
        QFile text(file);
        if (!text.open(QIODevice::ReadOnly))
            return {};
        for (const QByteArray& line : text.readAll().split('\n')) {
            if (line.startsWith("LastCovered="))
                return line.mid(12);
        }
        return {};
    }

    QTemporaryDir m_dir;

private slots:
    void cleanup() { QFile::remove(path()); }

    void aFirstStartHasNothingRecorded() { QCOMPARE(readBack(), std::nullopt); }

    void theTickIsWrittenSeldomAndTheLastSecondAtTheEnd()
    {
        constexpr qint64 every = AlarmCoverage::WriteEvery;
        SettingsStore store(path());
        {
            AlarmCoverage coverage(store);
            coverage.covered(second(9, 0, 0));
            QCOMPARE(store.GetString(QStringLiteral("Alarms"), QStringLiteral("LastCovered")),
                     QStringLiteral("2026-12-05T09:00:00"));
            for (int s = 1; s < every; ++s)
                coverage.covered(second(9, 0, 0) + s);
            QCOMPARE(readBack(), second(9, 0, 0));
            coverage.covered(second(9, 0, 0) + every);
            QCOMPARE(readBack(), second(9, 0, 0) + every);
            coverage.covered(second(9, 0, 0) + every + 30);
            QCOMPARE(readBack(), second(9, 0, 0) + every);
            // A clock set back a minute or more is written at once, so that the next start does not skip
            // ahead.
            coverage.covered(second(8, 0, 0));
            QCOMPARE(readBack(), second(8, 0, 0));
            coverage.covered(second(8, 0, 20));
        }
        QCOMPARE(readBack(), second(8, 0, 20));
    }

    void aRingingSecondAndAChangedScheduleAreWrittenAtOnce()
    {
        SettingsStore store(path());
        AlarmCoverage coverage(store);
        coverage.covered(second(9, 0, 0));
        coverage.covered(second(9, 0, 5));
        QVERIFY(coverage.ringing(second(9, 0, 5)));
        QCOMPARE(readBack(), second(9, 0, 5));
        coverage.covered(second(9, 0, 6));
        QCOMPARE(readBack(), second(9, 0, 5));
        // An entry edited now may have its alarm in the stretch just covered: the next tick records it.
        coverage.scheduleChanged();
        coverage.covered(second(9, 0, 7));
        QCOMPARE(readBack(), second(9, 0, 7));
        coverage.covered(second(9, 0, 8));
        QCOMPARE(readBack(), second(9, 0, 7));
    }

    void whatDoesNotReadAsADateAndTimeIsNothingRecorded_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::newRow("empty") << QString();
        QTest::newRow("words") << QStringLiteral("yesterday");
        QTest::newRow("no such day") << QStringLiteral("2026-02-30T09:00:00");
        QTest::newRow("trailing") << QStringLiteral("2026-12-05T09:00:00Z");
    }

    void whatDoesNotReadAsADateAndTimeIsNothingRecorded()
    {
        QFETCH(QString, stored);
        {
            SettingsStore store(path());
            QVERIFY(store.SaveString(QStringLiteral("Alarms"), QStringLiteral("LastCovered"), stored));
        }
        QCOMPARE(readBack(), std::nullopt);
    }

    void aSettingsFileThatCannotBeWrittenIsTriedAgainLater()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Zentravio.conf"));
        SettingsStore store(file);
        AlarmCoverage coverage(store);
        coverage.covered(second(9, 0, 0));
        const auto writable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        {
            PermissionChecks permissions;
            if (!permissions.active())
                QSKIP("file permissions cannot be made to apply here");
            QVERIFY(QFile::setPermissions(file, QFile::ReadOwner));
            QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
            coverage.covered(second(9, 0, 0) + AlarmCoverage::WriteEvery);
            QVERIFY(QFile::setPermissions(dir.path(), writable));
            QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
        }
        QCOMPARE(onDisk(file), QByteArray("2026-12-05T09:00:00"));
        // Not tried again on the next tick...
        coverage.covered(second(9, 0, 0) + AlarmCoverage::WriteEvery + 1);
        QCOMPARE(onDisk(file), QByteArray("2026-12-05T09:00:00"));
        // ...but when an alarm rings.
        coverage.ringing(second(9, 0, 0) + AlarmCoverage::WriteEvery + 2);
        QCOMPARE(readBack(file), second(9, 0, 0) + AlarmCoverage::WriteEvery + 2);
    }
};

QTEST_GUILESS_MAIN(TestAlarmCoverage)
#include "TestAlarmCoverage.moc"
