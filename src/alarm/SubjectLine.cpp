#include "alarm/SubjectLine.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

#include <cmath>

namespace {

constexpr qreal SmallestPointSize = 4.0;
constexpr qreal PointStep = 0.25;

} // namespace

SubjectLine::SubjectLine(QWidget* parent) : ClickLabel(parent) {}

QTextOption SubjectLine::wrapping()
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

QSize SubjectLine::laidOutSize(const QString& text, const QFont& font, int width)
{
    QTextLayout layout(text, font);
    layout.setTextOption(wrapping());
    const qreal leading = QFontMetricsF(font).leading();
    qreal height = 0;
    qreal widest = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        height += leading;
        line.setPosition(QPointF(0, height));
        height += line.height();
        widest = qMax(widest, line.naturalTextWidth());
    }
    layout.endLayout();
    return QSize(int(std::ceil(widest)), int(std::ceil(height)));
}

QFont SubjectLine::fittingFont(const QString& text, const QFont& font, const QSize& box)
{
    QFont fitted = font;
    qreal size = font.pointSizeF() > 0 ? font.pointSizeF() : SmallestPointSize;
    for (; size > SmallestPointSize; size -= PointStep) {
        fitted.setPointSizeF(size);
        const QSize needed = laidOutSize(text, fitted, box.width());
        if (needed.height() <= box.height() && needed.width() <= box.width())
            return fitted;
    }
    fitted.setPointSizeF(SmallestPointSize);
    return fitted;
}

QFont SubjectLine::shownFont() const
{
    return fittingFont(text(), font(), contentsRect().size());
}

void SubjectLine::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    painter.setFont(shownFont());
    QTextOption option = wrapping();
    option.setAlignment(alignment());
    painter.drawText(QRectF(contentsRect()), text(), option);
}
