#pragma once

#include <QDate>
#include <QString>
#include <QTime>

#include <optional>
#include <string_view>

// The fixed date and time texts of the program. Dates travel as "mm/dd/yyyy" text and are always read
// in month/day/year order, whatever the user's locale; times as "hh:mm:ss AM". Names of days and
// months, and the "Long Date" / "Short Date" forms, follow the locale in force (QLocale()).
namespace DateText {

inline const QString LongDate = QStringLiteral("Long Date");
inline const QString ShortDate = QStringLiteral("Short Date");

// Reads "3/7/2003" or "03/07/2003" as 7 March 2003. The year has four digits; anything else, or a
// day that does not exist, reads as no date.
std::optional<QDate> readDate(QStringView text);
std::optional<QDate> readDate(std::string_view utf8);

// Reads the forms the program writes ("02:30:00 PM") and plain 24-hour texts ("14:30", "14:30:05");
// also "2:30 pm". Anything else reads as no time.
std::optional<QTime> readTime(QStringView text);
std::optional<QTime> readTime(std::string_view utf8);

QString mmddyyyy(QDate date);   // "03/07/2003"
QString ddyyyy(QDate date);     // "07/2003"
QString mmdd(QDate date);       // "03/07"
QString dd(QDate date);         // "07"
QString dddd(QDate date);       // "Friday" (locale)
QString mmmm(QDate date);       // "March" (locale)
QString mmmmddyyyy(QDate date); // "March 07, 2003"
QString timeText(QTime time);   // "02:30:00 PM": two-digit 12-hour clock with AM/PM

// The date in one of the named formats; a name other than "Short Date" gives the long date, so that
// a stored format name the program does not know still copies a readable date.
QString namedFormat(QDate date, const QString& formatName);

// The cell date text of a month grid: month/day/year without leading zeros, e.g. "3/7/2003".
QString cellDateText(int month, const QString& dayCaption, const QString& yearText);

} // namespace DateText
