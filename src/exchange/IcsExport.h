#pragma once

#include "store/ScheduleTable.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QTimeZone>

class EntryIdentities;
class ProgressLine;
class QIODevice;

// Writes every entry of a schedule to an iCalendar file, one event each. An entry that keeps its whole
// recurrence (the schedule's rules, by row) is written as its event came, with its zones and its
// changed occurrences as VEVENTs of their own, and with the subject and note the entry has now. The file
// appears whole or not at all, and a file already at the place, even one that appeared while the export
// ran, is never replaced.
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

    // `stamp` is the moment of the export; progress may be null. Entries that keep their whole event
    // (`rules`, by row id) are written as they came; the others' times are written in the zone `local`.
    static Result write(const ScheduleTable& table, const QString& path, const QDateTime& stamp,
                        ProgressLine* progress = nullptr, const EntryIdentities* identities = nullptr,
                        const QHash<qint64, QByteArray>* rules = nullptr,
                        const QTimeZone& local = QTimeZone::systemTimeZone());
    // Writes to an open device (standard output) as it goes.
    static Result write(const ScheduleTable& table, QIODevice& device, const QDateTime& stamp,
                        ProgressLine* progress = nullptr, const EntryIdentities* identities = nullptr,
                        const QHash<qint64, QByteArray>* rules = nullptr,
                        const QTimeZone& local = QTimeZone::systemTimeZone());

    // The text an entry that keeps its whole event is written as: the zones not yet in `zonesWritten`
    // (which it adds to), the series' VEVENT with the entry's UID, subject and note, and the VEVENTs of
    // its changed occurrences. Empty when the kept text cannot be read.
    static QByteArray keptEvent(const QByteArray& kept, const QString& uid, const QString& subject,
                                const QString& note, const QDateTime& stamp, QSet<QByteArray>& zonesWritten);
};
