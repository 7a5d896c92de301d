#include "controls/ListGridDelegate.h"

#include "controls/ListGridModel.h"

void ListGridDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->textElideMode = index.data(ListGridModel::ElideRole).toBool() ? Qt::ElideRight : Qt::ElideNone;
    option->state &= ~QStyle::State_HasFocus;
}
