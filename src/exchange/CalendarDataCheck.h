#pragma once

#include <QByteArray>
#include <QString>
#include <QTimeZone>

// Whether calendar data from a server (or any other source) stays within the limits a calendar file's
// import keeps, judged before libical reads any of it: the same limits, in one place, for files and
// servers alike. Data is refused when
// - it is written in UTF-16, holds a zero byte, or has a line (folded lines joined) longer than 1 MB;
// - its shape is broken: cut off, components that do not close or nest deeper than the import allows, a
//   line that is no iCalendar line;
// - it describes a time zone whose cost is unbounded (see ZoneLimits), or one that cannot be read;
// - any TZID reaches into folders or holds control characters (a zone name is never a path);
// - one of its events would be left out by the import: its start, its zone or its date cannot be read or
//   held (a date that does not read back in the schedule's years, in the local time zone given).
// The work is in proportion to the data's size: a line of 50 MB is refused without being parsed.
class CalendarDataCheck
{
public:
    struct Verdict
    {
        bool ok = true;
        qint64 line = 0; // the data's line the fault stands on; 0 when it is no one line's
        QString reason;  // why it is refused, in the program's own words; empty when ok

        explicit operator bool() const { return ok; }
    };

    static Verdict check(const QByteArray& data, const QTimeZone& local);
};
