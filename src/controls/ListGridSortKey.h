#pragma once

#include <QStringView>

#include <optional>

// The numbers a grid sorts date columns by. Cell texts hold dates as month/day/year with a four-digit
// year, whatever the locale, because that is how the windows write them; a text that does not read as
// one gives no number and sorts before every date.
namespace ListGridSortKey {

// The day of "mm/dd/yyyy", one or two digits for month and day. Anything after a space that follows
// the date (a time, usually) is not looked at.
std::optional<qint64> day(QStringView text);

// The minute of "mm/dd/yyyy h:mm[:ss] [AM|PM]"; seconds are read but do not count. A date with no
// time is its midnight; a time that cannot be read makes the whole text unreadable. A time of day with no
// date ("02:30:00 PM") is that minute before every date.
std::optional<qint64> minute(QStringView text);

} // namespace ListGridSortKey
