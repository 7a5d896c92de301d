#pragma once

#include <QString>

class QPainter;
class QRect;
class QWidget;
class ScreenService;
struct ProgramValues;

// Small routines the windows share.

// Centres the window on the primary screen.
void CentreForm(QWidget* window, const ScreenService& screen);

// Restores the window when it is minimised, shows it and brings it to the front with the keyboard focus.
void BringForward(QWidget* window);

// Moves the first character of text to its end, changes text to the result and returns it; the splash
// window's credit line scrolls this way.
QString RotateText(QString& text);

// Clears the clipboard and puts `LastDateText` on it; callers set that text first.
void CopyDateText(const ProgramValues& values);

// The light grey face of the splash and credits windows, with a raised edge, as no title bar frames them.
void PaintRaisedFace(QPainter& painter, const QRect& area);
