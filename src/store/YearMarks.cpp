#include "store/YearMarks.h"

#include "store/MonthLayout.h"

namespace {

constexpr quint32 dayBit(int day)
{
    return quint32(1) << day;
}

// Bits 1 to the month's last day.
quint32 daysOfMonth(int month, int year)
{
    const int last = MonthLayout::DaysIn(month, year);
    return (~quint32(0) >> (31 - last)) & ~quint32(1);
}

} // namespace

YearMarks YearMarks::of(const ScheduleTable& table, int year, const KeptRecurrences* kept)
{
    YearMarks marks;
    marks.m_year = year;

    // The table's marking keys sort every entry into the one month it marks (one-time and yearly
    // entries) or into every month (monthly entries), so one pass decides all twelve months.
    const qint32 firstOneTimeKey = ScheduleTable::oneTimeMarkKey(year, 1);
    const qint32 lastOneTimeKey = ScheduleTable::oneTimeMarkKey(year, 12);
    quint32 monthly = 0;
    const qint32* keys = table.markKeys();
    const size_t count = table.size();
    for (size_t i = 0; i < count; ++i) {
        const qint32 key = keys[i];
        if (key == 0)
            continue;
        if (key == ScheduleTable::MonthlyMarkKey) {
            monthly |= dayBit(table.date(i).day);
        } else if (key >= 1 && key <= 12) {
            marks.m_days[size_t(key - 1)] |= dayBit(table.date(i).day);
        } else if (key >= firstOneTimeKey && key <= lastOneTimeKey) {
            // The main window cannot tell such an entry past or not and leaves its day unmarked.
            if (table.alarmSecond(i) == ScheduleTable::NoTime)
                continue;
            marks.m_days[size_t(key - firstOneTimeKey)] |= dayBit(table.date(i).day);
        }
    }

    // A day the month does not have (a monthly 31st in April, a yearly 29 February in 2003) is no day
    // of the calendar and stays unmarked.
    for (int month = 1; month <= 12; ++month)
        marks.m_days[size_t(month - 1)] =
            (marks.m_days[size_t(month - 1)] | monthly) & daysOfMonth(month, year);
    if (kept) {
        const QDate first(year, 1, 1);
        const QDate last(year, 12, 31);
        for (const KeptRecurrences::Occurring& o : kept->onDays(first, last)) {
            for (QDate d = std::max(o.firstDay, first); d <= std::min(o.lastDay, last); d = d.addDays(1))
                marks.m_days[size_t(d.month() - 1)] |= dayBit(d.day());
        }
    }
    return marks;
}

quint32 YearMarks::days(int month) const
{
    return month >= 1 && month <= 12 ? m_days[size_t(month - 1)] : 0;
}

bool YearMarks::isMarked(QDate date) const
{
    return date.isValid() && date.year() == m_year && (days(date.month()) & dayBit(date.day()));
}
