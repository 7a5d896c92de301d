#include "app/ProgramModule.h"

#include <QPainter>

QString RotateText(QString& text)
{
    if (text.isEmpty())
        return text;
    // A character outside the basic plane is two code units; it moves as one.
    const qsizetype first = text.size() > 1 && text.at(0).isHighSurrogate() ? 2 : 1;
    text = text.mid(first) + text.left(first);
    return text;
}

void PaintRaisedFace(QPainter& painter, const QRect& area)
{
    painter.fillRect(area, QColor(0xC0, 0xC0, 0xC0));
    painter.setPen(QColor(0x40, 0x40, 0x40));
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    painter.setPen(Qt::white);
    painter.drawLine(area.left() + 1, area.top() + 1, area.right() - 1, area.top() + 1);
    painter.drawLine(area.left() + 1, area.top() + 1, area.left() + 1, area.bottom() - 1);
}
