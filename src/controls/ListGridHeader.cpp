#include "controls/ListGridHeader.h"

#include <QIcon>
#include <QPainter>

namespace {

constexpr int TextMargin = 4;
constexpr int IconSide = 16;

} // namespace

ListGridHeader::ListGridHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent)
{
    setSectionsClickable(true);
    setHighlightSections(false);
    setSortIndicatorShown(false);
    setStretchLastSection(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void ListGridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    if (!rect.isValid())
        return;
    const QPalette& colours = palette();
    painter->fillRect(rect, colours.color(QPalette::Button));
    painter->setPen(colours.color(QPalette::Dark));
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());

    QRect content = rect.adjusted(TextMargin, 0, -TextMargin - 1, -1);
    const QIcon icon = model()->headerData(logicalIndex, orientation(), Qt::DecorationRole).value<QIcon>();
    if (!icon.isNull() && content.width() > 0) {
        const QRect iconRect(content.left(), content.top() + (content.height() - IconSide) / 2, IconSide,
                             IconSide);
        icon.paint(painter, iconRect);
        content.setLeft(iconRect.right() + 1 + TextMargin);
    }
    const QString text = model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString();
    const int alignment = model()->headerData(logicalIndex, orientation(), Qt::TextAlignmentRole).toInt();
    painter->setPen(colours.color(QPalette::ButtonText));
    painter->drawText(content, alignment | Qt::TextSingleLine,
                      fontMetrics().elidedText(text, Qt::ElideRight, content.width()));
}
