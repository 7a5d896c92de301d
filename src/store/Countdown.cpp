#include "store/Countdown.h"

#include "store/Recurrence.h"

#include <algorithm>
#include <limits>

namespace Countdown {

QString CountdownText(qint64 secs)
{
    const qint64 days = secs / 86400;
    const qint64 hours = secs % 86400 / 3600;
    const qint64 minutes = secs % 86400 % 3600 / 60;
    const qint64 seconds = secs % 86400 % 3600 % 60;
    return QString::number(days) + QStringLiteral(" Day(s) ") + QString::number(hours) + QLatin1Char(':') +
           QString::number(minutes) + QLatin1Char(':') + QString::number(seconds);
}

qint64 secondsUntil(QDate date, qint32 alarmSecond, const QDateTime& now)
{
    const qint32 minuteStart = alarmSecond / 60 * 60;
    return Recurrence::wallSecond(date, minuteStart) - Recurrence::wallSecond(now);
}

} // namespace Countdown

using Recurrence::minuteKey;

bool UpcomingEntries::refresh(const ScheduleTable& table, const QDateTime& now, const KeptRecurrences* kept)
{
    const qint64 minute = minuteKey(now);
    const bool tableChanged = !m_refreshed || table.changeCount() != m_changeCount;
    // A recurring entry whose occurrence has come is listed again at its next one.
    const bool recurringGoesBy = minute >= m_firstRecurringGoesBy;
    if (tableChanged || minute < m_workedOutAt || recurringGoesBy) {
        const std::vector<Row> before = tableChanged ? std::vector<Row>() : std::move(m_rows);
        walk(table, minute, now, kept);
        m_refreshed = true;
        m_changeCount = table.changeCount();
        m_workedOutAt = minute;
        return tableChanged || recurringGoesBy ||
               !std::equal(before.begin(), before.end(), m_rows.begin(), m_rows.end(),
                           [](const Row& a, const Row& b) { return a.rowId == b.rowId; });
    }
    m_workedOutAt = minute;
    return minute >= m_firstGoesBy && dropGoneBy(minute);
}

void UpcomingEntries::walk(const ScheduleTable& table, qint64 minute, const QDateTime& now,
                           const KeptRecurrences* kept)
{
    // The last second of the current minute: an occurrence starting later has not gone by.
    const QDateTime minuteEnd = now.addSecs(59 - now.time().second());
    m_rows.clear();
    // Most entries of a diary usually lie ahead; room for all of them spares the list's growing copies,
    // and the room no entry takes up is never touched.
    m_rows.reserve(table.size());
    m_firstGoesBy = std::numeric_limits<qint64>::max();
    m_firstRecurringGoesBy = std::numeric_limits<qint64>::max();
    const qint32* seconds = table.alarmSeconds();
    for (size_t i = 0; i < table.size(); ++i) {
        if (kept && kept->keeps(table.rowId(i))) {
            const std::optional<QDateTime> next = kept->nextStart(table.rowId(i), minuteEnd);
            if (!next)
                continue;
            const PackedDate date = PackedDate::from(next->date());
            const qint32 second = qint32(next->time().msecsSinceStartOfDay() / 1000);
            m_rows.push_back({table.rowId(i), quint32(i), date, second, true});
            m_firstGoesBy = std::min(m_firstGoesBy, minuteKey(date, second));
            m_firstRecurringGoesBy = std::min(m_firstRecurringGoesBy, minuteKey(date, second));
            continue;
        }
        const PackedDate date = table.date(i);
        const qint32 second = seconds[i];
        if (!date.isValid() || second == ScheduleTable::NoTime)
            continue;
        const qint64 goesBy = minuteKey(date, second);
        if (goesBy <= minute)
            continue;
        m_rows.push_back({table.rowId(i), quint32(i), date, second, false});
        m_firstGoesBy = std::min(m_firstGoesBy, goesBy);
    }
}

// Only time went on: the entries whose minute has come leave the list, the others keep their places.
bool UpcomingEntries::dropGoneBy(qint64 minute)
{
    const size_t before = m_rows.size();
    qint64 firstGoesBy = std::numeric_limits<qint64>::max();
    const auto kept = std::remove_if(m_rows.begin(), m_rows.end(), [&](const Row& row) {
        const qint64 goesBy = minuteKey(row.date, row.alarmSecond);
        if (goesBy <= minute)
            return true;
        firstGoesBy = std::min(firstGoesBy, goesBy);
        return false;
    });
    m_rows.erase(kept, m_rows.end());
    m_firstGoesBy = firstGoesBy;
    return m_rows.size() != before;
}

size_t UpcomingEntries::positionIn(const ScheduleTable& table, size_t i) const
{
    const size_t position = m_rows[i].position;
    if (position < table.size() && table.rowId(position) == m_rows[i].rowId)
        return position;
    return table.indexOf(m_rows[i].rowId);
}

qint64 UpcomingEntries::secondsLeft(size_t i, const QDateTime& now) const
{
    return Countdown::secondsUntil(date(i), alarmSecond(i), now);
}

QString UpcomingEntries::countdownText(size_t i, const QDateTime& now) const
{
    return Countdown::CountdownText(secondsLeft(i, now));
}
