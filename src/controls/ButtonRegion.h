#pragma once

#include <QRegion>

#include <optional>
#include <utility>

// The window region of a button: the full rectangle with single corner pixels cut for some types,
// or the inscribed ellipse for type 13.
class ButtonRegion
{
public:
    static QRegion build(int buttonType, int width, int height);

    // The first and last pixel of row y whose centres lie inside the ellipse inscribed in
    // (inset, inset)-(width - inset, height - inset); nothing when the row misses it.
    static std::optional<std::pair<int, int>> ellipseRow(int y, int width, int height, int inset);
};
