#pragma once

#include "store/KeptRecurrences.h"
#include "store/ScheduleTable.h"

#include <QDate>

#include <array>

// The days of one year that carry entries, by the same rules as the main window's day marking: a
// one-time entry on its own day (when its date is stored in the "mm/dd/yyyy" form and its alarm time
// can be read), a yearly entry on its month and day, a monthly entry on its day of every month that
// has that day; every-day and weekday entries mark nothing. The year view shows these days in bold.
class YearMarks
{
public:
    YearMarks() = default;

    // Walks the table once for the whole year; every day an occurrence of a kept recurrence touches is
    // marked too.
    static YearMarks of(const ScheduleTable& table, int year, const KeptRecurrences* kept = nullptr);

    int year() const { return m_year; }
    // Bit d is set when day d (1-31) of the month (1-12) carries an entry; no other bit is ever set.
    quint32 days(int month) const;
    bool isMarked(QDate date) const;

    bool operator==(const YearMarks&) const = default;

private:
    int m_year = 0;
    std::array<quint32, 12> m_days{};
};
