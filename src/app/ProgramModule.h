#pragma once

#include <QString>

class QPainter;
class QRect;

// Small routines of the splash and credits windows.

// Moves the first character of text to its end, changes text to the result and returns it; the splash
// window's credit line scrolls this way.
QString RotateText(QString& text);

// The light grey face of the splash and credits windows, with a raised edge, as no title bar frames them.
void PaintRaisedFace(QPainter& painter, const QRect& area);
