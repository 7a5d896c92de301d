#pragma once

#include "store/ScheduleEntry.h"
#include "store/ScheduleKind.h"

#include <QDate>
#include <QString>
#include <QTimeZone>

// libical's component, as its header names it.
struct icalcomponent_impl;
using icalcomponent = icalcomponent_impl;

// What an iCalendar event becomes in the schedule: its start in local time, its subject and note cut to
// their fields, and the recurrence kind its rule maps onto. A rule the program has no kind for makes a
// one-time entry on the event's first occurrence, marked as simplified.
namespace EventToEntry {

// What an entry gets where the event has no text, since the schedule keeps no empty text.
inline const QString NoSubject = QStringLiteral("(no subject)");
inline const QString NoNote = QStringLiteral("(no note)");

enum class Outcome
{
    Entry,
    NoStart,           // the event has no DTSTART: it falls on no day
    ChangedOccurrence, // one changed occurrence of a recurring event (RECURRENCE-ID), not an entry
    Failed             // its start cannot be read; `failure` says why
};

struct Mapped
{
    Outcome outcome = Outcome::Entry;
    ScheduleEntry entry;
    ScheduleKind kind = ScheduleKind::OneTime;
    QDate date;
    qint32 second = 0;
    bool simplified = false; // the rule said more than the kind keeps
    bool subjectCut = false;
    bool noteCut = false;
    QString failure;
};

// `zones` is a VCALENDAR holding the time zones the file describes; starts are converted to `local`.
Mapped map(icalcomponent* event, icalcomponent* zones, const QTimeZone& local);

} // namespace EventToEntry
