#include "store/Recurrence.h"

namespace Recurrence {

bool fallsOn(ScheduleKind kind, PackedDate stored, QDate day)
{
    if (!stored.isValid() || !day.isValid())
        return false;
    switch (kind) {
    case ScheduleKind::OneTime:
        return stored == PackedDate::from(day);
    case ScheduleKind::Monthly:
        return stored.day == day.day();
    case ScheduleKind::Yearly:
        return stored.month == day.month() && stored.day == day.day();
    case ScheduleKind::EveryDay:
        return true;
    case ScheduleKind::MondayToFriday:
        return day.dayOfWeek() <= 5;
    case ScheduleKind::Unknown:
        break;
    }
    return false;
}

bool IsPast(QDate date, QTime time, const QDateTime& now)
{
    const qint64 days = now.date().daysTo(date);
    if (days < 0)
        return true;
    if (days > 0)
        return false;
    const int minutes = time.hour() * 60 + time.minute() - (now.time().hour() * 60 + now.time().minute());
    return minutes <= 0;
}

bool isAlarmDue(const ScheduleTable& table, size_t i, const QDateTime& now)
{
    const qint32 second = qint32(now.time().msecsSinceStartOfDay() / 1000);
    return table.alarmSecond(i) == second && table.alarmOn(i) &&
           fallsOn(table.kind(i), table.date(i), now.date());
}

std::vector<size_t> dueAlarms(const ScheduleTable& table, const QDateTime& now)
{
    // The clock is read once for the whole pass, and only the entries whose alarm is set for this very
    // second are looked at.
    const qint32 second = qint32(now.time().msecsSinceStartOfDay() / 1000);
    const QDate today = now.date();
    std::vector<size_t> due = table.alarmsAt(second);
    std::erase_if(due, [&](size_t i) { return !fallsOn(table.kind(i), table.date(i), today); });
    return due;
}

} // namespace Recurrence
