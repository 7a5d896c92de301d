#pragma once

#include <QString>
#include <QtGlobal>

// One cell of a list grid as a window reads it back. Icon is a 0-based position in the grid's icon
// list (-1 for none); ForeColor is a 0x00BBGGRR value.
struct ListGridCell
{
    QString Text;
    int Icon = -1;
    quint32 ForeColor = 0;
};

// One cell as a grid holds it and as a bulk fill writes it: its text, icon (-1 for none), alignment (see
// ListGridAlignment) and fore colour (0x00BBGGRR).
struct ListGridCellDetails
{
    QString text;
    int icon = -1;
    int alignment = 0;
    quint32 foreColor = 0;
};

// The alignment numbers the windows pass for cells and headers: 0 left, 1 centred, 2 right. A text
// that does not fit is cut off at the cell's edge unless one of the ellipsis bits is set, in which
// case it ends in "..." instead; the windows write EllipsisSingleLine for that.
namespace ListGridAlignment {
inline constexpr int Left = 0;
inline constexpr int Centre = 1;
inline constexpr int Right = 2;
inline constexpr int EllipsisSingleLine = 0x40020;
inline constexpr int EllipsisBits = 0x4000 | 0x8000 | 0x40000;
} // namespace ListGridAlignment
