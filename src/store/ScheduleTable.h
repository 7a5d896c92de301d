#pragma once

#include "store/RowIds.h"
#include "store/ScheduleEntry.h"
#include "store/ScheduleKind.h"
#include "store/TextBytes.h"

#include <QDate>
#include <QTime>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A calendar date packed in four bytes; year 0 means the stored text is no date.
struct PackedDate
{
    qint16 year = 0;
    quint8 month = 0;
    quint8 day = 0;

    bool isValid() const { return year != 0; }
    QDate toDate() const { return isValid() ? QDate(year, month, day) : QDate(); }
    static PackedDate from(QDate date);
    bool operator==(const PackedDate&) const = default;
};

// The schedule table held in memory in walk (insertion) order, as compact parsed records: the few
// values every marking pass and alarm tick looks at sit in arrays of their own, and the texts are kept
// as UTF-8 in one buffer. A text in the form the program itself writes (a "mm/dd/yyyy" date, a weekday
// name, a "hh:mm:ss AM" time, "on" or "off", a kind's spelling) is not kept but made again from the
// parsed values when asked for, so that a million entries fit in little memory. A row is known by the file's
// row id, which only grows, so the rows stay sorted by it.
class ScheduleTable
{
public:
    static constexpr qint32 NoTime = -1;

    size_t size() const { return m_dates.size(); }
    bool empty() const { return m_dates.empty(); }

    qint64 rowId(size_t i) const { return m_rowIds[i]; }
    PackedDate date(size_t i) const { return m_dates[i]; }
    // Second of the day of the entry's alarm time, or NoTime when the text is no time.
    qint32 alarmSecond(size_t i) const { return m_alarmSeconds[i]; }
    ScheduleKind kind(size_t i) const { return ScheduleKind(m_flags[i] & KindMask); }
    bool alarmOn(size_t i) const { return m_flags[i] & AlarmOnFlag; }
    // True when the stored Date text is exactly the "mm/dd/yyyy" form of its date.
    bool dateIsCanonical(size_t i) const { return m_flags[i] & CanonicalDateFlag; }

    // The key a month marking looks for, so that marking a month is one comparison per entry:
    // a one-time entry stored in the "mm/dd/yyyy" form has oneTimeMarkKey(year, month), a yearly entry
    // its month (1-12), a monthly entry MonthlyMarkKey; every other entry 0, which no month matches.
    static constexpr qint32 MonthlyMarkKey = 13;
    static constexpr qint32 oneTimeMarkKey(int year, int month) { return year * 16 + month; }
    const qint32* markKeys() const { return m_markKeys.data(); }
    const qint32* alarmSeconds() const { return m_alarmSeconds.data(); }

    bool isNull(size_t i, ScheduleField field) const;
    QString text(size_t i, ScheduleField field) const;
    // The field's UTF-8 bytes. A view of a Date or AlarmTime made again from its parsed value stays valid
    // until the next view of the same field of this table; every view until the table changes.
    std::string_view utf8(size_t i, ScheduleField field) const;
    ScheduleEntry entry(size_t i) const;

    // Positions, in walk order, of the entries whose Date text is exactly the "mm/dd/yyyy" form of the day.
    std::vector<size_t> storedOn(PackedDate day) const;
    // Positions, in walk order, of the entries whose alarm is switched on for this second of the day.
    std::vector<size_t> alarmsAt(qint32 second) const;
    // Positions of the entries whose alarm is switched on for a second of the day from firstSecond to
    // lastSecond, both included, ordered by alarm second and, within one second, in walk order.
    std::vector<size_t> alarmsBetween(qint32 firstSecond, qint32 lastSecond) const;

    // Grows with every change of the contents. The value is drawn from one count shared by every table of
    // the run, so that a table read afresh and moved over an older one never repeats the older one's value:
    // a window that kept the count knows it must look again.
    quint64 changeCount() const { return m_changeCount; }

    // Builds the lookups by date and by alarm second now, rather than on the first hover or tick. From
    // then on every append, replace and remove keeps them up to date in place.
    void prepareLookups() const { buildLookups(); }
    bool lookupsReady() const { return m_lookupsBuilt; }
    // Before many appends and replacements in a row (an import): the lookups are let go, and
    // endBulkChange() builds them again once, as a read does. Kept up entry by entry, each change would
    // move every later position of both lookups, which makes a large import take time by the square of
    // its size.
    void beginBulkChange();
    void endBulkChange();

    // True while the program knows that another program changed the file since this copy was read and
    // a fresh copy is on its way: an alarm check looks at the stretch again once the fresh copy is in.
    bool outdated() const { return m_outdated; }
    void setOutdated(bool outdated) { m_outdated = outdated; }

    // The position of a row id, or size() when the row is not in the table.
    size_t indexOf(qint64 rowId) const;
    // The first position whose row id is greater than rowId.
    size_t indexAfter(qint64 rowId) const;

