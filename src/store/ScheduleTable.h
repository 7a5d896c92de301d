#pragma once

#include "store/ScheduleEntry.h"
#include "store/ScheduleKind.h"

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
// as UTF-8 in one buffer. A row is known by the file's row id, which only grows, so the rows stay sorted
// by it.
class ScheduleTable
{
public:
    static constexpr qint32 NoTime = -1;

    size_t size() const { return m_rowIds.size(); }
    bool empty() const { return m_rowIds.empty(); }

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

    // The position of a row id, or size() when the row is not in the table.
    size_t indexOf(qint64 rowId) const;
    // The first position whose row id is greater than rowId.
    size_t indexAfter(qint64 rowId) const;

    void clear();
    void reserve(size_t rows, size_t textBytes);
    // Gives back what growing the arrays reserved beyond their contents.
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
    static constexpr quint16 NullLength = 0xFFFF;

    struct TextSpan
    {
        quint32 offset = 0;
        std::array<quint16, ScheduleFieldCount> lengths{};
    };

    void parse(size_t i);
    TextSpan storeTexts(const std::array<std::string_view, ScheduleFieldCount>& fields,
                        const std::array<bool, ScheduleFieldCount>& nulls);
    void compactTextsIfWasteful();

    // Lookups by date and by alarm second, built on first use after a change: a hover or an alarm tick
    // then costs a binary search instead of a pass over every entry.
    struct KeyedPosition
    {
        qint32 key;
        quint32 position;
        bool operator<(const KeyedPosition& other) const
        {
            return key != other.key ? key < other.key : position < other.position;
        }
    };
    void buildLookups() const;
    std::vector<size_t> lookUp(const std::vector<KeyedPosition>& lookup, qint32 key) const;
    static qint32 dateKey(PackedDate date) { return date.year * 512 + date.month * 32 + date.day; }
    void changed();

    mutable std::vector<KeyedPosition> m_byDate;
    mutable std::vector<KeyedPosition> m_byAlarm;
    mutable bool m_lookupsBuilt = false;
    quint64 m_changeCount = 0;

    std::vector<qint64> m_rowIds;
    std::vector<PackedDate> m_dates;
    std::vector<qint32> m_alarmSeconds;
    std::vector<quint8> m_flags;
    std::vector<qint32> m_markKeys;
    std::vector<TextSpan> m_spans;
    std::string m_texts;
    size_t m_deadTextBytes = 0;
};
