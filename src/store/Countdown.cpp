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

bool UpcomingEntries::refresh(const ScheduleTable& table, const QDateTime& now)
{
    const qint64 minute = Recurrence::wallSecond(now) / 60;
    const bool tableChanged = !m_refreshed || table.changeCount() != m_changeCount;
    if (!tableChanged && minute < m_firstGoesBy && minute >= m_workedOutAt)
        return false;

    std::vector<Row> rows;
    qint64 firstGoesBy = std::numeric_limits<qint64>::max();
    for (size_t i = 0; i < table.size(); ++i) {
        const PackedDate date = table.date(i);
        const qint32 second = table.alarmSecond(i);
        if (!date.isValid() || second == ScheduleTable::NoTime)
            continue;
        const QDate day = date.toDate();
        if (Recurrence::IsPast(day, QTime::fromMSecsSinceStartOfDay(second * 1000), now))
            continue;
        rows.push_back({table.rowId(i), i, date, second});
        firstGoesBy = std::min(firstGoesBy, Recurrence::wallSecond(day, second) / 60);
    }
    m_refreshed = true;
    m_changeCount = table.changeCount();
    m_workedOutAt = minute;
    m_firstGoesBy = firstGoesBy;
    if (!tableChanged && rows == m_rows)
        return false;
    m_rows = std::move(rows);
    return true;
}

qint64 UpcomingEntries::secondsLeft(size_t i, const QDateTime& now) const
{
    return Countdown::secondsUntil(date(i), alarmSecond(i), now);
}

QString UpcomingEntries::countdownText(size_t i, const QDateTime& now) const
{
    return Countdown::CountdownText(secondsLeft(i, now));
}
