#pragma once

#include "store/ScheduleTable.h"

#include <QDateTime>

#include <vector>

// The rules that decide on which days an entry falls and when it is due. The alarm check, the day
// markings and the countdown list all use these, so that a day coloured on the calendar and an alarm
// that rings never disagree.
namespace Recurrence {

// Whether an entry of the kind, stored with the date, falls on the day:
// one time: that date; monthly: that day of the month, in every month of every year; yearly: that month
// and day in every year; every day: always; Monday to Friday: on weekdays. A stored date that is no
// date never falls on any day, whatever the kind.
bool fallsOn(ScheduleKind kind, PackedDate stored, QDate day);

// Seconds of the day and the days they fall on, counted as one number of the local wall clock:
// the day's Julian day number * 86400 + the second of the day. A daylight-saving step shows in it as
// the clock jumping back or forward, as the user sees it.
constexpr qint64 SecondsPerDay = 86400;
inline qint64 wallSecond(QDate date, qint32 secondOfDay)
{
    return date.toJulianDay() * SecondsPerDay + secondOfDay;
}
inline qint64 wallSecond(const QDateTime& when)
{
    return wallSecond(when.date(), qint32(when.time().msecsSinceStartOfDay() / 1000));
}
// The day and the time of day a wall second stands for.
inline QDate wallDate(qint64 second)
{
    return QDate::fromJulianDay(second / SecondsPerDay);
}
inline QTime wallTime(qint64 second)
{
    return QTime::fromMSecsSinceStartOfDay(int(second % SecondsPerDay) * 1000);
}

// Whether an entry whose date and time are given has gone by: from the first second of its own minute on.
bool IsPast(QDate date, QTime time, const QDateTime& now);

// Minutes counted so that a later date and time always count more: the date's packed parts, then the
// minute of the day. An entry has gone by (IsPast) once the minute of "now" reaches its own, so a walk
// over a million entries compares integers instead of making dates.
inline qint64 minuteKey(PackedDate date, qint32 secondOfDay)
{
    const qint64 day = qint64(date.year) * 512 + date.month * 32 + date.day;
    return day * 1440 + secondOfDay / 60;
}

inline qint64 minuteKey(const QDateTime& now)
{
    return minuteKey(PackedDate::from(now.date()), qint32(now.time().msecsSinceStartOfDay() / 1000));
}

// Whether the table's entry i is due at the given second: its rule falls on today, its alarm time is
// this very second and its switch is exactly "on".
bool isAlarmDue(const ScheduleTable& table, size_t i, const QDateTime& now);

// The positions of every entry due at this second, in walk order.
std::vector<size_t> dueAlarms(const ScheduleTable& table, const QDateTime& now);

} // namespace Recurrence
