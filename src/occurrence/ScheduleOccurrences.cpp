#include "occurrence/ScheduleOccurrences.h"

#include "occurrence/WallToLocal.h"
#include "store/Recurrence.h"
#include "store/ScheduleDatabase.h"

#include <QMetaObject>
#include <QThreadPool>

#include <algorithm>
#include <limits>
#include <mutex>

#include <malloc.h>

// The workers outlive nothing of this object but this: they hand their index to the receiver while it is
// still there, and stop early once it is gone.
struct ScheduleOccurrences::Handover
{
    std::mutex mutex;
    QObject* receiver = nullptr;
    std::atomic<bool> stop{false};
};

ScheduleOccurrences::ScheduleOccurrences(ScheduleDatabase& database)
    : m_database(database), m_handover(std::make_shared<Handover>())
{
    m_handover->receiver = &m_known;
}

ScheduleOccurrences::~ScheduleOccurrences()
{
    const std::lock_guard<std::mutex> lock(m_handover->mutex);
    m_handover->receiver = nullptr;
    m_handover->stop = true;
}

OccurrenceSource& ScheduleOccurrences::source() const
{
    // The file is not looked at here: the caller's own look at the table brings its changes in.
    const quint64 count = m_database.cachedTable().changeCount();
    if (!m_taken || count != m_changeCount || m_database.rulesChangeCount() != m_rulesChanges) {
        std::vector<qint64> changed;
        m_source.setRules(m_database.rules(), &changed);
        // Taking the rules may have read the table afresh.
        m_changeCount = m_database.cachedTable().changeCount();
        m_rulesChanges = m_database.rulesChangeCount();
        m_taken = true;
        if (!changed.empty())
            takeChanges(changed);
    }
    return m_source;
}

void ScheduleOccurrences::takeChanges(const std::vector<qint64>& rows) const
{
    std::vector<quint32> changedSlots;
    changedSlots.reserve(rows.size());
    if (m_slotOf.isEmpty()) {
        m_slotOf.reserve(qsizetype(rows.size()));
        m_rowOf.reserve(rows.size());
        m_versions.reserve(rows.size());
    }
    for (qint64 row : rows) {
        auto it = m_slotOf.find(row);
        if (it == m_slotOf.end()) {
            if (!m_source.hasRule(row))
                continue;
            quint32 slot = 0;
            if (!m_free.empty()) {
                slot = m_free.back();
                m_free.pop_back();
            } else {
                slot = quint32(m_rowOf.size());
                m_rowOf.push_back(0);
                m_versions.push_back(0);
            }
            m_rowOf[slot] = row;
            it = m_slotOf.insert(row, slot);
        }
        const quint32 slot = *it;
        ++m_versions[slot];
        changedSlots.push_back(slot);
        if (!m_source.hasRule(row)) {
            m_rowOf[slot] = 0;
            m_free.push_back(slot);
            m_slotOf.erase(it);
        }
    }
    for (auto& [y, year] : m_years)
        refresh(changedSlots, year, y);
    ++m_knownCount;
}

void ScheduleOccurrences::refresh(std::vector<quint32> changedSlots, Year& year, int y) const
{
    if (!year.days || changedSlots.empty())
        return;
    if (changedSlots.size() > FewChanges) {
        year.stale = true;
        return;
    }
    std::vector<bool> dropped(m_rowOf.size());
    for (quint32 slot : changedSlots)
        dropped[slot] = true;
    // An index the workers still hold is not changed under them.
    if (year.days.use_count() > 1)
        year.days = std::make_shared<OccurrenceDays>(*year.days);
    year.days->drop(dropped);
    LocalPlacer placer = LocalPlacer::forYears(y, y);
    std::sort(changedSlots.begin(), changedSlots.end());
    changedSlots.erase(std::unique(changedSlots.begin(), changedSlots.end()), changedSlots.end());
    for (quint32 slot : changedSlots) {
        if (const RecurringEvent* event = m_rowOf[slot] ? m_source.event(m_rowOf[slot]) : nullptr)
            year.days->add(slot, *event, placer);
    }
}

