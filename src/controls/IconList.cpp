#include "controls/IconList.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int Side = 16;

QPixmap blankPicture()
{
    QPixmap picture(Side, Side);
    picture.fill(Qt::transparent);
    return picture;
}

// A bell hanging from a knob, its rim across the lower third and the clapper showing below it.
void paintBell(QPainter& painter, const QColor& fill, const QColor& outline)
{
    QPainterPath body;
    body.moveTo(2.5, 12.5);
    body.cubicTo(4.0, 11.0, 3.8, 8.5, 4.2, 6.5);
    body.cubicTo(4.8, 3.0, 11.2, 3.0, 11.8, 6.5);
    body.cubicTo(12.2, 8.5, 12.0, 11.0, 13.5, 12.5);
    body.closeSubpath();
    painter.setPen(QPen(outline, 1.0));
    painter.setBrush(fill);
    painter.drawEllipse(QPointF(8.0, 2.6), 1.2, 1.2);
    painter.drawEllipse(QPointF(8.0, 13.6), 1.6, 1.6);
    painter.drawPath(body);
}

// A round face with hands at ten past two.
void paintClock(QPainter& painter, const QColor& rim, const QColor& face, const QColor& hands)
{
    painter.setPen(QPen(rim, 1.5));
    painter.setBrush(face);
    painter.drawEllipse(QPointF(8.0, 8.0), 6.5, 6.5);
    painter.setPen(QPen(hands, 1.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(8.0, 8.0), QPointF(8.0, 3.5));
    painter.drawLine(QPointF(8.0, 8.0), QPointF(11.0, 9.5));
}

QPixmap alarmOff()
{
    QPixmap picture = blankPicture();
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    paintBell(painter, QColor(0xd8, 0xd8, 0xd8), QColor(0x70, 0x70, 0x70));
    painter.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(2.0, 2.0), QPointF(14.0, 14.0));
    return picture;
}

QPixmap alarmOn()
{
    QPixmap picture = blankPicture();
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    paintBell(painter, QColor(0xf0, 0xc0, 0x10), QColor(0x80, 0x60, 0x00));
    return picture;
}

QPixmap entryAhead()
{
    QPixmap picture = blankPicture();
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    paintClock(painter, QColor(0x00, 0x70, 0x00), QColor(0x40, 0xc0, 0x40), Qt::white);
    return picture;
}

// A check mark: the entry is done with.
QPixmap entryPast()
{
    QPixmap picture = blankPicture();
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0xe0, 0x80, 0x20), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath check;
    check.moveTo(3.0, 8.5);
    check.lineTo(6.5, 12.0);
    check.lineTo(13.0, 4.0);
    painter.drawPath(check);
    return picture;
}

} // namespace

IconList::IconList(QObject* parent) : QObject(parent) {}

int IconList::Add(const QPixmap& picture)
{
    return Add(QIcon(picture));
}

int IconList::Add(const QIcon& icon)
{
    m_icons.append(icon);
    emit changed();
    return Count();
}

QPixmap IconList::ItemPicture(int index) const
{
    if (index < 1 || index > Count())
        return {};
    const QIcon& icon = m_icons.at(index - 1);
    const QList<QSize> sizes = icon.availableSizes();
    return icon.pixmap(sizes.isEmpty() ? QSize(Side, Side) : sizes.first());
}

std::unique_ptr<IconList> IconList::scheduleIcons()
{
    auto list = std::make_unique<IconList>();
    list->Add(alarmOff());
    list->Add(alarmOn());
    list->Add(entryAhead());
    list->Add(entryPast());
    return list;
}
