#pragma once

#include <Qt>

#include <functional>

class QKeySequence;
class QWidget;
class VemraButton;
class ScreenService;
struct ProgramValues;

// The window routines every window shares: moving and stacking the borderless windows, bringing one
// forward and copying a date.

// Starts moving a borderless window with the mouse, from the mouse-down of its title strip. Only the left
// button drags. The window system moves the window where it can; elsewhere the window follows the mouse
// until the button is released. afterDrag runs once the drag has ended and the window stands at its new
// place.
void DragWindow(QWidget* window, Qt::MouseButton button, std::function<void()> afterDrag = {});

// Puts the window into the top-most band (or out of it), keeping its size, and moves it to the screen
// origin: callers that want it elsewhere place it afterwards.
void SetTopMost(QWidget* window, bool flag);

// Centres the window on the primary screen.
void CentreForm(QWidget* window, const ScreenService& screen);

// Restores the window when it is minimised, shows it and brings it to the front with the keyboard focus.
void BringForward(QWidget* window);

// Clears the clipboard and puts `LastDateText` on it; callers set that text first.
void CopyDateText(const ProgramValues& values);

// Gives a button whose caption marks no access key a key of its own that presses it.
void bindCommandKey(VemraButton* command, const QKeySequence& key);
