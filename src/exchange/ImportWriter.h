#pragma once

#include "exchange/EventIdentity.h"
#include "store/ScheduleDatabase.h"
#include "store/ScheduleEntry.h"

#include <QString>

#include <vector>

// Writes the entries of one import, matching each event with the entry it made before by its UID: an
// event no entry has is added and keeps its UID as the entry's identity; an event an entry already has
// changes that entry when it is a later version of what was last brought in, and is already in the
// schedule otherwise. Events without a UID are all added (the import has left out those already there).
class ImportWriter
{
public:
    struct Outcome
    {
        StoreResult stored;
        qint64 added = 0;
        qint64 updated = 0;
        qint64 present = 0;          // the same or an earlier version of an event already in the schedule
        std::vector<size_t> skipped; // the positions of the entries not written, for being present
    };

    // Takes the identities over, and lets go of them before the write, which needs the memory more.
    // `rules[i]`, when given and not null, is the whole event kept beside the recurring entry i.
    static Outcome write(ScheduleDatabase& database, const std::vector<ScheduleEntry>& entries,
                         std::vector<EventIdentity> identities, const std::vector<QByteArray>& rules = {});

    // The version of an event as it is kept beside its entry: "SEQUENCE:<n>", followed by
    // ";LAST-MODIFIED:<UTC moment>" when the event gives one, and otherwise by ";DTSTAMP:<UTC moment>"
    // and ";CONTENT:<digest>" when the import made them.
    static QString versionText(const EventIdentity& event);
    // Whether the event is a later version than the one kept: a greater SEQUENCE, or the same SEQUENCE
    // and a later LAST-MODIFIED. Where neither gives a LAST-MODIFIED: another content from a file that is
    // not older, or, where no content was kept, a later DTSTAMP. An entry with nothing kept counts as
    // SEQUENCE 0 without a moment, and is never stamped.
    static bool isLater(const EventIdentity& event, const QString& kept);
};
