#pragma once

#include <QDate>

#include <optional>

// How the keyboard moves the chosen day of a month calendar: the arrows by a day or a week, Home and
// End to the first and last day of its month, Page Up and Page Down by a month, or by a year with Ctrl.
// A move by months keeps the day of the month where the month is long enough, else its last day.
namespace DayKeys {

// The day the key moves to from `from`; no day for a key that moves nothing.
std::optional<QDate> moved(QDate from, int qtKey, bool control);

} // namespace DayKeys
