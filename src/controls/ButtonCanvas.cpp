#include "controls/ButtonCanvas.h"

#include "controls/ButtonColor.h"
#include "controls/ButtonRegion.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

ButtonCanvas::ButtonCanvas(QImage& surface, bool softBevel, QSize size)
    : m_surface(surface), m_softBevel(softBevel), m_scale(surface.devicePixelRatio()),
      m_width(size.isValid() ? size.width() : logicalExtent(surface.width(), m_scale)),
      m_height(size.isValid() ? size.height() : logicalExtent(surface.height(), m_scale))
{}

int ButtonCanvas::logicalExtent(int devicePixels, qreal scale)
{
    return int(std::floor(devicePixels / scale + 0.001));
}

int ButtonCanvas::deviceEdge(int edge, int extent, int deviceExtent, qreal scale)
{
    // Edges in the first half are counted from the left or top and those in the second from the right or
    // bottom, so that an edge line is as thick on one side as on the other at any scale; the pixels a
    // fractional scale leaves over fall in the middle.
    if (2 * edge <= extent)
        return int(std::floor(edge * scale + 0.001));
    return deviceExtent - int(std::floor((extent - edge) * scale + 0.001));
}

int ButtonCanvas::deviceX(int x) const
{
    return deviceEdge(x, m_width, m_surface.width(), m_scale);
}

int ButtonCanvas::deviceY(int y) const
{
    return deviceEdge(y, m_height, m_surface.height(), m_scale);
}

void ButtonCanvas::span(int y, int x0, int x1, QRgb c)
{
    if (y < 0 || y >= m_height)
        return;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, m_width - 1);
    if (x0 > x1)
        return;
    const int left = deviceX(x0);
    const int right = deviceX(x1 + 1);
    for (int row = deviceY(y), end = deviceY(y + 1); row < end; ++row) {
        QRgb* pixels = reinterpret_cast<QRgb*>(m_surface.scanLine(row));
        std::fill(pixels + left, pixels + right, c);
    }
}

void ButtonCanvas::fill(int x, int y, int cw, int ch, quint32 c)
{
    if (cw <= 0 || ch <= 0)
        return;
    const QRgb rgb = ButtonColor::toRgb(c);
    for (int row = y; row < y + ch; ++row)
        span(row, x, x + cw - 1, rgb);
}

void ButtonCanvas::frame(int x, int y, int cw, int ch, quint32 c)
{
    if (cw <= 0 || ch <= 0)
        return;
    fill(x, y, cw, 1, c);
    fill(x, y + ch - 1, cw, 1, c);
    fill(x, y, 1, ch, c);
    fill(x + cw - 1, y, 1, ch, c);
}

void ButtonCanvas::pixel(int x, int y, quint32 c)
{
    span(y, x, x, ButtonColor::toRgb(c));
}

void ButtonCanvas::line(int x1, int y1, int x2, int y2, quint32 c)
{
    const QRgb rgb = ButtonColor::toRgb(c);
    const int dx = x2 - x1;
    const int dy = y2 - y1;
    if (dy == 0) {
        if (dx > 0)
            span(y1, x1, x2 - 1, rgb);
        else if (dx < 0)
            span(y1, x2 + 1, x1, rgb);
        return;
    }
    if (dx == 0) {
        const int step = dy > 0 ? 1 : -1;
        for (int y = y1; y != y2; y += step)
            span(y, x1, x1, rgb);
        return;
    }
    // A slanted line: one pixel per step along the longer axis, the other axis rounded.
    const int steps = std::max(std::abs(dx), std::abs(dy));
    const auto along = [steps](int start, int delta, int i) {
        const int twice = 2 * i * delta + (delta >= 0 ? steps : -steps);
        return start + twice / (2 * steps);
    };
    for (int i = 0; i < steps; ++i)
        span(along(y1, dy, i), along(x1, dx, i), along(x1, dx, i), rgb);
}

void ButtonCanvas::ellipse(quint32 outline, quint32 interior)
{
    const QRgb outer = ButtonColor::toRgb(outline);
    const QRgb inner = ButtonColor::toRgb(interior);
    for (int y = 0; y < m_height; ++y) {
        const auto row = ButtonRegion::ellipseRow(y, m_width, m_height, 0);
        if (!row)
            continue;
        span(y, row->first, row->second, outer);
        if (const auto inside = ButtonRegion::ellipseRow(y, m_width, m_height, 2))
            span(y, inside->first, inside->second, inner);
    }
}

void ButtonCanvas::bevel(quint32 c1, quint32 c2, quint32 c3, quint32 c4, int inset, bool single)
{
    const int e = inset;
    const int r = m_width - 1 - e;
    const int b = m_height - 1 - e;
    line(e, e, r, e, c1);
    line(e, e + 1, e, b, c1);
    line(r, e, r, b, c2);
    line(e, b, r + 1, b, c2);
    if (single)
        return;
    line(e + 1, e + 1, r - 1, e + 1, c3);
    line(e + 1, e + 2, e + 1, b - 1, c3);
    line(r - 1, e + 1, r - 1, b - 1, c4);
    line(e + 1, b - 1, r, b - 1, c4);
}

void ButtonCanvas::gradient(quint32 base, int k, bool proportional, bool downwards)
{
    if (m_height <= 0)
        return;
    const float step = float(k) / float(m_height);
    for (int i = 1; i <= m_height; ++i) {
        // nearbyint rounds halves to even in the default rounding mode.
        const int amount = int(std::nearbyint(-step * float(i)));
        const int y = downwards ? i : m_height - i;
        line(0, y, m_width, y, ButtonColor::offset(base, amount, proportional, m_softBevel));
    }
}

void ButtonCanvas::text(const ButtonRect& rect, const QString& caption, const QFont& font, quint32 c)
{
    if (caption.isEmpty())
        return;
    QPainter painter(&m_surface);
    QFont drawing = ButtonLayout::drawingFont(font);
    // On a screen of more pixels the letters' slants and curves are smoothed, as the desktop's are; at
    // one pixel each they stay sharp.
    if (m_scale > 1.0)
        drawing.setStyleStrategy(QFont::PreferAntialias);
    painter.setFont(drawing);
    painter.setPen(ButtonColor::toQColor(c));
    painter.drawText(rect.toQRect(), ButtonLayout::textFlags() | Qt::AlignHCenter, caption);
}

void ButtonCanvas::focusRect(const ButtonRect& rect)
{
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return;
    const int parity = (rect.left + rect.top) & 1;
    const auto invert = [this, parity](int x, int y) {
        if (x < 0 || y < 0 || x >= m_width || y >= m_height || ((x + y) & 1) != parity)
            return;
        for (int row = deviceY(y), rowEnd = deviceY(y + 1); row < rowEnd; ++row) {
            QRgb* pixels = reinterpret_cast<QRgb*>(m_surface.scanLine(row));
            for (int column = deviceX(x), columnEnd = deviceX(x + 1); column < columnEnd; ++column)
                pixels[column] = (pixels[column] ^ 0xFFFFFFu) | 0xFF000000u;
        }
    };
    for (int x = rect.left; x < rect.right; ++x) {
        invert(x, rect.top);
        if (rect.bottom - 1 != rect.top)
            invert(x, rect.bottom - 1);
    }
    for (int y = rect.top + 1; y < rect.bottom - 1; ++y) {
        invert(rect.left, y);
        if (rect.right - 1 != rect.left)
            invert(rect.right - 1, y);
    }
}

void ButtonCanvas::copy(const QImage& image)
{
    if (image.isNull())
        return;
    QPainter painter(&m_surface);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, image);
}
