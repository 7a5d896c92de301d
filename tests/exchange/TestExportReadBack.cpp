#include "exchange/IcsExport.h"
#include "store/DateText.h"
#include "store/Recurrence.h"
#include "store/ScheduleDatabase.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

// An export read back by two independent iCalendar readers, python3-icalendar (with dateutil's rules)
// and python3-vobject: every kind of entry must fall on the same days there as by the program's own
// rules, in the 400 days from its date.
class TestExportReadBack : public QObject
{
    Q_OBJECT

private slots:
    void otherReadersSeeTheSameOccurrences()
    {
        QTemporaryDir dir;
        const QString schedule = dir.filePath(QStringLiteral("Zentravio.vmr"));
        QVERIFY(ScheduleDatabase::CreateDatabaseFile(schedule));
        auto db = ScheduleDatabase::open(schedule, nullptr);
        const auto entry = [](const char* date, const char* subject, const char* kind, const char* time) {
            const QDate day = *DateText::readDate(QString::fromLatin1(date));
            return ScheduleEntry::make(QString::fromLatin1(date), DateText::dddd(day),
                                       QString::fromLatin1(subject), QStringLiteral("note"),
                                       QString::fromLatin1(time), QStringLiteral("on"),
                                       QString::fromLatin1(kind));
        };
        // The 31st has no day in the short months; the 29th of February comes only in leap years.
        QVERIFY(db->appendAll({entry("01/31/2024", "monthly", "Monthly", "09:00:00 AM"),
                               entry("02/29/2024", "yearly", "Yearly", "12:00:00 AM"),
                               entry("03/07/2024", "once", "OneTime", "10:30:00 AM"),
                               entry("12/30/2024", "daily", "EveryDay", "07:15:00 AM"),
                               entry("07/03/2024", "weekdays", "Monday to Friday", "11:59:59 PM")}));
        const QString path = dir.filePath(QStringLiteral("all.ics"));
        const QDateTime stamp(QDate(2026, 12, 7), QTime(12, 0), QTimeZone::utc());
        // A zone with summer time: the readers must keep each occurrence at its wall-clock time there.
        const QTimeZone local("America/New_York");
        QVERIFY(IcsExport::write(db->table(), path, stamp, nullptr, nullptr, nullptr, local).ok);

        // The readers are the system's packages, which another python3 earlier on the PATH does not see.
        const QString system = QStringLiteral("/usr/bin/python3");
        QProcess python;
        python.start(QFile::exists(system) ? system : QStringLiteral("python3"),
                     {QFINDTESTDATA("readback.py"), path});
        QVERIFY2(python.waitForFinished(60000) && python.exitCode() == 0,
                 python.readAllStandardError().constData());
        const QJsonObject readers = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
        const QStringList names = {QStringLiteral("icalendar"), QStringLiteral("vobject")};
        QCOMPARE(readers.keys(), QStringList({names[0], QStringLiteral("utc"), names[1]}));

        const ScheduleTable& table = db->table();
        for (size_t i = 0; i < table.size(); ++i) {
            const QDate first = table.date(i).toDate();
            const QTime time = QTime::fromMSecsSinceStartOfDay(table.alarmSecond(i) * 1000);
            QStringList expected;
            for (QDate day = first; day < first.addDays(400); day = day.addDays(1)) {
                if (Recurrence::fallsOn(table.kind(i), table.date(i), day))
                    expected << QDateTime(day, time).toString(Qt::ISODate);
            }
            const QString subject = table.text(i, ScheduleField::Subject);
            const QString firstUtc = QDateTime(first, time, local).toUTC().toString(Qt::ISODate).chopped(1);
            for (const QString& reader : names) {
                QCOMPARE(readers[QStringLiteral("utc")].toObject()[reader].toObject()[subject].toString(),
                         firstUtc);
                QStringList seen;
                for (const auto& value : readers[reader].toObject()[subject].toArray())
                    seen << value.toString();
                QVERIFY2(seen == expected,
                         qPrintable(QStringLiteral("%1 reads \"%2\" as %3 occurrences, not %4")
                                        .arg(reader, subject)
                                        .arg(seen.size())
                                        .arg(expected.size())));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestExportReadBack)
#include "TestExportReadBack.moc"
