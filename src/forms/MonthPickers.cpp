#include "forms/MonthPickers.h"

#include "store/DateText.h"

#include <QComboBox>

namespace MonthPickers {

void fill(QComboBox* months, QComboBox* years, int centreYear)
{
    const QSignalBlocker blockMonths(months);
    const QSignalBlocker blockYears(years);
    months->clear();
    for (int month = 1; month <= 12; ++month)
        months->addItem(DateText::mmmm(QDate(2000, month, 1)));
    months->setCurrentIndex(-1);
    years->clear();
    for (int year = centreYear - 10; year <= centreYear + 10; ++year)
        years->addItem(QString::number(year));
    years->setCurrentIndex(-1);
}

} // namespace MonthPickers
