#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The iCalendar objects the server hands out, looked at through libical: whether one is a calendar
// holding an event, and the event's UID, by which a sync knows it again. A server's data is hostile
// until checked: it meets the same limits as a file being imported (its size, 1 MB lines, nesting,
// zone names that reach into folders, zone rules that cost without bound) before libical sees any of it.
class CalendarData
{
public:
    // One event with its time zones and changed occurrences; an inline attachment may make it large.
    static constexpr qsizetype MaxObject = 4 << 20;

    // Why the data must not reach libical, in the program's own words; nothing when it keeps within the
    // limits. Costs time in proportion to the data, whatever its lines.
    static std::optional<QString> refusal(const QByteArray& data);

    // The UID of the object's event; empty, with the reason, when the data is no calendar with an event
    // carrying one, or breaks a limit.
    static QString eventUid(const QByteArray& data, QString* reason);
};
