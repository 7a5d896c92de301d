#include "occurrence/ScheduleOccurrences.h"

#include "store/Recurrence.h"
#include "store/ScheduleDatabase.h"

OccurrenceSource& ScheduleOccurrences::source() const
{
    // The file is not looked at here: the caller's own look at the table brings its changes in.
    const quint64 count = m_database.cachedTable().changeCount();
    if (!m_taken || count != m_changeCount || m_database.rulesChangeCount() != m_rulesChanges) {
        m_source.setRules(m_database.rules());
        // Taking the rules may have read the table afresh.
        m_changeCount = m_database.cachedTable().changeCount();
        m_rulesChanges = m_database.rulesChangeCount();
        m_taken = true;
    }
    return m_source;
}

bool ScheduleOccurrences::keeps(qint64 rowId) const
{
    return source().hasRule(rowId);
}

std::vector<KeptRecurrences::Occurring> ScheduleOccurrences::onDays(QDate first, QDate last) const
{
    std::vector<Occurring> found;
    for (const OccurrenceSource::Found& f : source().onDays(first, last)) {
        const Occurrence& o = f.occurrence;
        found.push_back({f.rowId, o.start, o.firstDay(), o.lastDay(), o.subject});
    }
    return found;
}

std::vector<KeptRecurrences::Alarm> ScheduleOccurrences::alarmsBetween(qint64 from, qint64 to) const
{
    const auto local = [](qint64 second) {
        return QDateTime(Recurrence::wallDate(second), Recurrence::wallTime(second));
    };
    std::vector<Alarm> alarms;
    for (const OccurrenceSource::Alarm& a : source().alarmsBetween(local(from), local(to)))
        alarms.push_back({a.rowId, Recurrence::wallSecond(a.at.toLocalTime()), a.occurrence.subject});
    return alarms;
}

std::optional<QDateTime> ScheduleOccurrences::nextStart(qint64 rowId, const QDateTime& after) const
{
    const std::optional<Occurrence> next = source().nextAfter(rowId, after);
    if (!next)
        return std::nullopt;
    return next->start;
}
