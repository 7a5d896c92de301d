#include "occurrence/OccurrenceSource.h"
#include "occurrence/RecurringEvent.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

// The occurrences the program works out, compared with those of an independent reader
// (python3-recurring-ical-events) over three years, for every shape of rule a calendar writes and for a
// few hundred rules made at random. CTest runs it under several local zones.
namespace {

const QDate FirstDay(2025, 1, 1);
const QDate LastDay(2027, 12, 31);

struct Fixture
{
    const char* name;
    const char* events; // VEVENTs, lines joined by "\n"
};

const Fixture Fixtures[] = {
    {"every Saturday in Berlin", "BEGIN:VEVENT\nUID:a\nSUMMARY:Choir\nDTSTART;TZID=Europe/Berlin:20250104T100000\n"
                                 "DTEND;TZID=Europe/Berlin:20250104T120000\nRRULE:FREQ=WEEKLY;BYDAY=SA\nEND:VEVENT"},
    {"every other Tuesday in New York",
     "BEGIN:VEVENT\nUID:b\nSUMMARY:Piano\nDTSTART;TZID=America/New_York:20241001T180000\n"
     "DURATION:PT45M\nRRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=TU\nEND:VEVENT"},
    {"floating every Monday",
     "BEGIN:VEVENT\nUID:c\nSUMMARY:Bins\nDTSTART:20250106T070000\nRRULE:FREQ=WEEKLY\nEND:VEVENT"},
    {"last Thursday of the month in UTC",
     "BEGIN:VEVENT\nUID:d\nSUMMARY:Book club\nDTSTART:20250130T190000Z\nDTEND:20250130T210000Z\n"
     "RRULE:FREQ=MONTHLY;BYDAY=-1TH\nEND:VEVENT"},
    {"daily five times", "BEGIN:VEVENT\nUID:e\nSUMMARY:Course\nDTSTART;TZID=Europe/Berlin:20250324T090000\n"
                         "RRULE:FREQ=DAILY;COUNT=5\nEND:VEVENT"},
    {"until a moment in UTC", "BEGIN:VEVENT\nUID:f\nSUMMARY:Market\nDTSTART;TZID=Europe/Berlin:20251004T080000\n"
                              "RRULE:FREQ=WEEKLY;BYDAY=SA;UNTIL=20260307T070000Z\nEND:VEVENT"},
    {"two days of the month", "BEGIN:VEVENT\nUID:g\nSUMMARY:Rent\nDTSTART;TZID=America/New_York:20250101T090000\n"
                              "RRULE:FREQ=MONTHLY;BYMONTHDAY=1,15\nEND:VEVENT"},
    {"two months of the year", "BEGIN:VEVENT\nUID:h\nSUMMARY:Tyres\nDTSTART:20250310T100000\n"
                               "RRULE:FREQ=YEARLY;BYMONTH=3,9;BYMONTHDAY=10\nEND:VEVENT"},
    {"last workday of the month",
     "BEGIN:VEVENT\nUID:i\nSUMMARY:Report\nDTSTART;TZID=Europe/Berlin:20250131T160000\n"
     "RRULE:FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1\nEND:VEVENT"},
    {"week starting on Sunday", "BEGIN:VEVENT\nUID:j\nSUMMARY:Swim\nDTSTART:20250805T090000\n"
                                "RRULE:FREQ=WEEKLY;INTERVAL=2;COUNT=8;BYDAY=TU,SU;WKST=SU\nEND:VEVENT"},
    {"week starting on Monday", "BEGIN:VEVENT\nUID:k\nSUMMARY:Swim\nDTSTART:20250805T090000\n"
                                "RRULE:FREQ=WEEKLY;INTERVAL=2;COUNT=8;BYDAY=TU,SU;WKST=MO\nEND:VEVENT"},
    {"extra and excluded dates",
     "BEGIN:VEVENT\nUID:l\nSUMMARY:Yoga\nDTSTART;TZID=Europe/Berlin:20250108T183000\n"
     "RRULE:FREQ=WEEKLY;BYDAY=WE;COUNT=20\nRDATE;TZID=Europe/Berlin:20250111T100000,20250301T100000\n"
     "EXDATE;TZID=Europe/Berlin:20250115T183000\nEXDATE:20250205T173000Z\nEND:VEVENT"},
    {"moved and cancelled occurrences",
     "BEGIN:VEVENT\nUID:m\nSUMMARY:Team\nDTSTART;TZID=America/New_York:20250106T100000\n"
     "DTEND;TZID=America/New_York:20250106T110000\nRRULE:FREQ=WEEKLY;BYDAY=MO;COUNT=10\nEND:VEVENT\n"
     "BEGIN:VEVENT\nUID:m\nSUMMARY:Team (moved)\nRECURRENCE-ID;TZID=America/New_York:20250113T100000\n"
     "DTSTART;TZID=America/New_York:20250115T140000\nDTEND;TZID=America/New_York:20250115T150000\nEND:VEVENT\n"
     "BEGIN:VEVENT\nUID:m\nSUMMARY:Team\nRECURRENCE-ID;TZID=America/New_York:20250127T100000\n"
     "DTSTART;TZID=America/New_York:20250127T100000\nSTATUS:CANCELLED\nEND:VEVENT"},
    {"daily across the spring change in Berlin",
     "BEGIN:VEVENT\nUID:n\nSUMMARY:Walk\nDTSTART;TZID=Europe/Berlin:20250325T090000\n"
     "RRULE:FREQ=DAILY;UNTIL=20251105T090000\nEND:VEVENT"},
    {"weekly across the change in New York",
     "BEGIN:VEVENT\nUID:o\nSUMMARY:Call\nDTSTART;TZID=America/New_York:20250301T083000\n"
     "RRULE:FREQ=WEEKLY;COUNT=12\nEND:VEVENT"},
    {"a zone without daylight saving", "BEGIN:VEVENT\nUID:p\nSUMMARY:Standup\nDTSTART;TZID=Asia/Kolkata:20250303T193000\n"
                                       "RRULE:FREQ=WEEKLY;BYDAY=MO,TH;COUNT=30\nEND:VEVENT"},
    {"yearly whole day", "BEGIN:VEVENT\nUID:q\nSUMMARY:Birthday\nDTSTART;VALUE=DATE:20240229\n"
                         "DTEND;VALUE=DATE:20240301\nRRULE:FREQ=YEARLY\nEND:VEVENT"},
    {"whole days spanning three", "BEGIN:VEVENT\nUID:r\nSUMMARY:Trip\nDTSTART;VALUE=DATE:20250110\n"
                                  "DTEND;VALUE=DATE:20250113\nRRULE:FREQ=MONTHLY;COUNT=6\nEXDATE;VALUE=DATE:20250310\n"
                                  "END:VEVENT"},
    {"overnight over several days",
     "BEGIN:VEVENT\nUID:s\nSUMMARY:Shift\nDTSTART;TZID=Europe/Berlin:20250110T200000\n"
     "DTEND;TZID=Europe/Berlin:20250112T100000\nRRULE:FREQ=MONTHLY;COUNT=6\nEND:VEVENT"},
    {"started years ago", "BEGIN:VEVENT\nUID:t\nSUMMARY:Gym\nDTSTART;TZID=Europe/Berlin:20190107T073000\n"
                          "RRULE:FREQ=WEEKLY;BYDAY=MO,WE,FR\nEND:VEVENT"},
    {"every fifth month since 2018", "BEGIN:VEVENT\nUID:u\nSUMMARY:Filter\nDTSTART:20180131T120000\n"
                                     "RRULE:FREQ=MONTHLY;INTERVAL=5\nEND:VEVENT"},
    {"every third day from a leap day", "BEGIN:VEVENT\nUID:v\nSUMMARY:Water\nDTSTART;TZID=America/New_York:20200229T213000\n"
                                        "RRULE:FREQ=DAILY;INTERVAL=3\nEND:VEVENT"},
    {"second Sunday of May every year", "BEGIN:VEVENT\nUID:w\nSUMMARY:Mother\nDTSTART;VALUE=DATE:20200510\nDTEND;VALUE=DATE:20200511\n"
                                        "RRULE:FREQ=YEARLY;BYMONTH=5;BYDAY=2SU\nEND:VEVENT"},
    {"only extra dates", "BEGIN:VEVENT\nUID:x\nSUMMARY:Talks\nDTSTART:20250204T170000Z\n"
                         "RDATE:20250304T170000Z,20251104T170000Z\nEND:VEVENT"},
    {"a one-time event", "BEGIN:VEVENT\nUID:y\nSUMMARY:Dentist\nDTSTART;TZID=Europe/Berlin:20250610T083000\n"
                         "DTEND;TZID=Europe/Berlin:20250610T090000\nEND:VEVENT"},
};

QByteArray calendarOf(const QByteArray& events)
{
    QByteArray text = "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Zentravio//Test//EN\n" + events + "\nEND:VCALENDAR\n";
    return text.replace("\n", "\r\n");
}

QString timeText(const QDateTime& t, bool allDay)
{
    return allDay ? t.date().toString(Qt::ISODate) : t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

QStringList ownOccurrences(const QByteArray& text)
{
    QString error;
    const auto event = RecurringEvent::read(text, &error);
    if (!event)
        return {QStringLiteral("unreadable: ") + error};
    QStringList found;
    for (const Occurrence& o : event->onDays(FirstDay, LastDay)) {
        if (o.start.date() < FirstDay || o.start.date() > LastDay)
            continue;
        found << timeText(o.start, o.allDay) + u'|' + timeText(o.end, o.allDay) + u'|' + o.subject;
    }
    found.sort();
    return found;
}

// Rules of every part at random, within what RFC 5545 allows, each one event.
QByteArray madeRule(QRandomGenerator& random, int n)
{
    static const char* const Freqs[] = {"DAILY", "WEEKLY", "MONTHLY", "YEARLY"};
    static const char* const Days[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};
    static const char* const Zones[] = {"Europe/Berlin", "America/New_York", "Asia/Tokyo", "", "UTC"};
    const int freq = random.bounded(4);
    QByteArray rule = QByteArray("FREQ=") + Freqs[freq];
    if (random.bounded(2))
        rule += ";INTERVAL=" + QByteArray::number(random.bounded(1, 4));
    const int end = random.bounded(3);
    if (end == 1)
        rule += ";COUNT=" + QByteArray::number(random.bounded(1, 40));
    // Plain and numbered weekdays are not mixed in one list: the other reader (dateutil) then leaves out
    // the plain ones, where libical follows RFC 5545.
    const auto days = [&](bool mayNumber) {
        const bool positions = mayNumber && random.bounded(2);
        const int count = random.bounded(1, 4);
        QByteArrayList parts;
        for (int i = 0; i < count; ++i) {
            QByteArray part;
            if (positions)
                part += QByteArray::number(random.bounded(2) ? random.bounded(1, 5) : -random.bounded(1, 3));
            part += Days[random.bounded(7)];
            // A day named twice is no rule a calendar writes.
            if (!parts.contains(part))
                parts << part;
        }
        return parts.join(',');
    };
    // A weekly start on one of its own days: a start the rule does not give leaves the series undefined
    // (RFC 5545), and the readers then count the intervals from different weeks.
    const QDate start = QDate(2023, 1, 1).addDays(random.bounded(1200));
    if (freq == 1 && random.bounded(2)) {
        const QByteArray own = Days[start.dayOfWeek() - 1];
        const QByteArray list = days(false);
        rule += ";BYDAY=" + (list.contains(own) ? list : list + ',' + own);
    }
    if (freq == 2) {
        const int shape = random.bounded(4);
        if (shape == 0)
            rule += ";BYDAY=" + days(true);
        else if (shape == 1)
            rule += ";BYMONTHDAY=" + QByteArray::number(random.bounded(1, 29)) + "," +
                    QByteArray::number(-random.bounded(1, 4));
        else if (shape == 2)
            rule += ";BYDAY=MO,TU,WE,TH,FR;BYSETPOS=" + QByteArray::number(random.bounded(2) ? 1 : -1);
    }
    if (freq == 3) {
        rule += ";BYMONTH=" + QByteArray::number(random.bounded(1, 13));
        if (random.bounded(2))
            rule += ";BYDAY=" + QByteArray::number(random.bounded(2) ? random.bounded(1, 4) : -1) +
                    Days[random.bounded(7)];
    }
    if (freq == 0 && random.bounded(3) == 0)
        rule += ";BYMONTH=" + QByteArray::number(random.bounded(1, 13));
    // Weeks that start on Monday or Sunday only: with another week start and an interval of weeks,
    // libical 3.0 counts the weeks otherwise than RFC 5545 does (WKST=SA;INTERVAL=3 from a Thursday).
    if (random.bounded(4) == 0)
        rule += QByteArray(";WKST=") + Days[random.bounded(2) ? 0 : 6];
    const QByteArray startDay = start.toString(QStringLiteral("yyyyMMdd")).toLatin1();
    const QByteArray zone = Zones[random.bounded(5)];
    // A floating time the local clock skips is read differently by every reader; zoned ones are not.
    const int hour = random.bounded(zone.isEmpty() ? 4 : 0, 23);
    const int minute = random.bounded(4) * 15;
    const QByteArray time = QTime(hour, minute).toString(QStringLiteral("HHmmss")).toLatin1();
    const QByteArray endTime = QTime(hour + 1, minute).toString(QStringLiteral("HHmmss")).toLatin1();
    if (end == 2)
        rule += ";UNTIL=" + start.addDays(random.bounded(30, 900)).toString(QStringLiteral("yyyyMMdd")).toLatin1() +
                "T235959Z";
    const auto timeLine = [&](const char* name, const QByteArray& at) -> QByteArray {
        if (zone == "UTC")
            return name + QByteArray(":") + startDay + "T" + at + "Z";
        if (zone.isEmpty())
            return name + QByteArray(":") + startDay + "T" + at;
        return name + QByteArray(";TZID=") + zone + ":" + startDay + "T" + at;
    };
    return "BEGIN:VEVENT\nUID:made-" + QByteArray::number(n) + "\nSUMMARY:" + rule + "\n" +
           timeLine("DTSTART", time) + "\n" + timeLine("DTEND", endTime) + "\nRRULE:" + rule + "\nEND:VEVENT";
}

} // namespace

class TestRecurringEvent : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QList<QByteArray> m_texts;
    QStringList m_names;
    QJsonObject m_reader;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        for (const Fixture& f : Fixtures) {
            m_names << QString::fromUtf8(f.name);
            m_texts << calendarOf(f.events);
        }
        QRandomGenerator random(20261208);
        for (int n = 0; n < 300; ++n) {
            const QByteArray rule = madeRule(random, n);
            const qsizetype at = rule.indexOf("RRULE:") + 6;
            m_names << QStringLiteral("made %1: ").arg(n) + QString::fromUtf8(rule.mid(at, rule.indexOf('\n', at) - at));
            m_texts << calendarOf(rule);
        }
        QStringList args{QFINDTESTDATA("occurrence/occurrences.py"), FirstDay.toString(Qt::ISODate),
                         LastDay.toString(Qt::ISODate)};
        for (qsizetype i = 0; i < m_texts.size(); ++i) {
            const QString path = m_dir.filePath(QStringLiteral("%1.ics").arg(i));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(m_texts[i]);
            args << path;
        }
        // The reader is the system's package, which another python3 earlier on the PATH does not see.
        QProcess python;
        python.start(QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                        : QStringLiteral("python3"),
                     args);
        QVERIFY2(python.waitForFinished(300000) && python.exitCode() == 0,
                 python.readAllStandardError().constData());
        m_reader = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
        QCOMPARE(m_reader.size(), m_texts.size());
    }

    void occurrencesAgreeWithAnotherReader_data()
    {
        QTest::addColumn<int>("index");
        for (qsizetype i = 0; i < m_texts.size(); ++i)
            QTest::newRow(qPrintable(m_names[i])) << int(i);
    }

    void occurrencesAgreeWithAnotherReader()
    {
        QFETCH(int, index);
        const QString path = m_dir.filePath(QStringLiteral("%1.ics").arg(index));
        QStringList theirs;
        for (const QJsonValue& v : m_reader.value(path).toArray())
            theirs << v.toString();
        const QStringList ours = ownOccurrences(m_texts[index]);
        if (ours != theirs) {
            QStringList onlyOurs, onlyTheirs;
            for (const QString& o : ours)
                if (!theirs.contains(o))
                    onlyOurs << o;
            for (const QString& t : theirs)
                if (!ours.contains(t))
                    onlyTheirs << t;
            const QByteArray& text = m_texts[index];
            const qsizetype at = text.indexOf("DTSTART");
            qWarning().noquote() << text.mid(at, text.indexOf('\r', at) - at) << "only here:" << onlyOurs.mid(0, 5) << "only there:" << onlyTheirs.mid(0, 5);
        }
        QCOMPARE(ours.size(), theirs.size());
        QCOMPARE(ours, theirs);
    }

    // The next occurrence, the day's occurrences and the kept answers of the source that every view asks.
    void sourceAnswersByDayAndNext()
    {
        OccurrenceSource source;
        source.setRule(1, calendarOf(Fixtures[0].events));  // every Saturday 10:00 Berlin
        source.setRule(2, calendarOf(Fixtures[12].events)); // moved and cancelled
        source.setRule(3, "not a calendar");
        const QTimeZone berlin("Europe/Berlin");
        const QDateTime saturday = QDateTime(QDate(2025, 1, 11), QTime(10, 0), berlin).toLocalTime();
        const auto next = source.nextAfter(1, saturday.addSecs(-1));
        QVERIFY(next);
        QCOMPARE(next->start, saturday);
        // Once it has begun, the one after it.
        QCOMPARE(source.nextAfter(1, saturday)->start, saturday.addDays(7));
        QVERIFY(!source.nextAfter(3, saturday));
        QCOMPARE(source.words(1), QStringLiteral("Every Saturday"));

        // The moved occurrence shows on its new day with its own subject; the cancelled one nowhere.
        const QTimeZone newYork("America/New_York");
        const QDate moved = QDateTime(QDate(2025, 1, 15), QTime(14, 0), newYork).toLocalTime().date();
        bool seen = false;
        for (const auto& f : source.onDays(moved, moved))
            seen = seen || (f.rowId == 2 && f.occurrence.subject == QStringLiteral("Team (moved)"));
        QVERIFY(seen);
        for (const auto& f : source.onDays(QDate(2025, 1, 12), QDate(2025, 1, 14)))
            QVERIFY(f.rowId != 2);
        const QDate cancelled = QDateTime(QDate(2025, 1, 27), QTime(10, 0), newYork).toLocalTime().date();
        for (const auto& f : source.onDays(cancelled, cancelled))
            QVERIFY(f.rowId != 2);
    }

    // Each occurrence's alarm once, in order, the moved one at its new time, the cancelled one never, also
    // when the stretch is asked for in many small steps.
    void alarmsRingOncePerOccurrence()
    {
        OccurrenceSource source;
        source.setRule(7, calendarOf(Fixtures[12].events));
        const QTimeZone newYork("America/New_York");
        const QDateTime from = QDateTime(QDate(2025, 1, 1), QTime(0, 0), newYork);
        const QDateTime to = QDateTime(QDate(2025, 3, 31), QTime(0, 0), newYork);
        QList<QDateTime> atOnce;
        for (const auto& a : source.alarmsBetween(from, to))
            atOnce << a.at.toTimeZone(newYork);
        QCOMPARE(atOnce.size(), 9); // ten, one of them cancelled
        QCOMPARE(atOnce[0], QDateTime(QDate(2025, 1, 6), QTime(10, 0), newYork));
        QCOMPARE(atOnce[1], QDateTime(QDate(2025, 1, 15), QTime(14, 0), newYork));
        QVERIFY(!atOnce.contains(QDateTime(QDate(2025, 1, 27), QTime(10, 0), newYork)));

        OccurrenceSource stepped;
        stepped.setRule(7, calendarOf(Fixtures[12].events));
        QList<QDateTime> inSteps;
        for (QDateTime t = from; t < to; t = t.addSecs(3 * 3600))
            for (const auto& a : stepped.alarmsBetween(t, t.addSecs(3 * 3600)))
                inSteps << a.at.toTimeZone(newYork);
        QCOMPARE(inSteps, atOnce);
    }

    void ruleWords_data()
    {
        QTest::addColumn<QByteArray>("rule");
        QTest::addColumn<QString>("words");
        QTest::newRow("other Tuesday") << QByteArray("FREQ=WEEKLY;INTERVAL=2;BYDAY=TU") << "Every other Tuesday";
        QTest::newRow("last Thursday") << QByteArray("FREQ=MONTHLY;BYDAY=-1TH") << "Last Thursday of the month";
        QTest::newRow("until") << QByteArray("FREQ=WEEKLY;BYDAY=SA;UNTIL=20260303T230000Z")
                               << "Every Saturday until 3 March";
        QTest::newRow("count") << QByteArray("FREQ=DAILY;COUNT=5") << "Daily, 5 times";
        QTest::newRow("weekdays") << QByteArray("FREQ=WEEKLY;BYDAY=MO,TU,WE,TH,FR") << "Every Monday to Friday";
        QTest::newRow("two days") << QByteArray("FREQ=WEEKLY;BYDAY=TH,MO") << "Every Monday and Thursday";
        QTest::newRow("yearly by weekday") << QByteArray("FREQ=YEARLY;BYMONTH=5;BYDAY=2SU")
                                           << "Second Sunday of May";
    }

    void ruleWords()
    {
        QFETCH(QByteArray, rule);
        QFETCH(QString, words);
        const QByteArray text = calendarOf("BEGIN:VEVENT\nUID:z\nDTSTART:20251004T100000\nRRULE:" + rule +
                                           "\nEND:VEVENT");
        QCOMPARE(RecurringEvent::read(text)->words(), words);
    }
};

QTEST_GUILESS_MAIN(TestRecurringEvent)
#include "TestRecurringEvent.moc"
