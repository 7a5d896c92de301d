#pragma once

#include <QColor>
#include <QRect>

class QPainter;
class QPalette;

// The three looks of a flat control.
enum class FlatState
{
    Normal = 1,       // no 3-D edge: the border is painted in the button-face colour
    HotOrFocused = 2, // thin sunken border, a combo's drop button raised
    DroppedDown = 4,  // thin sunken border, a combo's drop button pressed
};

// The system colours a flat frame is drawn with, read from a palette when the frame is painted.
struct FlatColours
{
    QColor face;       // button face
    QColor highlight;  // button highlight (the light edge of a 3-D border)
    QColor shadow;     // button shadow (the dark edge of a 3-D border)
    QColor background; // window background, the colour behind the text of an edit field

    static FlatColours fromPalette(const QPalette& palette);
};

// A one-pixel 3-D rectangle over the half-open rectangle [left, right) x [top, bottom): the left
// column and the top row in c1, the right column and the bottom row in c2. The top-left and
// bottom-left corners take c1, the other two c2. When left equals right only the c1 column at left
// is drawn, which is how a single vertical line is made.
void Rect3D(QPainter& painter, int left, int top, int right, int bottom, const QColor& c1, const QColor& c2);

// Paints the flat edges over a combo box that has already painted itself. client is the combo's own
// rectangle, dropButtonWidth the width of its drop button inside the two outer rings.
void drawFlatCombo(QPainter& painter, const QRect& client, int dropButtonWidth, FlatState state, bool enabled,
                   const FlatColours& colours);

// Paints the frame around a text box on the surface below it. control is the text box's rectangle in
// the painter's coordinates; the frame takes the two pixels around it (and, when hot, the three
// rings just inside, which the text box itself normally covers).
void drawFlatTextFrame(QPainter& painter, const QRect& control, FlatState state, bool enabled,
                       const FlatColours& colours);
