#pragma once

#include "controls/ButtonLayout.h"

#include <QRgb>
#include <QSize>
#include <QString>
#include <QtGlobal>

class QFont;
class QImage;

// The drawing primitives of the button, working pixel by pixel on its surface so that every pixel
// lands exactly where the drawing tables put it. Everything outside the surface is clipped. A surface at
// a scale above one (a screen of 1.25 or 2 times the pixels) is drawn in the button's own pixels, each
// covering the surface's pixels under it; its caption is drawn at the surface's own fineness.
class ButtonCanvas
{
public:
    // softBevel halves the colour offsets of the gradient, as it does for every bevel colour.
    // size: the button's own pixels the surface holds; an invalid size reads it from the surface's scale.
    ButtonCanvas(QImage& surface, bool softBevel, QSize size = QSize());

    int width() const { return m_width; }
    int height() const { return m_height; }

    // The rectangle from (x, y) inclusive to (x + cw, y + ch) exclusive.
    void fill(int x, int y, int cw, int ch, quint32 c);
    // The one-pixel border of the same rectangle.
    void frame(int x, int y, int cw, int ch, quint32 c);
    // From (x1, y1) towards (x2, y2), leaving out the end point.
    void line(int x1, int y1, int x2, int y2, quint32 c);
    void pixel(int x, int y, quint32 c);
    // The ellipse inscribed in the whole surface: a two-pixel outline around a filled interior.
    void ellipse(quint32 outline, quint32 interior);
    // Two rings of edges: c1 top and left, c2 right and bottom, then c3 and c4 one pixel further in.
    void bevel(quint32 c1, quint32 c2, quint32 c3, quint32 c4, int inset, bool single);
    // One line per row, each row k / height darker than the one before it (lighter for negative k).
    void gradient(quint32 base, int k, bool proportional, bool downwards);
    // The caption word-wrapped and centred in the rectangle, with "&" shown as an underline.
    void text(const ButtonRect& rect, const QString& caption, const QFont& font, quint32 c);
    // The dotted focus rectangle around the rectangle's edge pixels, drawn by inverting.
    void focusRect(const ButtonRect& rect);
    // Copies an image of the surface's size onto the whole surface.
    void copy(const QImage& image);

    // The surface's size in the button's own pixels, of which a surface at a scale has scale x scale
    // pixels each.
    static int logicalExtent(int devicePixels, qreal scale);
    // Where an edge between the button's own pixels falls on a surface at a scale.
    static int deviceEdge(int edge, int extent, int deviceExtent, qreal scale);

private:
    void span(int y, int x0, int x1, QRgb c); // inclusive, clipped
    int deviceX(int x) const;
    int deviceY(int y) const;

    QImage& m_surface;
    bool m_softBevel;
    qreal m_scale;
    int m_width;
    int m_height;
};
