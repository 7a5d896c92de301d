#pragma once

#include "store/KeptRecurrences.h"
#include "store/MonthGrid.h"
#include "store/ScheduleTable.h"

#include <QDateTime>
#include <QStringList>

// The markings of a month grid and the hint of one day. The windows lay out or recolour their cells
// first, then run MarkDays, then MarkToday, so that today's red wins over any entry colour.
namespace DayMarking {

enum class GridTag
{
    MainForm,     // one-time entries turn light orange once they are past
    FormOrganizer // one-time entries stay green; marked cells are also bold
};

// Colours the cells that carry entries: one-time entries green (light orange on the main window once
// past), monthly and yearly entries blue. Entries are taken in walk order, so the last one on a cell
// gives its colour; bold, once set, stays. Every-day and weekday entries colour nothing.
// Every day an occurrence of a kept recurrence touches is marked blue too, where no entry of the table
// coloured it.
void MarkDays(const ScheduleTable& table, MonthGrid& grid, GridTag tag, const QDateTime& now,
              const KeptRecurrences* kept = nullptr);

// Colours today's cell red when the grid shows today's month and year; on the organizer also bold.
void MarkToday(MonthGrid& grid, GridTag tag, QDate today);

// The hint of one day as the windows show it. A day hint is the design's line: the number of entries
// stored with exactly that date text, " Entries: ", and their subjects separated by ", ". It is kept to
// about a screenful, so that a day of thousands of entries or a subject of thousands of characters
// neither covers the screen nor takes the clicks meant for the windows under it: only the first
// MaxSubjects subjects are named, each on one line and cut to MaxSubjectLength characters with an
// ellipsis, and the rest are counted as "and N more".
struct DayHint
{
    static constexpr int MaxSubjects = 30;
    static constexpr int MaxSubjectLength = 60;

    int count = 0;        // every entry stored with that date text
    QStringList subjects; // the named ones, in walk order, as they are shown

    int more() const { return count - int(subjects.size()); }
    // "3 Entries: Meeting, Birthday, Gym"; ", and N more" follows when not every entry is named.
    QString text() const;

    // A subject as the hint names it: line breaks and other control characters become spaces, and a
    // text longer than MaxSubjectLength is cut (never inside a character) and ends in an ellipsis.
    static QString shownSubject(const QString& subject);
};

// The hint of a day, for the date text "mm/dd/yyyy". The stored text must equal the date text exactly;
// the recurrence kind is not considered. An entry that keeps a recurrence is named instead for each of its
// occurrences that day, with its local time ("10:00 AM Choir"), after the others.
DayHint dayHint(const ScheduleTable& table, const QString& dateText, const KeptRecurrences* kept = nullptr);

// Gives every shown cell the words a screen reader says of it ("Sunday, 20 December 2026, 1 entry",
// the date in the locale's long form and the entries the cell's hint counts) and tells today's cell.
void DescribeDays(const ScheduleTable& table, MonthGrid& grid, QDate today,
                  const KeptRecurrences* kept = nullptr);
// The words a screen reader says of one day: "Sunday, 20 December 2026, 1 entry".
QString SpokenDay(const ScheduleTable& table, QDate date, const KeptRecurrences* kept = nullptr);

// The hint's text, as dayHint(table, dateText).text().
QString DaySummary(const ScheduleTable& table, const QString& dateText, const KeptRecurrences* kept = nullptr);

} // namespace DayMarking
