#include "occurrence/ScheduleOccurrences.h"

#include "store/ScheduleDatabase.h"

OccurrenceSource& ScheduleOccurrences::source() const
{
    const QHash<qint64, QByteArray>& rules = m_database.rules();
    const quint64 count = m_database.cachedTable().changeCount();
    if (!m_taken || count != m_changeCount || m_database.rulesChangeCount() != m_rulesChanges) {
        m_source.setRules(rules);
        m_changeCount = count;
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

std::optional<QDateTime> ScheduleOccurrences::nextStart(qint64 rowId, const QDateTime& after) const
{
    const std::optional<Occurrence> next = source().nextAfter(rowId, after);
    if (!next)
        return std::nullopt;
    return next->start;
}
