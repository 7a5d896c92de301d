#pragma once

#include "store/ScheduleEntry.h"
#include "sync/SyncLedger.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTimeZone>

class EntryIdentities;
class ScheduleTable;

// How an event of the calendar server and an entry of the schedule turn into each other for syncing:
// an event becomes an entry by the import's rules; a new entry becomes a new event as the export writes
// it; and an edit of an entry the server already holds is written into the server's own event, changing
// only what the edit changed, so that everything else the event says (its end, its place, its guests, a
// rule richer than the entry's kind) stays as the server had it.
namespace EventForm {

struct Incoming
{
    bool held = false; // the schedule can hold the event
    ScheduleEntry entry;
    SyncLedger::Form form = SyncLedger::Form::NotHeld;
    // The entry shows the event's start, rule or reminder only in part (a richer rule, a zone no one
    // knows, a reminder away from the start): its timing is the server's to keep. Texts cut to their
    // fields narrow the event too, but leave its timing whole.
    bool timingNarrowed = false;
    QString version; // the event's SEQUENCE and LAST-MODIFIED, as the import keeps it
    // Why the schedule cannot hold the event, in the program's own words, when it cannot.
    QString reason;
    // The calendar object as the entry keeps it beside itself (ScheduleDatabase::ImportWrite::rule) when
    // its recurrence is more than a kind says or it has changed occurrences; null otherwise.
    QByteArray rule;
};

// The entry the event of one calendar object makes (the first event that is no changed occurrence).
Incoming read(const QByteArray& data, const QTimeZone& local);

// A short text that changes whenever one of the entry's fields does.
QString digest(const ScheduleEntry& entry);

// The fields that make an entry the same as an event for a first sync: date, second, kind and subject.
QString sameEntryKey(const ScheduleEntry& entry);

// A new calendar object for the entry at position i, its times in the zone `local` (with the zone's
// VTIMEZONE); empty when the entry cannot be written (no readable date or time, or a kind the program
// does not know).
QByteArray newEvent(const ScheduleTable& table, size_t i, const EntryIdentities& identities,
                    const QDateTime& stamp, const QTimeZone& local);

// The server's text `full` after an edit here turned what the entry showed of it, `shown`, into `now`:
// what changed is written over the part of `full` it stands for, and what the entry did not show (the
// rest of a text cut to its field) stays. `joinedLines`: the entry showed the text's line breaks as
// spaces. When `shown` is no view of `full`, the text becomes `now`.
QString editedText(const QString& full, const QString& shown, const QString& now, bool joinedLines);

enum class Written
{
    Patched,   // `data` holds the server's event with the entry's changes
    Unchanged, // nothing the server's event says differs from the entry
    KeptHere   // the change cannot be written without narrowing the event: it stays in the schedule only
};
struct Patch
{
    Written outcome = Written::Unchanged;
    QByteArray data;
};

// The server's event `serverData` with what differs in `now` written into it. A new time is the local
// time `now` says, written in the event's own zone; a long subject or note keeps what the entry did not
// show.
Patch patched(const QByteArray& serverData, const ScheduleEntry& now, const QTimeZone& local,
              const QDateTime& stamp);

// The entry kept beside the server's version when both sides changed it: its subject ends with
// " (conflict)", cut before that where the field would overflow.
ScheduleEntry conflictCopy(const ScheduleEntry& entry);

} // namespace EventForm
