#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

struct sqlite3;

// The whole recurrence of the entries whose rule none of the five kinds says, kept in a table of the
// program's own beside Schedule, which stays as every reader of the file knows it:
//   EntryRule(RowId, Event): one row for each such entry, by the row id of its row in Schedule. Event is
//     the iCalendar text of the event as it came from its calendar file or server: a VCALENDAR with the
//     zones it uses, the series' VEVENT (DTSTART with its zone, DTEND or DURATION, RRULE, RDATE, EXDATE,
//     its alarms) and a VEVENT for each changed or cancelled occurrence (RECURRENCE-ID), so that an
//     export writes the rule back as it came.
// The entry's own row carries its first occurrence's date and time and the kind text RecurringKind,
// which earlier builds list and never ring. A rule is the entry's only while its row says RecurringKind:
// a row another program gave another kind, or a row id given again, leaves it unused.
namespace RuleFile {

inline constexpr const char* RecurringKind = "Recurring";

// Makes the table when it is missing; false when the file cannot take it (it is read-only).
bool ensure(sqlite3* db);
// Every kept rule, by row id; false when the file cannot be read (a file without the table has none).
bool readAll(sqlite3* db, QHash<qint64, QByteArray>& out);
// Inside the caller's write transaction.
bool record(sqlite3* db, qint64 rowId, const QByteArray& event);
bool forget(sqlite3* db, qint64 rowId);

} // namespace RuleFile
