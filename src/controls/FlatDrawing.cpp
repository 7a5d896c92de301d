#include "controls/FlatDrawing.h"

#include <QPainter>
#include <QPalette>

#include <utility>

namespace {

// A rectangle by its edges, right and bottom exclusive, as the flat drawing rules count pixels.
struct Edges
{
    int left;
    int top;
    int right;
    int bottom;

    explicit Edges(const QRect& r)
        : left(r.left()), top(r.top()), right(r.left() + r.width()), bottom(r.top() + r.height())
    {}

    void shrink()
    {
        ++left;
        ++top;
        --right;
        --bottom;
    }
};

// A horizontal or vertical one-pixel line from (x1, y1) towards (x2, y2). The end point is left out,
// so that joined lines never paint a corner twice.
void segment(QPainter& painter, int x1, int y1, int x2, int y2, const QColor& colour)
{
    Q_ASSERT(x1 == x2 || y1 == y2);
    if (x1 == x2 && y1 == y2)
        return;
    if (y1 == y2) {
        const int from = x1 < x2 ? x1 : x2 + 1;
        const int to = x1 < x2 ? x2 - 1 : x1;
        painter.fillRect(QRect(QPoint(from, y1), QPoint(to, y1)), colour);
    } else {
        const int from = y1 < y2 ? y1 : y2 + 1;
        const int to = y1 < y2 ? y2 - 1 : y1;
        painter.fillRect(QRect(QPoint(x1, from), QPoint(x1, to)), colour);
    }
}

void rect3D(QPainter& painter, const Edges& e, const QColor& c1, const QColor& c2)
{
    Rect3D(painter, e.left, e.top, e.right, e.bottom, c1, c2);
}

// The sunken pair for the hot and dropped looks, the invisible face pair for the normal one.
std::pair<QColor, QColor> edgePair(FlatState state, const FlatColours& colours)
{
    if (state == FlatState::Normal)
        return {colours.face, colours.face};
    return {colours.shadow, colours.highlight};
}

} // namespace

FlatColours FlatColours::fromPalette(const QPalette& palette)
{
    // A colour that cannot be read is drawn with all bits set, which shows as white.
    const auto translate = [&palette](QPalette::ColorRole role) {
        const QColor colour = palette.color(QPalette::Active, role);
        return colour.isValid() ? colour : QColor(255, 255, 255);
    };
    return {translate(QPalette::Button), translate(QPalette::Light), translate(QPalette::Dark),
            translate(QPalette::Base)};
}

void Rect3D(QPainter& painter, int left, int top, int right, int bottom, const QColor& c1, const QColor& c2)
{
    segment(painter, left, bottom - 1, left, top, c1);
    segment(painter, left, top, right - 1, top, c1);
    if (left == right)
        return;
    segment(painter, right - 1, top, right - 1, bottom - 1, c2);
    segment(painter, right - 1, bottom - 1, left, bottom - 1, c2);
}

void drawFlatCombo(QPainter& painter, const QRect& client, int dropButtonWidth, FlatState state, bool enabled,
                   const FlatColours& colours)
{
    const auto [c1, c2] = edgePair(state, colours);
    Edges r(client);
    rect3D(painter, r, c1, c2);

    r.shrink();
    const QColor& inner = enabled ? colours.face : colours.highlight;
    rect3D(painter, r, inner, inner);

    // The drop button: first wipe the combo's own button edges with the face colour.
    r.shrink();
    r.left = r.right - dropButtonWidth;
    rect3D(painter, r, colours.face, colours.face);
    r.shrink();
    rect3D(painter, r, colours.face, colours.face);
    if (!enabled)
        return;

    switch (state) {
    case FlatState::Normal:
        --r.top;
        ++r.bottom;
        rect3D(painter, r, colours.highlight, colours.highlight);
        // A line in the edit field's colour just left of the button joins the field to the button.
        --r.left;
        r.right = r.left;
        rect3D(painter, r, colours.background, QColor(0, 0, 0));
        break;
    case FlatState::HotOrFocused:
    case FlatState::DroppedDown:
        // The button grows back over the ring the normal look left around it; raised while hot or
        // focused, pressed (edge colours swapped) while the list is down.
        --r.top;
        ++r.bottom;
        ++r.right;
        if (state == FlatState::DroppedDown)
            rect3D(painter, r, colours.shadow, colours.highlight);
        else
            rect3D(painter, r, colours.highlight, colours.shadow);
        break;
    }
}

void drawFlatTextFrame(QPainter& painter, const QRect& control, FlatState state, bool enabled,
                       const FlatColours& colours)
{
    const auto [c1, c2] = edgePair(state, colours);
    Edges r(control.adjusted(-2, -2, 2, 2));
    rect3D(painter, r, c1, c2);

    r.shrink();
    const QColor& inner = enabled ? colours.face : colours.highlight;
    rect3D(painter, r, inner, inner);
    if (!enabled || state == FlatState::Normal)
        return;
    for (int ring = 0; ring < 3; ++ring) {
        r.shrink();
        rect3D(painter, r, colours.highlight, colours.highlight);
    }
}
