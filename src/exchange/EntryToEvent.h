#pragma once

#include "exchange/IcalHandles.h"
#include "store/EntryIdentities.h"
#include "store/ScheduleTable.h"

#include <QDateTime>
#include <QString>

// How one schedule entry is written as an iCalendar event: its date with its alarm time as a floating
// local start, the subject and note, the rule of its recurrence kind and, when its alarm is on, a
// reminder at the start.
namespace EntryToEvent {

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
              const EntryIdentities* identities = nullptr);

// The entry's UID: the same for the same row and texts in every export, so that a calendar that takes
// the file twice knows the entry again. The one place an export takes its UIDs from.
QString uidOf(qint64 rowId, const ScheduleEntry& entry);

} // namespace EntryToEvent
