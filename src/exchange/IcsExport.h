#pragma once

#include "store/ScheduleTable.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>

class EntryIdentities;
class ProgressLine;
class QIODevice;

// Writes every entry of a schedule to an iCalendar file, one event each. The file appears whole or not
// at all, and a file already at the place, even one that appeared while the export ran, is never
// replaced.
class IcsExport
{
public:
    struct Result
    {
        bool ok = false;
        QString error; // when not ok, in the program's own words
        qint64 written = 0;
        qint64 unreadable = 0;  // skipped: date or alarm time unreadable
        qint64 unknownKind = 0; // skipped: a recurrence kind the program does not know
    };

    // `stamp` is the moment of the export; progress may be null. The entries' times are written in the
    // zone `local`.
    static Result write(const ScheduleTable& table, const QString& path, const QDateTime& stamp,
                        ProgressLine* progress = nullptr, const EntryIdentities* identities = nullptr,
                        const QTimeZone& local = QTimeZone::systemTimeZone());
    // Writes to an open device (standard output) as it goes.
    static Result write(const ScheduleTable& table, QIODevice& device, const QDateTime& stamp,
                        ProgressLine* progress = nullptr, const EntryIdentities* identities = nullptr,
                        const QTimeZone& local = QTimeZone::systemTimeZone());
};