    void clear();
    void reserve(size_t rows, size_t textBytes);
    // Gives back what growing the arrays reserved beyond their contents and a little room for the
    // program's own additions (GrowthRoom); reserve() leaves that room as well.
    void shrinkToFit();
    // Fields are given as UTF-8; a null pointer is an unset field.
    void appendUtf8(qint64 rowId, const std::array<std::string_view, ScheduleFieldCount>& fields,
                    const std::array<bool, ScheduleFieldCount>& nulls);
    void append(qint64 rowId, const ScheduleEntry& entry);
    void replace(size_t i, const ScheduleEntry& entry);
    void remove(size_t i);

    size_t memoryBytes() const;

private:
    enum Flags : quint8
    {
        KindMask = 0x07,
        AlarmOnFlag = 0x08,
        CanonicalDateFlag = 0x10,
    };
    // How a field is held: two bits a field in TextSpan::held.
    enum Held : quint16
    {
        Stored = 0,   // its bytes stand in the buffer, after their length
        Unset = 1,    // a null field
        MadeAgain = 2 // made again from the parsed values
    };
    static constexpr size_t MaxStoredLength = 0xFFFD;
    static constexpr quint8 DayNameBits = 0x07; // in m_spellings: 1 + the index of the weekday name
    static constexpr int KindSpellingShift = 3; // above it: 1 + the index of the kind's spelling

    // Where an entry's stored texts begin in the buffer: each stored field there is its length (seven
    // bits a byte, the high bit saying another byte follows) and then its bytes, in field order. Its two
    // parts are kept in arrays of their own, which a million entries hold in six bytes each rather than
    // the eight of the padded pair.
    struct TextSpan
    {
        quint32 offset = 0;
        quint16 held = 0;
        Held heldOf(ScheduleField field) const { return Held((held >> (2 * int(field))) & 3); }
    };

    // What parsing an entry's texts gives, before it is stored.
    struct Parsed
    {
        PackedDate date;
        qint32 alarmSecond = NoTime;
        quint8 flags = 0;
        quint8 spellings = 0;
        qint32 markKey = 0;
        std::array<bool, ScheduleFieldCount> madeAgain{};
    };
    static Parsed parse(const std::array<std::string_view, ScheduleFieldCount>& fields);
    void set(size_t i, const Parsed& parsed);
    TextSpan storeTexts(const std::array<std::string_view, ScheduleFieldCount>& fields,
                        const std::array<bool, ScheduleFieldCount>& nulls, const Parsed& parsed);
    size_t storedBytes(const TextSpan& span) const;
    // The stored text at `at` in the buffer, and where the next one begins.
    std::string_view storedAt(size_t& at) const;
    std::string_view madeAgain(size_t i, ScheduleField field) const;
    void compactTextsIfWasteful();

    // Lookups by date and by alarm second, sorted by key and position, so that a hover or an alarm tick
    // costs a binary search instead of a pass over every entry. Built once after a read of the file,
    // then kept up to date entry by entry, so that the first hover after a save does not rebuild them.
    // A lookup holds positions only, ordered by their key (read from the arrays) and then by position.
    enum class Lookup
    {
        ByDate,
        ByAlarm
    };
    bool inLookup(Lookup lookup, size_t i) const;
    qint32 keyOf(Lookup lookup, quint32 position) const
    {
        return lookup == Lookup::ByDate ? dateKey(m_dates[position]) : m_alarmSeconds[position];
    }
    std::vector<quint32>& positionsOf(Lookup lookup) const
    {
        return lookup == Lookup::ByDate ? m_byDate : m_byAlarm;
    }
    // The first place in the lookup whose entry comes after (key, position) or is it.
    std::vector<quint32>::const_iterator placeOf(Lookup lookup, qint32 key, quint32 position) const;
    void buildLookup(Lookup lookup) const;
    void buildLookups() const;
    void addToLookups(size_t i);
    void dropFromLookups(size_t i);
    std::vector<size_t> lookUp(Lookup lookup, qint32 firstKey, qint32 lastKey) const;
    static qint32 dateKey(PackedDate date) { return date.year * 512 + date.month * 32 + date.day; }
    void changed();

    mutable std::vector<quint32> m_byDate;
    mutable std::vector<quint32> m_byAlarm;
    mutable bool m_lookupsBuilt = false;
    bool m_rebuildAfterBulk = false;
    bool m_outdated = false;
    quint64 m_changeCount = 0;

    TextSpan span(size_t i) const { return {m_textOffsets[i], m_held[i]}; }
    void setSpan(size_t i, const TextSpan& span);

    RowIds m_rowIds;
    std::vector<PackedDate> m_dates;
    std::vector<qint32> m_alarmSeconds;
    std::vector<quint8> m_flags;
    std::vector<qint32> m_markKeys;
    std::vector<quint8> m_spellings;
    std::vector<quint32> m_textOffsets;
    std::vector<quint16> m_held;
    TextBytes m_texts;
    mutable std::array<char, 12> m_dateScratch{};
    mutable std::array<char, 12> m_timeScratch{};
    size_t m_deadTextBytes = 0;
};
