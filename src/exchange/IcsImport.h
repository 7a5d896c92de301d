#pragma once

#include "exchange/EventIdentity.h"
#include "store/ScheduleEntry.h"

#include <QString>
#include <QTimeZone>

#include <functional>
#include <vector>

class ProgressLine;
class QIODevice;
class ScheduleDatabase;
struct StoreResult;

// Adds the events of an iCalendar file to the schedule, all in one transaction. A file whose shape is
// broken (cut off, not an iCalendar file) adds nothing; an event that cannot be read or held is left out
// and named, and the rest comes in. An event with a UID is matched by it with the entry it made before:
// a later version changes that entry, the same or an earlier one is already in the schedule (see
// ImportWriter). An event without a UID whose date, time, kind and subject an entry of the schedule
// already has is not added again. So taking the same file twice adds nothing the second time.
class IcsImport
{
public:
    struct Result
    {
        bool ok = false;
        QString error;     // when not ok, in the program's own words
        qint64 line = 0;   // the file's line the fault stands on; 0 when the fault is not the file's
        qint64 events = 0; // every event of the file, whatever became of it
        qint64 added = 0;
        qint64 updated = 0;    // entries changed to a later version of their event
        qint64 present = 0;    // already in the schedule
        qint64 simplified = 0; // added, but with less than the event's rule said
        qint64 rulesKept = 0;  // added or changed with their whole recurrence kept beside them
        qint64 noStart = 0;    // skipped: no DTSTART
        qint64 changedOccurrences = 0; // kept with their series, or added on their own when it is missing
        qint64 noOccurrence = 0; // skipped: every date excluded
        qint64 leftOut = 0;      // skipped: start, zone or date unreadable
        qint64 unknownZones = 0; // added, read as local time
        qint64 alarmsMoved = 0;  // added at a reminder's time
        qint64 subjectsCut = 0;
        qint64 notesCut = 0;
    };

    // Writes the entries of one import in one transaction: `identities[i]` is what the file says of the
    // event that became `entries[i]`. Such a writer is handed every event not already in the schedule by
    // date, time, kind and subject, and all it writes count as added; it keeps no recurrence beside the
    // entries. Without one, the import matches events by UID (ImportWriter).
    using EntryWriter =
        std::function<StoreResult(ScheduleDatabase&, const std::vector<ScheduleEntry>& entries,
                                  const std::vector<EventIdentity>& identities)>;


    struct Options
    {
        ProgressLine* progress = nullptr;
        // Told one line for every event left out, and for every event added or updated that came in
        // simplified or with its time moved; nothing of an event already in the schedule.
        std::function<void(const QString&)> notice;
        EntryWriter writer;
    };

    static Result run(ScheduleDatabase& database, const QString& path, const QTimeZone& local,
                      const Options& options);
    static Result run(ScheduleDatabase& database, const QString& path, const QTimeZone& local);
    // Reads a device that can be read a second time from its start.
    static Result run(ScheduleDatabase& database, QIODevice& device, const QTimeZone& local,
                      const Options& options);
};