const OccurrenceDays* ScheduleOccurrences::year(int y) const
{
    source();
    Year& year = m_years[y];
    year.askedAt = ++m_asks;
    year.askedWhenKnown = m_knownCount;
    if ((!year.days || year.stale) && !year.working)
        work(y);
    letGoOfOldYears();
    const auto it = m_years.find(y);
    return it != m_years.end() ? it->second.days.get() : nullptr;
}

void ScheduleOccurrences::letGoOfOldYears() const
{
    while (m_years.size() > KeptYears) {
        auto oldest = m_years.end();
        for (auto it = m_years.begin(); it != m_years.end(); ++it) {
            const Year& year = it->second;
            if (!year.working && year.askedWhenKnown != m_knownCount &&
                (oldest == m_years.end() || year.askedAt < oldest->second.askedAt))
                oldest = it;
        }
        if (oldest == m_years.end())
            return;
        m_years.erase(oldest);
    }
}

void ScheduleOccurrences::work(int y) const
{
    std::vector<std::pair<quint32, QByteArray>> rules;
    rules.reserve(m_slotOf.size());
    for (quint32 slot = 0; slot < m_rowOf.size(); ++slot) {
        if (m_rowOf[slot])
            rules.emplace_back(slot, m_source.text(m_rowOf[slot]));
    }
    std::vector<quint32> versions = m_versions;
    if (!m_offThread) {
        auto days = std::make_shared<OccurrenceDays>(y);
        days->build(rules);
        Year& year = m_years[y];
        year.days = std::move(days);
        year.stale = false;
        return;
    }
    m_years[y].working = true;
    // Both halves of the rules at once, each on a thread of the pool; the second to finish joins them.
    struct Shared
    {
        std::vector<std::pair<quint32, QByteArray>> rules;
        std::vector<quint32> versions;
        std::mutex mutex;
        std::shared_ptr<OccurrenceDays> done;
        int left = 2;
        bool stopped = false;
    };
    auto shared = std::make_shared<Shared>();
    shared->rules = std::move(rules);
    shared->versions = std::move(versions);
    const size_t half = shared->rules.size() / 2;
    const std::shared_ptr<Handover> handover = m_handover;
    for (int part = 0; part < 2; ++part) {
        QThreadPool::globalInstance()->start([this, y, part, half, shared, handover] {
            const auto begin = shared->rules.begin() + (part == 0 ? 0 : qsizetype(half));
            const auto end = part == 0 ? shared->rules.begin() + qsizetype(half) : shared->rules.end();
            auto days = std::make_shared<OccurrenceDays>(y);
            const bool whole = days->build({begin, end}, &handover->stop);
            {
                const std::lock_guard<std::mutex> lock(shared->mutex);
                shared->stopped = shared->stopped || !whole;
                if (shared->done)
                    shared->done->merge(std::move(*days));
                else
                    shared->done = std::move(days);
                if (--shared->left > 0 || shared->stopped)
                    return;
            }
            // The room the halves grew in goes back to the system rather than staying with the program.
            malloc_trim(0);
            const std::lock_guard<std::mutex> lock(handover->mutex);
            if (!handover->receiver)
                return;
            QMetaObject::invokeMethod(
                handover->receiver, [this, y, shared] { arrived(y, shared->done, shared->versions); },
                Qt::QueuedConnection);
        });
    }
}

void ScheduleOccurrences::arrived(int y, std::shared_ptr<OccurrenceDays> days,
                                  const std::vector<quint32>& versions) const
{
    source();
    const auto it = m_years.find(y);
    if (it == m_years.end())
        return;
    Year& year = it->second;
    year.working = false;
    year.days = std::move(days);
    year.stale = false;
    // The rules that changed while the year was worked out are taken in now.
    std::vector<quint32> changed;
    for (quint32 slot = 0; slot < m_versions.size(); ++slot) {
        if (slot >= versions.size() || versions[slot] != m_versions[slot])
            changed.push_back(slot);
    }
    refresh(changed, year, y);
    ++m_knownCount;
    emit m_known.known();
}

