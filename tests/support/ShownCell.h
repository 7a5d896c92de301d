#pragma once

#include "controls/ListGrid.h"
#include "controls/ListGridDelegate.h"

#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>

// The text a list grid's cell shows, laid out as its delegate lays it out: a text too wide for the cell
// ends in an ellipsis where the cell asks for one, and is cut off at the cell's edges elsewhere.
inline QString shownCellText(const ListGrid* grid, int row, int column)
{
    struct Layout : ListGridDelegate
    {
        using ListGridDelegate::initStyleOption;
    };
    QTableView* view = grid->view();
    const QModelIndex index = view->model()->index(row - 1, column - 1);
    QStyleOptionViewItem option;
    option.initFrom(view->viewport());
    option.rect = view->visualRect(index);
    Layout().initStyleOption(&option, index);
    const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, &option, view) + 1;
    const QRect text = view->style()->subElementRect(QStyle::SE_ItemViewItemText, &option, view);
    return option.fontMetrics.elidedText(option.text, option.textElideMode, text.width() - 2 * margin);
}
