#pragma once

#include "exchange/EventIdentity.h"
#include "exchange/IcsReader.h"
#include "store/ScheduleEntry.h"
#include "store/ScheduleKind.h"

#include <QDate>
#include <QString>
#include <QTimeZone>

// What an iCalendar event becomes in the schedule: its alarm moment (the first occurrence that is not
// excluded, moved to local time, plus the offset of its first display or sound reminder), its subject
// and note cut to their fields, and the recurrence kind its rule maps onto. A rule none of the five kinds
// says is kept whole beside the entry (RuleFile), whose kind is then RuleFile::RecurringKind; only an
// event of several rules is still simplified to a one-time entry on its first occurrence. An event with
// no readable start, no occurrence at all, or a date the schedule cannot hold is left out.
namespace EventToEntry {

// What an entry gets where the event has no text, since the schedule keeps no empty text.
inline const QString NoSubject = QStringLiteral("(no subject)");
inline const QString NoNote = QStringLiteral("(no note)");

enum class Outcome
{
    Entry,
    NoStart,           // the event has no DTSTART: it falls on no day
    ChangedOccurrence, // one changed occurrence of a recurring event (RECURRENCE-ID), not an entry
    NoOccurrence,      // every date of the event is excluded (a placeholder some programs write)
    LeftOut            // it cannot be read or held: its start, its time zone or its date
};

struct Mapped
{
    Outcome outcome = Outcome::Entry;
    ScheduleEntry entry;
    ScheduleKind kind = ScheduleKind::OneTime;
    QDate date;
    qint32 second = 0;
    bool simplified = false; // the rule said more than the kind keeps
    // The event as it is kept beside a recurring entry (a VCALENDAR with the zones it uses and the
    // VEVENT), set for every event that recurs; ruleKept tells whether the entry needs it, that is whether
    // its kind is RuleFile::RecurringKind.
    QByteArray rule;
    bool ruleKept = false;
    bool subjectCut = false;
    bool noteCut = false;
    bool zoneUnknown = false; // read as local time
    bool alarmMoved = false;  // the entry's time is a reminder's, not the start's
    EventIdentity identity;
    // What the import says about this event on a line of its own (what the event says and what the entry
    // became), on the file's line `noteLine`; empty when there is nothing to say.
    QString note;
    qint64 noteLine = 0;
};

// Starts are converted to `local`.
Mapped map(const IcsReader::Event& event, const QTimeZone& local);

// The VTIMEZONEs of `zones` (a VCALENDAR) that the event's times name, as text.
QByteArray zonesOf(icalcomponent* event, icalcomponent* zones);
// The event as text.
QByteArray eventText(icalcomponent* event);
// A calendar of the zones and events given as text, as a recurring entry keeps it.
QByteArray keptCalendar(const QByteArray& zones, const QByteArray& events);

} // namespace EventToEntry