bool ScheduleOccurrences::settled() const
{
    return std::none_of(m_years.begin(), m_years.end(), [](const auto& y) { return y.second.working; });
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

std::vector<int> ScheduleOccurrences::counts(QDate first, QDate last) const
{
    std::vector<int> each(first.isValid() && last >= first ? size_t(first.daysTo(last) + 1) : 0);
    if (each.empty())
        return each;
    source();
    // A schedule without rules asks for no index.
    if (m_slotOf.isEmpty())
        return each;
    for (int y = first.year(); y <= last.year(); ++y) {
        const OccurrenceDays* days = year(y);
        if (!days)
            continue;
        const QDate from = std::max(first, QDate(y, 1, 1));
        const QDate to = std::min(last, QDate(y, 12, 31));
        for (QDate d = from; d <= to; d = d.addDays(1))
            each[size_t(first.daysTo(d))] = int(days->count(d));
    }
    return each;
}

KeptRecurrences::Day ScheduleOccurrences::onDay(QDate day, size_t listed) const
{
    Day found;
    source();
    if (!day.isValid() || m_slotOf.isEmpty())
        return found;
    const OccurrenceDays* days = year(day.year());
    if (!days)
        return found;
    const std::vector<quint32>& values = days->on(day);
    found.count = values.size();
    const auto rowOf = [&](quint32 value) {
        const quint32 slot = OccurrenceDays::slotOf(value);
        return slot < m_rowOf.size() ? m_rowOf[slot] : 0;
    };
    std::vector<qint64> done;
    const auto walk = [&](std::vector<qint64> rows) {
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        for (qint64 row : rows) {
            const RecurringEvent* event = row ? m_source.event(row) : nullptr;
            if (!event || std::binary_search(done.begin(), done.end(), row))
                continue;
            for (const Occurrence& o : event->onDays(day, day))
                found.first.push_back({row, o.start, o.firstDay(), o.lastDay(), o.subject});
        }
        done.insert(done.end(), rows.begin(), rows.end());
        std::sort(done.begin(), done.end());
    };
    // The values are ordered by their start's minute: the first `listed` of them hold the day's first
    // occurrences, and only their rules are walked. Of those starting in the same minute as the last of
    // these, which may be many (every entry at ten o'clock), the lowest rows are taken: they come first
    // when they start on the minute's first second, as occurrences do; otherwise all of them are walked.
    std::vector<qint64> rows;
    if (values.size() <= listed) {
        for (quint32 value : values)
            rows.push_back(rowOf(value));
        walk(rows);
    } else if (listed > 0) {
        const quint32 cut = OccurrenceDays::minuteOf(values[listed - 1]);
        size_t i = 0;
        for (; OccurrenceDays::minuteOf(values[i]) < cut; ++i)
            rows.push_back(rowOf(values[i]));
        const size_t wanted = listed - i;
        std::vector<qint64> tied;
        for (; i < values.size() && OccurrenceDays::minuteOf(values[i]) == cut; ++i)
            tied.push_back(rowOf(values[i]));
        std::sort(tied.begin(), tied.end());
        // Those begun on an earlier day are ordered by their days, not by row.
        const size_t first = cut == 0 ? tied.size() : std::min(wanted, tied.size());
        rows.insert(rows.end(), tied.begin(), tied.begin() + qsizetype(first));
        walk(rows);
        const bool onTheMinute = std::all_of(found.first.begin(), found.first.end(), [&](const Occurring& o) {
            return o.start.date() != day || o.start.time().second() == 0;
        });
        if (!onTheMinute)
            walk(tied);
    }
    std::sort(found.first.begin(), found.first.end(), [](const Occurring& a, const Occurring& b) {
        return a.start != b.start ? a.start < b.start : a.rowId < b.rowId;
    });
    if (found.first.size() > listed)
        found.first.resize(listed);
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
