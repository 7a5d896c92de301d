#include "store/AlarmWatch.h"

#include "store/Recurrence.h"

#include <algorithm>
#include <limits>

using Recurrence::SecondsPerDay;

std::vector<size_t> AlarmWatch::due(const ScheduleTable& table, const QDateTime& now,
                                    const KeptRecurrences* kept)
{
    std::vector<size_t> positions;
    for (const Occurrence& occurrence : dueOccurrences(table, now, kept))
        positions.push_back(occurrence.position);
    return positions;
}

std::vector<AlarmWatch::Occurrence> AlarmWatch::dueOccurrences(const ScheduleTable& table,
                                                               const QDateTime& now,
                                                               const KeptRecurrences* kept)
{
    if (!now.isValid())
        return {};
    const qint64 current = Recurrence::wallSecond(now);
    qint64 from = current;
    if (m_checked) {
        if (current == m_lastSecond)
            return {};
        if (current > m_lastSecond) {
            from = std::max(m_lastSecond + 1, current - MaxCatchUp);
        } else if (m_lastSecond - current > RememberFor) {
            m_rung.clear();
        }
        // After a smaller step back the check goes on from the new now; what already rang in the
        // repeated stretch is skipped by the remembered alarms.
    }
    if (table.outdated()) {
        if (!m_outdatedFrom)
            m_outdatedFrom = from;
    } else if (m_outdatedFrom) {
        // No further back than the rung alarms are remembered, or an alarm that rang from the old
        // table before that would ring again.
        from = std::max(std::min(from, *m_outdatedFrom), current - RememberFor);
        m_outdatedFrom.reset();
    }
    m_checked = true;
    m_lastSecond = current;
    forgetRungBefore(current - RememberFor);

    std::vector<Occurrence> occurrences;
    collect(table, from, current, occurrences);
    if (kept)
        collectKept(table, *kept, from, current, occurrences);
    // An entry due on several days of a long stretch opens one window, for its latest day.
    std::sort(occurrences.begin(), occurrences.end(), [](const Occurrence& a, const Occurrence& b) {
        return a.position != b.position ? a.position < b.position : a.second > b.second;
    });
    occurrences.erase(
        std::unique(occurrences.begin(), occurrences.end(),
                    [](const Occurrence& a, const Occurrence& b) { return a.position == b.position; }),
        occurrences.end());
    return occurrences;
}

void AlarmWatch::collect(const ScheduleTable& table, qint64 from, qint64 to, std::vector<Occurrence>& due)
{
    const qint64 rememberFrom = to - RememberFor;
    // Nothing in the stretch can have rung before unless the clock went back over it.
    const bool mayRepeat = !m_rung.empty() && m_rung.rbegin()->first >= from;
    for (qint64 day = from / SecondsPerDay; day <= to / SecondsPerDay; ++day) {
        const qint64 dayStart = day * SecondsPerDay;
        const qint32 first = qint32(std::max(from, dayStart) - dayStart);
        const qint32 last = qint32(std::min(to, dayStart + SecondsPerDay - 1) - dayStart);
        const QDate date = QDate::fromJulianDay(day);
        // The lookup gives the alarms in order of their second, so the rung alarms are added at the end.
        for (size_t i : table.alarmsBetween(first, last)) {
            if (!Recurrence::fallsOn(table.kind(i), table.date(i), date))
                continue;
            const Ringing ringing{dayStart + table.alarmSecond(i), table.rowId(i)};
            if (mayRepeat && m_rung.contains(ringing))
                continue;
            if (ringing.first >= rememberFrom)
                m_rung.insert(m_rung.end(), ringing);
            due.push_back({i, ringing.first});
        }
    }
}

void AlarmWatch::collectKept(const ScheduleTable& table, const KeptRecurrences& kept, qint64 from, qint64 to,
                             std::vector<Occurrence>& due)
{
    const qint64 rememberFrom = to - RememberFor;
    for (const KeptRecurrences::Alarm& alarm : kept.alarmsBetween(from - 1, to)) {
        const size_t i = table.indexOf(alarm.rowId);
        if (i == table.size() || !table.alarmOn(i))
            continue;
        const Ringing ringing{alarm.second, alarm.rowId};
        if (m_rung.contains(ringing))
            continue;
        if (ringing.first >= rememberFrom)
            m_rung.insert(ringing);
        due.push_back({i, alarm.second, alarm.subject});
    }
}

void AlarmWatch::forgetRungBefore(qint64 second)
{
    m_rung.erase(m_rung.begin(), m_rung.lower_bound(Ringing{second, std::numeric_limits<qint64>::min()}));
}

void AlarmWatch::lookAgainFrom(qint64 second)
{
    if (!m_outdatedFrom || second < *m_outdatedFrom)
        m_outdatedFrom = second;
}

void AlarmWatch::reset()
{
    m_checked = false;
    m_lastSecond = 0;
    m_outdatedFrom.reset();
    m_rung.clear();
}

void AlarmWatch::resumeFrom(qint64 coveredSecond)
{
    m_rung.clear();
    m_checked = true;
    m_lastSecond = coveredSecond;
}
