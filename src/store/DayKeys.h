#pragma once

#include <QDate>

#include <optional>

// How the keyboard moves the chosen day of a month calendar: the arrows by a day or a week, Home and
// End to the first and last day of its month, Page Up and Page Down by a month, or by a year with Ctrl.
// A move by months keeps the day of the month where the month is long enough, else its last day.
namespace DayKeys {

// The day the keys work on in the month shown: the day last chosen when it lies there, else today when
// it lies there, else the month's first day. An invalid `chosen` means none was chosen yet.
QDate startingDay(QDate chosen, QDate today, int shownMonth, int shownYear);

// The day the key moves to from `from`; no day for a key that moves nothing.
std::optional<QDate> moved(QDate from, int qtKey, bool control);

} // namespace DayKeys
