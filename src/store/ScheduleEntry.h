#pragma once

#include <QString>

#include <array>
#include <optional>

// The seven text fields of a schedule entry, in the order of the table.
// The fields of an entry, in the file's column order. Two are named here by what they mean, not by
// their stored column: `Subject` is the column "Type" and `Kind` (one time, daily, ...) is the column
// "SchedType".
enum class ScheduleField
{
    Date,
    Day,
    Subject,
    Note,
    AlarmTime,
    AlarmOnOff,
    Kind
};

inline constexpr int ScheduleFieldCount = 7;

struct ScheduleFieldInfo
{
    const char* name;        // column name in the file, e.g. "AlarmTime"
    int size;                // characters the field holds
    const char* description; // how a message names it, e.g. "alarm time"
};

const ScheduleFieldInfo& fieldInfo(ScheduleField field);
std::optional<ScheduleField> fieldByName(QStringView name);

// One row of the schedule as texts. A null QString is an unset field (stored as NULL); an empty but
// non-null text is refused by validation like the original engine refused zero-length text.
struct ScheduleEntry
{
    std::array<QString, ScheduleFieldCount> fields;

    QString& operator[](ScheduleField f) { return fields[size_t(f)]; }
    const QString& operator[](ScheduleField f) const { return fields[size_t(f)]; }
    bool operator==(const ScheduleEntry& other) const;

    // A complete entry as the add dialog and the organizer write it.
    static ScheduleEntry make(const QString& date, const QString& day, const QString& subject,
                              const QString& note, const QString& alarmTime, const QString& alarmOnOff,
                              const QString& kind);
};

// Why the entry cannot be stored (an empty or over-long text), in the program's own words; empty when
// it can.
QString validationError(const ScheduleEntry& entry);

// The length of a text as the file counts it: in characters, not UTF-16 units.
qsizetype characterCount(const QString& text);
