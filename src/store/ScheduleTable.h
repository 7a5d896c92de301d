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

    bool isNull(size_t i, ScheduleField field) const;
    QString text(size_t i, ScheduleField field) const;
    std::string_view utf8(size_t i, ScheduleField field) const;
    ScheduleEntry entry(size_t i) const;

    // The position of a row id, or size() when the row is not in the table.
    size_t indexOf(qint64 rowId) const;
    // The first position whose row id is greater than rowId.
    size_t indexAfter(qint64 rowId) const;

    void clear();
    void reserve(size_t rows, size_t textBytes);
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

    std::vector<qint64> m_rowIds;
    std::vector<PackedDate> m_dates;
    std::vector<qint32> m_alarmSeconds;
    std::vector<quint8> m_flags;
    std::vector<TextSpan> m_spans;
    std::string m_texts;
    size_t m_deadTextBytes = 0;
};
