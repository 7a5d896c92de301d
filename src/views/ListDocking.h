#pragma once

#include <QPoint>
#include <QRect>
#include <QString>

// Where the countdown list sits beside the main window. Plain geometry in whatever unit the caller
// uses, so that the rule can be read and tested apart from the windows.
namespace ListDocking {

inline const QString Left = QStringLiteral("LEFT");
inline const QString Right = QStringLiteral("RIGHT");

struct Place
{
    QPoint topLeft;
    QString side; // the `DockSide` it was docked on
};

// Putting the list back beside the main window on the side it was docked on (after a drag, or when the
// main window comes back): any side other than "RIGHT" is the left. Level with the main window's top.
inline QPoint placeOnSide(const QRect& main, int listWidth, const QString& side)
{
    if (side == Right)
        return QPoint(main.left() + main.width(), main.top());
    return QPoint(main.left() - listWidth, main.top());
}

// The "Co&untdown" command: on the left of the main window when there is room for the whole list
// there, otherwise on its right.
inline Place dockBeside(const QRect& main, int listWidth)
{
    const QString side = main.left() < listWidth ? Right : Left;
    return {placeOnSide(main, listWidth, side), side};
}

} // namespace ListDocking
