#include "support/MonthGrids.h"

#include "store/MonthLayout.h"

MonthGrid unmarkedGrid(int month, int year)
{
    MonthGrid grid;
    grid.monthIndex = month - 1;
    grid.yearText = QString::number(year);
    for (const MonthLayout::CellPlace& place : MonthLayout::layoutMonth(month, year).cells)
        grid.cells.push_back(DayCell{place.caption, place.visible, Bgr::White, Bgr::Black, false});
    return grid;
}
