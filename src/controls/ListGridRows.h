#pragma once

#include "controls/ListGridCell.h"
#include "controls/ListGridSort.h"

#include <vector>

// Rows a list grid does not hold: a window listing a great many entries gives the grid one of these,
// and the grid asks it for a cell only when a row is painted or read, so a list of a million entries
// costs the grid nothing per row. Rows and columns are counted from 1, as the windows count them.
class ListGridRows
{
public:
    virtual ~ListGridRows() = default;

    virtual int count() const = 0;
    virtual ListGridCellDetails cell(int row, int column) const = 0;
    // What assistive tools read for a cell that shows a picture only; empty where its text says it.
    virtual QString spokenText(int /*row*/, int /*column*/) const { return {}; }
    // Puts the rows in order by the column, equal keys keeping their order either way, and returns for
    // each row in the new order the row (from 0) it was before, so that the selection can move with it.
    virtual std::vector<int> sortBy(int column, ListGridSortType type, ListGridSortOrder order) = 0;
};
