#pragma once

#include "store/KeptRecurrences.h"
#include "store/ScheduleTable.h"

#include <QDateTime>
#include <QString>

#include <limits>
#include <vector>

// The countdown to an entry as the countdown list shows it.
namespace Countdown {

// "2 Day(s) 3:5:9": days, hours, minutes and seconds without padding. Each part is a truncating
// division whose remainder keeps the sign, so a negative count shows minus signs in every part.
QString CountdownText(qint64 secs);

// Wall seconds from now to the start of the alarm's minute on the date: the alarm time's own seconds are
// not counted. alarmSecond is a second of the day, not ScheduleTable::NoTime.
qint64 secondsUntil(QDate date, qint32 alarmSecond, const QDateTime& now);

} // namespace Countdown

// The entries still ahead, in walk order: every entry whose own stored date and alarm time have not gone
// by (Recurrence::IsPast), whatever its kind and alarm switch. Entries whose date or time cannot be read
// are left out. The list is refreshed once a second and costs nothing while no listed entry's minute
// comes: the table is walked again only when it changed or the clock went back, and when a listed
// entry's minute comes only the list itself is looked through.
class UpcomingEntries
{
public:
    // Brings the list up to date with the table and the time; true when a window showing it must draw
    // it again: on the first refresh, after any change of the table, or when the list itself changed.
    // An entry that keeps a recurrence is listed at its next occurrence's start, and at the one after
    // once that has gone by.
    bool refresh(const ScheduleTable& table, const QDateTime& now, const KeptRecurrences* kept = nullptr);

    size_t size() const { return m_rows.size(); }
    bool empty() const { return m_rows.empty(); }
    qint64 rowId(size_t i) const { return m_rows[i].rowId; }
    // The entry's position in the table as it was at the last refresh.
    size_t position(size_t i) const { return m_rows[i].position; }
    // The entry's position in the table as it is now, which differs from position(i) when the table
    // changed since the last refresh; table.size() when the entry is no longer in it.
    size_t positionIn(const ScheduleTable& table, size_t i) const;
    QDate date(size_t i) const { return m_rows[i].date.toDate(); }
    qint32 alarmSecond(size_t i) const { return m_rows[i].alarmSecond; }

    qint64 secondsLeft(size_t i, const QDateTime& now) const;
    QString countdownText(size_t i, const QDateTime& now) const;

private:
    struct Row
    {
        qint64 rowId;
        quint32 position;
        PackedDate date;
        qint32 alarmSecond;
        bool recurs = false;
    };

    void walk(const ScheduleTable& table, qint64 minute, const QDateTime& now, const KeptRecurrences* kept);
    bool dropGoneBy(qint64 minute);

    std::vector<Row> m_rows;
    bool m_refreshed = false;
    quint64 m_changeCount = 0;
    // Minutes on the scale of minuteKey(), of the last working out and of the first listed entry's
    // alarm minute, from which on that entry has gone by.
    qint64 m_workedOutAt = 0;
    qint64 m_firstGoesBy = 0;
    // The first minute a listed occurrence of a recurring entry goes by, when the list is walked again
    // for its next one; recurring rows leave the list only by a walk, so this holds until the next.
    qint64 m_firstRecurringGoesBy = std::numeric_limits<qint64>::max();
};
