#include "occurrence/OccurrenceDays.h"

#include "occurrence/WallToLocal.h"

#include <algorithm>
#include <iterator>

OccurrenceDays::OccurrenceDays(int year)
    : m_year(year), m_firstDay(QDate(year, 1, 1).toJulianDay()), m_days(size_t(QDate(year, 1, 1).daysInYear()))
{
}

void OccurrenceDays::append(quint32 slot, const std::vector<DaySpan>& spans, std::vector<bool>* touched)
{
    const qint64 lastDay = m_firstDay + qint64(m_days.size()) - 1;
    for (const DaySpan& span : spans) {
        for (qint64 d = std::max(span.firstDay, m_firstDay); d <= std::min(span.lastDay, lastDay); ++d) {
            const quint32 minute = d == span.firstDay ? quint32(span.startSecond / 60 + 1) : 0;
            const auto day = size_t(d - m_firstDay);
            m_days[day].push_back(minute << SlotBits | slot);
            if (touched)
                (*touched)[day] = true;
        }
    }
}

bool OccurrenceDays::build(const std::vector<std::pair<quint32, QByteArray>>& rules, const std::atomic<bool>* stop)
{
    LocalPlacer placer = LocalPlacer::forYears(m_year, m_year);
    const QDate first(m_year, 1, 1);
    const QDate last(m_year, 12, 31);
    std::vector<DaySpan> spans;
    for (const auto& [slot, text] : rules) {
        if (stop && stop->load(std::memory_order_relaxed))
            return false;
        const std::optional<RecurringEvent> event = RecurringEvent::read(text);
        if (!event || slot >= MaxSlots)
            continue;
        spans.clear();
        event->daySpans(first, last, placer, spans);
        append(slot, spans, nullptr);
    }
    for (std::vector<quint32>& day : m_days) {
        std::sort(day.begin(), day.end());
        day.shrink_to_fit();
    }
    return true;
}

void OccurrenceDays::add(quint32 slot, const RecurringEvent& event, LocalPlacer& placer)
{
    if (slot >= MaxSlots)
        return;
    std::vector<DaySpan> spans;
    event.daySpans(QDate(m_year, 1, 1), QDate(m_year, 12, 31), placer, spans);
    std::vector<bool> touched(m_days.size());
    append(slot, spans, &touched);
    for (size_t d = 0; d < m_days.size(); ++d) {
        if (touched[d])
            std::sort(m_days[d].begin(), m_days[d].end());
    }
}

void OccurrenceDays::merge(OccurrenceDays&& other)
{
    if (other.m_year != m_year)
        return;
    for (size_t d = 0; d < m_days.size(); ++d) {
        std::vector<quint32>& mine = m_days[d];
        std::vector<quint32>& theirs = other.m_days[d];
        if (theirs.empty())
            continue;
        // Made to size once: a year of days grown by halves would hold much room that no value takes.
        std::vector<quint32> joined;
        joined.reserve(mine.size() + theirs.size());
        std::merge(mine.begin(), mine.end(), theirs.begin(), theirs.end(), std::back_inserter(joined));
        mine.swap(joined);
        std::vector<quint32>().swap(theirs);
    }
}

void OccurrenceDays::drop(const std::vector<bool>& marked)
{
    for (std::vector<quint32>& day : m_days) {
        std::erase_if(day, [&](quint32 value) {
            const quint32 slot = slotOf(value);
            return slot < marked.size() && marked[slot];
        });
    }
}

size_t OccurrenceDays::count(QDate day) const
{
    return on(day).size();
}

const std::vector<quint32>& OccurrenceDays::on(QDate day) const
{
    static const std::vector<quint32> none;
    const qint64 d = day.isValid() ? day.toJulianDay() - m_firstDay : -1;
    return d >= 0 && d < qint64(m_days.size()) ? m_days[size_t(d)] : none;
}

size_t OccurrenceDays::size() const
{
    size_t all = 0;
    for (const std::vector<quint32>& day : m_days)
        all += day.size();
    return all;
}
