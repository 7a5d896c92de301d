#include "store/DateText.h"
#include "store/ScheduleTable.h"

#include <QLocale>
#include <QTest>

#include <random>

Q_DECLARE_METATYPE(ScheduleEntry)

namespace {

ScheduleEntry entryAt(const QString& date, const QString& time, const QString& onOff)
{
    return ScheduleEntry::make(date, "Friday", "s", "n", time, onOff, "OneTime");
}

// What the lookups must answer, found by looking at every entry.
template <typename Wanted> std::vector<size_t> scan(const ScheduleTable& table, Wanted wanted)
{
    std::vector<size_t> positions;
    for (size_t i = 0; i < table.size(); ++i) {
        if (wanted(i))
            positions.push_back(i);
    }
    return positions;
}

std::vector<size_t> storedOnByScan(const ScheduleTable& table, PackedDate day)
{
    return scan(table, [&](size_t i) { return table.dateIsCanonical(i) && table.date(i) == day; });
}

std::vector<size_t> alarmsAtByScan(const ScheduleTable& table, qint32 second)
{
    return scan(table, [&](size_t i) { return table.alarmOn(i) && table.alarmSecond(i) == second; });
}

} // namespace

// The table's lookups by date and alarm second, kept up to date by the program's own writes, and the
// reading of the stored date and time forms.
class TestScheduleTable : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void ownWritesKeepTheLookupsWithoutARebuild()
    {
        ScheduleTable table;
        table.append(1, entryAt("06/12/2014", "10:30:00 AM", "on"));
        table.append(2, entryAt("06/13/2014", "10:30:00 AM", "on"));
        table.prepareLookups();
        QVERIFY(table.lookupsReady());

        table.append(3, entryAt("06/12/2014", "11:00:00 AM", "on"));
        QVERIFY(table.lookupsReady());
        table.replace(0, entryAt("06/13/2014", "11:00:00 AM", "off"));
        QVERIFY(table.lookupsReady());
        table.remove(1);
        QVERIFY(table.lookupsReady());

        // Left: row 1 on the 13th with its alarm off, row 3 on the 12th ringing at 11:00.
        QCOMPARE(table.storedOn(PackedDate{2014, 6, 12}), std::vector<size_t>{1});
        QCOMPARE(table.storedOn(PackedDate{2014, 6, 13}), std::vector<size_t>{0});
        QCOMPARE(table.alarmsAt(11 * 3600), std::vector<size_t>{1});
        QVERIFY(table.alarmsAt(10 * 3600 + 1800).empty());
    }

    void aBulkChangeEndsWithTheLookupsOneByOneEditsWouldLeave()
    {
        ScheduleTable table;
        ScheduleTable oneByOne;
        for (ScheduleTable* t : {&table, &oneByOne}) {
            t->append(1, entryAt("06/12/2014", "10:00:00 AM", "on"));
            t->prepareLookups();
        }
        table.beginBulkChange();
        QVERIFY(!table.lookupsReady());
        for (qint64 row = 2; row < 400; ++row) {
            const ScheduleEntry e =
                entryAt(QStringLiteral("06/%1/2014").arg(10 + row % 5, 2, 10, QLatin1Char('0')),
                        row % 3 ? "10:00:00 AM" : "11:00:00 AM", row % 4 ? "on" : "off");
            table.append(row, e);
            oneByOne.append(row, e);
        }
        table.replace(0, entryAt("06/14/2014", "11:00:00 AM", "on"));
        oneByOne.replace(0, entryAt("06/14/2014", "11:00:00 AM", "on"));
        table.endBulkChange();
        QVERIFY(table.lookupsReady());
        for (int d = 10; d <= 14; ++d) {
            QCOMPARE(table.storedOn(PackedDate{2014, 6, quint8(d)}),
                     oneByOne.storedOn(PackedDate{2014, 6, quint8(d)}));
            QCOMPARE(table.storedOn(PackedDate{2014, 6, quint8(d)}),
                     storedOnByScan(table, PackedDate{2014, 6, quint8(d)}));
        }
        QCOMPARE(table.alarmsBetween(0, 86399), oneByOne.alarmsBetween(0, 86399));
        QCOMPARE(table.alarmsAt(11 * 3600), alarmsAtByScan(table, 11 * 3600));
        // A table whose lookups were never built does not build them for a bulk change.
        ScheduleTable plain;
        plain.beginBulkChange();
        plain.append(1, entryAt("06/12/2014", "10:00:00 AM", "on"));
        plain.endBulkChange();
        QVERIFY(!plain.lookupsReady());
    }

    void lookupsFollowEveryEditAsAScanWould()
    {
        // Few days and few seconds, so that keys repeat and the order within one key matters.
        std::mt19937 random(7);
        auto pick = [&](int below) { return int(random() % unsigned(below)); };
        auto randomEntry = [&] {
            const QDate date = QDate(2014, 6, 10).addDays(pick(4));
            const QString dateText = pick(6) ? DateText::mmddyyyy(date) : QStringLiteral("6/%1/2014").arg(10);
            const QString time = pick(8) ? DateText::timeText(QTime(9 + pick(3), 0)) : QStringLiteral("-");
            return entryAt(dateText, time, pick(3) ? QStringLiteral("on") : QStringLiteral("off"));
        };
        ScheduleTable table;
        qint64 nextRow = 1;
        for (int i = 0; i < 20; ++i)
            table.append(nextRow++, randomEntry());
        table.prepareLookups();
        for (int step = 0; step < 600; ++step) {
            const int what = table.empty() ? 0 : pick(3);
            if (what == 0)
                table.append(nextRow++, randomEntry());
            else if (what == 1)
                table.replace(size_t(pick(int(table.size()))), randomEntry());
            else
                table.remove(size_t(pick(int(table.size()))));
            for (int d = 9; d <= 14; ++d) {
                const PackedDate day{2014, 6, quint8(d)};
                QCOMPARE(table.storedOn(day), storedOnByScan(table, day));
            }
            for (int hour = 9; hour <= 11; ++hour)
                QCOMPARE(table.alarmsAt(hour * 3600), alarmsAtByScan(table, hour * 3600));
            std::vector<size_t> between;
            for (int hour = 9; hour <= 11; ++hour) {
                const std::vector<size_t> at = alarmsAtByScan(table, hour * 3600);
                between.insert(between.end(), at.begin(), at.end());
            }
            QCOMPARE(table.alarmsBetween(0, 86399), between);
        }
    }

    void everyTextReadsBackAsItWasGiven_data()
    {
        QTest::addColumn<ScheduleEntry>("entry");
        QTest::newRow("the program's own forms")
            << ScheduleEntry::make("02/29/2000", "Tuesday", "Rent", "pay", "12:00:00 AM", "on", "OneTime");
        QTest::newRow("the organizer's spellings")
            << ScheduleEntry::make("12/31/1999", "Friday", "Rent", "pay", "12:59:59 PM", "off", "EveryDay");
        QTest::newRow("other spellings")
            << ScheduleEntry::make("2/29/2000", "tuesday", "Rent", "pay", "9:05 pm", "On", "ONETIME");
        QTest::newRow("a leap day that is none")
            << ScheduleEntry::make("02/29/1900", "Thursday", "R", "p", "13:00:00 PM", "of", "Onetime ");
        QTest::newRow("unset and empty fields")
            << ScheduleEntry::make(QString(), QString(), "", QString(), QString(), QString(), QString());
        QTest::newRow("long texts beside short ones")
            << ScheduleEntry::make("soon", QString(130, QChar(0xE9)), QString(64, 's'), QString(20000, 'n'),
                                   "later", QString(), "Yearly ");
        QTest::newRow("a day name that is not the date's") << ScheduleEntry::make(
            "06/12/2014", "Sunday", "S", "n", "11:59:59 AM", "off", "Monday to Friday");
    }

    void everyTextReadsBackAsItWasGiven()
    {
        QFETCH(ScheduleEntry, entry);
        ScheduleTable table;
        table.append(1, ScheduleEntry::make("01/01/2001", "Monday", "x", "y", "01:00:00 AM", "on", "Yearly"));
        table.append(2, entry);
        table.append(3, entry);
        table.replace(0, entry);
        for (size_t i = 0; i < table.size(); ++i) {
            for (int f = 0; f < ScheduleFieldCount; ++f) {
                const QString given = entry.fields[size_t(f)];
                const QString read = table.text(i, ScheduleField(f));
                QCOMPARE(read, given);
                QCOMPARE(read.isNull(), given.isNull());
                QCOMPARE(table.isNull(i, ScheduleField(f)), given.isNull());
            }
        }
        // Two views of different fields stay valid side by side.
        const std::string_view date = table.utf8(1, ScheduleField::Date);
        const std::string_view time = table.utf8(1, ScheduleField::AlarmTime);
        QCOMPARE(QString::fromUtf8(date.data(), qsizetype(date.size())), entry.fields[0]);
        QCOMPARE(QString::fromUtf8(time.data(), qsizetype(time.size())), entry.fields[4]);
    }

    void typicalEntriesTakeLittleMemory()
    {
        // Entries as the add dialog writes them: only the subject and the note are kept as texts.
        ScheduleTable table;
        for (qint64 row = 1; row <= 10000; ++row) {
            const QDate date = QDate(2000, 1, 1).addDays(row % 4000);
            table.append(row, ScheduleEntry::make(DateText::mmddyyyy(date), DateText::dddd(date), "Meeting",
                                                  "bring the papers for the room",
                                                  DateText::timeText(QTime(int(row % 24), 30)),
                                                  row % 2 ? "on" : "off", "OneTime"));
        }
        table.shrinkToFit();
        table.prepareLookups();
        QVERIFY2(table.memoryBytes() < 10000 * 100,
                 qPrintable(QStringLiteral("%1 bytes an entry").arg(table.memoryBytes() / 10000)));
    }

    void anEntryWithoutTextsTakesAFewBytes()
    {
        // What an entry holds beside its subject and note: its parsed values, where its texts begin and
        // its places in both lookups. A million entries hold it a million times.
        constexpr qint64 Count = 10000;
        ScheduleTable table;
        table.reserve(Count, 0);
        for (qint64 row = 1; row <= Count; ++row) {
            const QDate date = QDate(2000, 1, 1).addDays(row % 4000);
            table.append(row,
                         ScheduleEntry::make(DateText::mmddyyyy(date), DateText::dddd(date), "", "",
                                             DateText::timeText(QTime(int(row % 24), 30)), "on", "OneTime"));
        }
        table.shrinkToFit();
        table.prepareLookups();
        const size_t perEntry = table.memoryBytes() / size_t(Count);
        QVERIFY2(perEntry <= 34, qPrintable(QStringLiteral("%1 bytes an entry").arg(perEntry)));
    }

    void storedFormsReadAsTheGeneralReadingDoes_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::newRow("leap day of a leap year") << "02/29/2000"
                                                 << "12:00:00 AM";
        QTest::newRow("leap day of a century") << "02/29/1900"
                                               << "12:00:00 PM";
        QTest::newRow("leap day of a common year") << "02/29/2015"
                                                   << "11:59:59 PM";
        QTest::newRow("last day of the year") << "12/31/9999"
                                              << "01:00:00 AM";
        QTest::newRow("thirty-first of a short month") << "04/31/2014"
                                                       << "12:59:59 AM";
        QTest::newRow("month thirteen") << "13/01/2014"
                                        << "13:00:00 PM";
        QTest::newRow("month zero") << "00/10/2014"
                                    << "00:10:00 AM";
        QTest::newRow("day zero") << "10/00/2014"
                                  << "10:60:00 AM";
        QTest::newRow("year before 100") << "01/01/0099"
                                         << "10:00:60 AM";
        QTest::newRow("year 100") << "01/01/0100"
                                  << "10:00:00 am";
        QTest::newRow("short forms") << "1/7/2014"
                                     << "9:05 PM";
        QTest::newRow("surrounded by blanks") << " 01/07/2014"
                                              << " 09:05:00 PM ";
        QTest::newRow("twenty-four hours") << "01/07/2014"
                                           << "21:05:00";
        QTest::newRow("no date") << "soon"
                                 << "later";
    }

    void storedFormsReadAsTheGeneralReadingDoes()
    {
        QFETCH(QString, date);
        QFETCH(QString, time);
        ScheduleTable table;
        table.append(1, entryAt(date, time, "on"));
        const std::optional<QDate> readDate = DateText::readDate(date);
        QCOMPARE(table.date(0), readDate ? PackedDate::from(*readDate) : PackedDate{});
        const std::optional<QTime> readTime = DateText::readTime(time);
        QCOMPARE(table.alarmSecond(0),
                 readTime ? qint32(readTime->msecsSinceStartOfDay() / 1000) : ScheduleTable::NoTime);
        QCOMPARE(table.dateIsCanonical(0), readDate.has_value() && date.size() == 10 && date[2] == '/');
    }
};

QTEST_MAIN(TestScheduleTable)
#include "TestScheduleTable.moc"
