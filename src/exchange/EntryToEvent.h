#pragma once

#include "exchange/IcalHandles.h"
#include "store/EntryIdentities.h"
#include "store/ScheduleTable.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>

// How one schedule entry is written as an iCalendar event: its date with its alarm time as the start in
// the local zone, an end a quarter of an hour later, the subject and note, the rule of its recurrence
// kind and, when its alarm is on, a reminder at the start.
//
// The times name the local zone by its TZID, and the calendar around the events carries the zone's
// VTIMEZONE (zoneOf), so that a device in another zone shows the entry at the same moment. A local zone
// that is UTC is written as UTC times; one without a name a calendar can give, as floating times.
namespace EntryToEvent {

// An entry is a moment (its alarm), but some servers refuse an event that ends where it begins, and
// others show it as nothing. The event lasts this long, and ends at midnight at the latest, so that it
// stays on its own day in every calendar's view.
inline constexpr qint32 LengthSeconds = 15 * 60;

enum class Outcome
{
    Written,
    Unreadable, // the date or the alarm time reads as none
    UnknownKind // a recurrence kind the program does not know: it never falls on a day
};

struct Event
{
    Outcome outcome = Outcome::Written;
    Ical::Component component; // set when written
};

// The event of table entry i; `stamp` is the moment of the export (UTC). Its UID is the entry's identity
// when the identities (beside the table) are given.
Event eventOf(const ScheduleTable& table, size_t i, const QDateTime& stamp,
              const EntryIdentities* identities = nullptr,
              const QTimeZone& local = QTimeZone::systemTimeZone());

// A DTSTART or DTEND property for the wall-clock time `second` of `date` in `local`, written as eventOf
// writes times.
icalproperty* timeProperty(icalproperty_kind kind, QDate date, qint32 second, const QTimeZone& local);

// The moment as a libical time in UTC, to the second.
icaltimetype utcTime(const QDateTime& moment);

// The VTIMEZONE that events of entries dated from `firstYear` on need beside them; `lastYear` is the
// present year. Null when their times name no zone.
Ical::Component zoneOf(const QTimeZone& local, int firstYear, int lastYear);

// The entry's UID: the same for the same row and texts in every export, so that a calendar that takes
// the file twice knows the entry again. The one place an export takes its UIDs from.
QString uidOf(qint64 rowId, const ScheduleEntry& entry);

} // namespace EntryToEvent
