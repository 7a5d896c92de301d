#include "occurrence/OccurrenceSource.h"

#include <algorithm>

void OccurrenceSource::setRules(const QHash<qint64, QByteArray>& rules)
{
    QHash<qint64, Kept> kept;
    kept.reserve(rules.size());
    bool same = rules.size() == m_rules.size();
    for (auto it = rules.cbegin(); it != rules.cend(); ++it) {
        const auto had = m_rules.constFind(it.key());
        if (had != m_rules.cend() && had->text == it.value()) {
            kept.insert(it.key(), *had);
        } else {
            kept.insert(it.key(), Kept{it.value(), nullptr, false, std::nullopt, QDateTime()});
            same = false;
        }
    }
    // An edit of an entry that keeps no rule leaves every rule and its queued alarm as it was.
    if (same)
        return;
    m_rules = std::move(kept);
    m_alarmQueue.clear();
    m_queuedAt.clear();
    m_queuedAfter = QDateTime();
}

void OccurrenceSource::setRule(qint64 rowId, const QByteArray& text)
{
    unqueue(rowId);
    m_rules.insert(rowId, Kept{text, nullptr, false, std::nullopt, QDateTime()});
    if (m_queuedAfter.isValid())
        queue(rowId, m_queuedAfter);
}

void OccurrenceSource::removeRule(qint64 rowId)
{
    unqueue(rowId);
    m_rules.remove(rowId);
}

void OccurrenceSource::clear()
{
    m_rules.clear();
    m_alarmQueue.clear();
    m_queuedAt.clear();
    m_queuedAfter = QDateTime();
}

const RecurringEvent* OccurrenceSource::event(qint64 rowId) const
{
    const auto it = m_rules.constFind(rowId);
    if (it == m_rules.cend() || it->unreadable)
        return nullptr;
    if (!it->event) {
        auto read = RecurringEvent::read(it->text);
        if (!read) {
            it->unreadable = true;
            return nullptr;
        }
        it->event = std::make_shared<const RecurringEvent>(std::move(*read));
    }
    return it->event.get();
}

std::vector<OccurrenceSource::Found> OccurrenceSource::onDays(QDate first, QDate last) const
{
    std::vector<Found> found;
    for (auto it = m_rules.cbegin(); it != m_rules.cend(); ++it) {
        const RecurringEvent* e = event(it.key());
        if (!e)
            continue;
        for (Occurrence& o : e->onDays(first, last))
            found.push_back({it.key(), std::move(o)});
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.occurrence.start != b.occurrence.start ? a.occurrence.start < b.occurrence.start
                                                        : a.rowId < b.rowId;
    });
    return found;
}

std::optional<Occurrence> OccurrenceSource::nextAfter(qint64 rowId, const QDateTime& moment) const
{
    const RecurringEvent* e = event(rowId);
    if (!e)
        return std::nullopt;
    const Kept& kept = *m_rules.constFind(rowId);
    // The kept answer holds while the moment lies between where it was asked from and that occurrence.
    if (kept.nextFrom.isValid() && kept.nextFrom <= moment && (!kept.next || moment < kept.next->start))
        return kept.next;
    kept.next = e->firstAfter(moment);
    kept.nextFrom = moment;
    return kept.next;
}

QString OccurrenceSource::words(qint64 rowId) const
{
    const RecurringEvent* e = event(rowId);
    return e ? e->words() : QString();
}

std::optional<OccurrenceSource::Alarm> OccurrenceSource::alarmAfter(qint64 rowId, const QDateTime& moment) const
{
    const RecurringEvent* e = event(rowId);
    if (!e)
        return std::nullopt;
    static const std::vector<qint64> atStart{0};
    const std::vector<qint64>& offsets = e->alarmOffsets().empty() ? atStart : e->alarmOffsets();
    const qint64 latest = std::max<qint64>(0, offsets.back());
    const qint64 earliest = std::min<qint64>(0, offsets.front());
    // An occurrence that starts up to the latest offset before the moment may still have an alarm after it.
    for (const qint64 days : {2LL, 40LL, 400LL, 4000LL, 40000LL}) {
        const QDateTime from = moment.addSecs(-latest);
        const QDateTime to = moment.addSecs(-earliest).addDays(days);
        std::optional<Alarm> best;
        for (Occurrence& o : e->between(from, to)) {
            if (o.start < from)
                continue;
            for (qint64 offset : offsets) {
                const QDateTime at = o.start.addSecs(offset);
                if (at > moment && (!best || at < best->at))
                    best = Alarm{rowId, at, o};
            }
        }
        if (best)
            return best;
        if (!e->firstAfter(to))
            break;
    }
    return std::nullopt;
}

void OccurrenceSource::queue(qint64 rowId, const QDateTime& after)
{
    if (const auto next = alarmAfter(rowId, after)) {
        const qint64 at = next->at.toMSecsSinceEpoch();
        m_alarmQueue.insert({at, rowId});
        m_queuedAt.insert(rowId, at);
    }
}

void OccurrenceSource::unqueue(qint64 rowId)
{
    const auto it = m_queuedAt.constFind(rowId);
    if (it == m_queuedAt.cend())
        return;
    m_alarmQueue.erase({*it, rowId});
    m_queuedAt.erase(it);
}

std::vector<OccurrenceSource::Alarm> OccurrenceSource::alarmsBetween(const QDateTime& from, const QDateTime& to)
{
    std::vector<Alarm> due;
    if (!from.isValid() || !to.isValid() || to <= from)
        return due;
    // The queue holds every entry's first alarm after m_queuedAfter; a question from another moment
    // (the first one, or after the clock went back) works it out again for every entry.
    if (!m_queuedAfter.isValid() || from != m_queuedAfter) {
        m_alarmQueue.clear();
        m_queuedAt.clear();
        for (auto it = m_rules.cbegin(); it != m_rules.cend(); ++it)
            queue(it.key(), from);
    }
    const qint64 last = to.toMSecsSinceEpoch();
    while (!m_alarmQueue.empty() && m_alarmQueue.begin()->first <= last) {
        const qint64 rowId = m_alarmQueue.begin()->second;
        unqueue(rowId);
        // Every alarm of the entry in the stretch, then its first one after it.
        QDateTime after = from;
        while (const auto alarm = alarmAfter(rowId, after)) {
            if (alarm->at > to)
                break;
            due.push_back(*alarm);
            after = alarm->at;
        }
        queue(rowId, to);
    }
    m_queuedAfter = to;
    std::sort(due.begin(), due.end(), [](const Alarm& a, const Alarm& b) {
        return a.at != b.at ? a.at < b.at : a.rowId < b.rowId;
    });
    return due;
}
