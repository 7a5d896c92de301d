#include "store/MonthLayout.h"

#include <array>

namespace MonthLayout {
namespace {
constexpr std::array<const char*, 7> Abbreviations = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
}

qint16 DaysIn(int month, int year)
{
    return qint16(QDate(year, month, 1).daysInMonth());
}

qint16 GetBlanks(const QString& abbreviation)
{
    for (size_t i = 0; i < Abbreviations.size(); ++i) {
        if (abbreviation == QLatin1String(Abbreviations[i]))
            return qint16(i);
    }
    return 0;
}

QString weekdayAbbreviation(QDate date)
{
    return QLatin1String(Abbreviations[size_t(date.dayOfWeek() % 7)]);
}

Layout layoutMonth(int month, int year)
{
    Layout layout;
    layout.blanks = GetBlanks(weekdayAbbreviation(QDate(year, month, 1)));
    layout.days = DaysIn(month, year);
    layout.last = layout.days + layout.blanks - 1;
    layout.cells.resize(size_t(layout.last + 1));
    for (int i = 0; i <= layout.last; ++i) {
        CellPlace& cell = layout.cells[size_t(i)];
        const int day = i - layout.blanks + 1;
        cell.caption = day >= 1 ? QString::number(day) : QString();
        cell.visible = day >= 1;
        cell.column = i % 7;
        cell.row = i / 7;
    }
    // Cell 0 is the anchor of the block: it carries "1" even as a blank and is shown only when the
    // month begins on a Sunday.
    layout.cells[0].caption = QStringLiteral("1");
    layout.cells[0].visible = layout.blanks == 0;
    return layout;
}

} // namespace MonthLayout
