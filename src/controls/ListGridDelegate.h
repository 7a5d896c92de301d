#pragma once

#include <QStyledItemDelegate>

// Draws a list grid's cells as plain text: each cell either ends in "..." or is cut off at its edge,
// as its alignment asks, and the current cell gets no focus frame because the grid selects rows whole.
class ListGridDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
