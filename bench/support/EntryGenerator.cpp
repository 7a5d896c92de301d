#include "EntryGenerator.h"

#include "exchange/EventToEntry.h"
#include "store/DateText.h"
#include "store/RuleFile.h"
#include "store/ScheduleDatabase.h"
#include "store/ScheduleKind.h"

#include <QFile>

#include <sqlite3.h>

#include <array>
#include <map>
#include <optional>
#include <random>

namespace EntryGenerator {
namespace {

constexpr std::array<const char*, 16> Subjects = {
    "Meeting", "Birthday", "Dentist",     "Rent",   "Call Mum",    "Gym",        "Team lunch", "Pay bills",
    "Doctor",  "Haircut",  "Car service", "Flight", "Anniversary", "School run", "Backup",     "Vet"};
constexpr std::array<const char*, 20> Words = {"bring", "the",  "papers", "for",  "room", "call",   "before",
                                               "noon",  "ask",  "about",  "the",  "plan", "and",    "price",
                                               "at",    "desk", "three",  "with", "Anna", "tickets"};

} // namespace

namespace {

// Draws one entry after another from the seed.
class Generator
{
public:
    explicit Generator(unsigned seed) : m_random(seed) {}

    ScheduleEntry next()
    {
        const QDate date = First.addDays(pick(365 * 30));
        const int roll = pick(100);
        ScheduleKind kind = roll < 60   ? ScheduleKind::OneTime
                            : roll < 75 ? ScheduleKind::Yearly
                            : roll < 85 ? ScheduleKind::Monthly
                            : roll < 93 ? ScheduleKind::EveryDay
                                        : ScheduleKind::MondayToFriday;
        const QString kindText = pick(4) == 0 ? organizerText(kind) : addDialogText(kind);
        QString note;
        const int words = pick(14);
        for (int w = 0; w < words; ++w)
            note +=
                (w ? QStringLiteral(" ") : QString()) + QLatin1String(Words[size_t(pick(int(Words.size())))]);
        if (note.isEmpty())
            note = QStringLiteral("-");
        const QTime time(pick(24), pick(60), 0);
        return ScheduleEntry::make(DateText::mmddyyyy(date), DateText::dddd(date),
                                   QLatin1String(Subjects[size_t(pick(int(Subjects.size())))]), note,
                                   DateText::timeText(time),
                                   pick(2) ? QStringLiteral("on") : QStringLiteral("off"), kindText);
    }

private:
    static inline const QDate First{2000, 1, 1};
    int pick(int below) { return int(m_random() % unsigned(below)); }
    std::mt19937 m_random;
};

// Inserts the entries `next` gives, until it gives none, in one transaction.
template <typename Next> bool writeFile(const QString& path, Next next)
{
    QFile::remove(path);
    if (!ScheduleDatabase::CreateDatabaseFile(path))
        return false;
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK)
        return false;
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO Schedule VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)", -1, &insert, nullptr);
    bool ok = true;
    while (const std::optional<ScheduleEntry> entry = next()) {
        for (int f = 0; f < ScheduleFieldCount; ++f) {
            const QByteArray utf8 = entry->fields[size_t(f)].toUtf8();
            sqlite3_bind_text(insert, f + 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        }
        ok = ok && sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return ok;
}

} // namespace

std::vector<ScheduleEntry> generate(size_t count, unsigned seed)
{
    Generator generator(seed);
    std::vector<ScheduleEntry> entries;
    entries.reserve(count);
    for (size_t i = 0; i < count; ++i)
        entries.push_back(generator.next());
    return entries;
}

const ScheduleTable& sharedTable(size_t count)
{
    static std::map<size_t, ScheduleTable> tables;
    auto it = tables.find(count);
    if (it != tables.end())
        return it->second;
    ScheduleTable& table = tables[count];
    qint64 rowId = 1;
    for (const ScheduleEntry& entry : generate(count))
        table.append(rowId++, entry);
    return table;
}

bool writeScheduleFile(const QString& path, const std::vector<ScheduleEntry>& entries)
{
    size_t i = 0;
    return writeFile(path, [&]() -> std::optional<ScheduleEntry> {
        return i < entries.size() ? std::optional<ScheduleEntry>(entries[i++]) : std::nullopt;
    });
}

bool writeGeneratedFile(const QString& path, size_t count, unsigned seed)
{
    Generator generator(seed);
    size_t made = 0;
    return writeFile(path, [&]() -> std::optional<ScheduleEntry> {
        return made++ < count ? std::optional<ScheduleEntry>(generator.next()) : std::nullopt;
    });
}

namespace {

const char* const RuleShapes[] = {
    "RRULE:FREQ=WEEKLY;BYDAY=SA",
    "RRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=TU",
    "RRULE:FREQ=MONTHLY;BYDAY=-1TH",
    "RRULE:FREQ=DAILY;COUNT=5",
    "RRULE:FREQ=WEEKLY;BYDAY=MO,WE,FR;UNTIL=20280101T000000Z",
    "RRULE:FREQ=MONTHLY;BYMONTHDAY=1,15",
    "RRULE:FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1",
    "RRULE:FREQ=WEEKLY;BYDAY=WE\r\nRDATE:20260103T100000\r\nEXDATE:20260114T100000",
    "RRULE:FREQ=YEARLY;BYMONTH=5;BYDAY=2SU",
    "RRULE:FREQ=MONTHLY;BYDAY=2TU",
    "RRULE:FREQ=WEEKLY;BYDAY=TU,TH;COUNT=40\r\nEXDATE:20250114T100000",
    "RRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=MO;UNTIL=20270601T000000Z",
};

QByteArray ruleEvent(size_t n)
{
    const QDate start = QDate(2024, 1, 1).addDays(qint64(n % 900));
    const QByteArray day = start.toString(QStringLiteral("yyyyMMdd")).toLatin1();
    const QByteArray zone = n % 3 == 0 ? "DTSTART;TZID=Europe/Berlin:" : "DTSTART:";
    const QByteArray number = QByteArray::number(qulonglong(n));
    QByteArray events =
        "BEGIN:VEVENT\r\nUID:r" + number + "\r\nSUMMARY:Rule " + number + "\r\n" + zone + day +
        "T100000\r\n" + RuleShapes[n % std::size(RuleShapes)] +
        "\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\nEND:VEVENT\r\n";
    if (n % 7 == 0)
        events += "BEGIN:VEVENT\r\nUID:r" + number + "\r\nSUMMARY:Moved\r\nRECURRENCE-ID:" + day +
                  "T100000\r\nDTSTART:" + day + "T180000\r\nEND:VEVENT\r\n";
    return EventToEntry::keptCalendar({}, events);
}

} // namespace

bool keepRulesEvery(const QString& path, size_t every)
{
    sqlite3* db = nullptr;
    if (every == 0 || sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    bool ok = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK && RuleFile::ensure(db);
    const QByteArray mark = "UPDATE Schedule SET SchedType = 'Recurring', AlarmOnOff = 'on' WHERE rowid % " +
                            QByteArray::number(qulonglong(every)) + " = 0";
    ok = ok && sqlite3_exec(db, mark.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* rows = nullptr;
    ok = ok && sqlite3_prepare_v2(db, "SELECT max(rowid) FROM Schedule", -1, &rows, nullptr) == SQLITE_OK &&
         sqlite3_step(rows) == SQLITE_ROW;
    const qint64 last = ok ? sqlite3_column_int64(rows, 0) : 0;
    sqlite3_finalize(rows);
    for (qint64 row = qint64(every); ok && row <= last; row += qint64(every))
        ok = RuleFile::record(db, row, ruleEvent(size_t(row)));
    ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

} // namespace EntryGenerator
