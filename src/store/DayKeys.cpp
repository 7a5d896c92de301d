#include "store/DayKeys.h"

#include <Qt>

namespace DayKeys {

QDate startingDay(QDate chosen, QDate today, int shownMonth, int shownYear)
{
    const auto shown = [&](QDate day) {
        return day.isValid() && day.month() == shownMonth && day.year() == shownYear;
    };
    if (shown(chosen))
        return chosen;
    return shown(today) ? today : QDate(shownYear, shownMonth, 1);
}

std::optional<QDate> moved(QDate from, int qtKey, bool control)
{
    if (!from.isValid())
        return std::nullopt;
    switch (qtKey) {
    case Qt::Key_Left:
        return from.addDays(-1);
    case Qt::Key_Right:
        return from.addDays(1);
    case Qt::Key_Up:
        return from.addDays(-7);
    case Qt::Key_Down:
        return from.addDays(7);
    case Qt::Key_Home:
        return QDate(from.year(), from.month(), 1);
    case Qt::Key_End:
        return QDate(from.year(), from.month(), from.daysInMonth());
    case Qt::Key_PageUp:
        return control ? from.addYears(-1) : from.addMonths(-1);
    case Qt::Key_PageDown:
        return control ? from.addYears(1) : from.addMonths(1);
    default:
        return std::nullopt;
    }
}

} // namespace DayKeys
