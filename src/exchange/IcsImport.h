#pragma once

#include <QString>
#include <QTimeZone>

class ProgressLine;
class ScheduleDatabase;

// Adds the events of an iCalendar file to the schedule, all in one transaction: a file with a fault
// anywhere adds nothing. An event whose date, time, kind and subject an entry of the schedule already
// has is not added again, so that taking the same file twice adds nothing the second time.
class IcsImport
{
public:
    struct Result
    {
        bool ok = false;
        QString error;   // when not ok, in the program's own words
        qint64 line = 0; // the file's line the fault stands on; 0 when the fault is not the file's
        qint64 added = 0;
        qint64 present = 0;    // already in the schedule
        qint64 simplified = 0; // added, but with less than the event's rule said
        qint64 noStart = 0;    // skipped: no DTSTART
        qint64 changedOccurrences = 0;
        qint64 subjectsCut = 0;
        qint64 notesCut = 0;
    };

    static Result run(ScheduleDatabase& database, const QString& path, const QTimeZone& local,
                      ProgressLine* progress = nullptr);
};
