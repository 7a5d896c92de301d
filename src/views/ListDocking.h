#pragma once

#include "forms/ListSide.h"

#include <QPoint>
#include <QRect>

// Where the countdown list sits beside the main window. Plain geometry in whatever unit the caller
// uses, so that the rule can be read and tested apart from the windows.
namespace ListDocking {

using Side = ListSide;

struct Place
{
    QPoint topLeft;
    Side side; // the `DockSide` it was docked on
};

// Putting the list back beside the main window on the side it was docked on (after a drag, or when the
// main window comes back). Level with the main window's top.
inline QPoint placeOnSide(const QRect& main, int listWidth, Side side)
{
    if (side == Side::Right)
        return QPoint(main.left() + main.width(), main.top());
    return QPoint(main.left() - listWidth, main.top());
}

// The "Co&untdown" command: on the left of the main window when there is room for the whole list
// there, otherwise on its right.
inline Place dockBeside(const QRect& main, int listWidth)
{
    const Side side = main.left() < listWidth ? Side::Right : Side::Left;
    return {placeOnSide(main, listWidth, side), side};
}

} // namespace ListDocking
