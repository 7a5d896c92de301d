#pragma once

#include "occurrence/RecurringEvent.h"

#include <QByteArray>
#include <QDate>

#include <atomic>
#include <utility>
#include <vector>

// Which kept rules have occurrences on each local day of one year: the index the month grid, the year view
// and the day hint ask instead of walking every rule. Rules are known by a slot number; each day holds one
// value per occurrence touching it, ordered by its start's minute (one begun on an earlier day first) and
// slot, so that the day's first occurrences are found without walking its rules.
class OccurrenceDays
{
public:
    static constexpr int SlotBits = 21;
    static constexpr quint32 MaxSlots = quint32(1) << SlotBits;

    explicit OccurrenceDays(int year);

    // Reads each rule's text and takes in its occurrences that touch the year; a rule that cannot be read
    // has none. Gives up, returning false, once `stop` is set.
    bool build(const std::vector<std::pair<quint32, QByteArray>>& rules, const std::atomic<bool>* stop = nullptr);
    // Takes in the occurrences of one slot's event; days stay ordered.
    void add(quint32 slot, const RecurringEvent& event, LocalPlacer& placer);
    // Takes another index of the same year, of other slots, in.
    void merge(OccurrenceDays&& other);
    // Forgets every occurrence of the slots marked true.
    void drop(const std::vector<bool>& marked);

    int year() const { return m_year; }
    // How many occurrences touch the day; none for a day of another year.
    size_t count(QDate day) const;
    // The day's values, ordered: slotOf() and minuteOf() tell them apart.
    const std::vector<quint32>& on(QDate day) const;
    static quint32 slotOf(quint32 value) { return value & (MaxSlots - 1); }
    // The minute of the day the occurrence starts, from 1 (00:00) on; 0 when it began on an earlier day.
    static quint32 minuteOf(quint32 value) { return value >> SlotBits; }
    // Every value held, for the memory it takes.
    size_t size() const;

private:
    void append(quint32 slot, const std::vector<DaySpan>& spans, std::vector<bool>* touched);

    int m_year;
    qint64 m_firstDay; // Julian day number of 1 January
    std::vector<std::vector<quint32>> m_days;
};
