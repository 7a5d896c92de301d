#pragma once

#include <QDate>
#include <QString>

#include <vector>

// Where each day of a month sits in a seven-column block, Sunday first. Cell i shows day
// i - blanks + 1 in column i mod 7 and row i div 7; cell 0 always carries "1" and is shown only when the
// month begins on a Sunday.
namespace MonthLayout {

inline constexpr int MaxCells = 37; // 31 days and at most 6 leading blanks

// The number of days of the month (February follows the leap years).
qint16 DaysIn(int month, int year);

// Blank cells before the first day for the English weekday abbreviation "Sun" .. "Sat" (exact case);
// any other text gives 0.
qint16 GetBlanks(const QString& abbreviation);

// "Sun" .. "Sat" for the date's weekday, whatever the locale.
QString weekdayAbbreviation(QDate date);

struct CellPlace
{
    QString caption; // empty for a leading blank
    bool visible = false;
    int column = 0;
    int row = 0;
};

struct Layout
{
    int blanks = 0;
    int days = 0;
    int last = 0;                 // the highest cell index used: days + blanks - 1
    std::vector<CellPlace> cells; // cells 0 .. last
};

Layout layoutMonth(int month, int year);

} // namespace MonthLayout
