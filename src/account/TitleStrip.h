#pragma once

#include <QString>

class ClickLabel;
class QWidget;

// The dark title strip of the account's windows with its caption, as the add dialog has it; the window
// makes it the strip it is dragged by.
ClickLabel* addTitleStrip(QWidget* form, const QString& caption, int widthTwips);
