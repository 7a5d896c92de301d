#pragma once

#include <Qt>

// The numbers a button's mouse and key events carry: the host's mouse button and shift-state bits
// and its virtual-key codes.
class HostInput
{
public:
    static constexpr short LeftButton = 1;
    static constexpr short RightButton = 2;
    static constexpr short MiddleButton = 4;

    static constexpr short SpaceKey = 32;
    static constexpr short LeftKey = 37;
    static constexpr short UpKey = 38;
    static constexpr short RightKey = 39;
    static constexpr short DownKey = 40;

    // One button (the one that changed), or the set of buttons held, as 1 left, 2 right, 4 middle.
    static short mouseButton(Qt::MouseButton button);
    static short mouseButtons(Qt::MouseButtons buttons);
    // 1 Shift, 2 Ctrl, 4 Alt.
    static short shiftState(Qt::KeyboardModifiers modifiers);
    // The virtual-key code of a key (letters and digits keep their upper-case character code);
    // 0 for keys the host has no code for.
    static short keyCode(int qtKey);
    // The pointer shape for one of the host's pointer numbers (1 arrow, 2 cross, 3 I-beam, ...);
    // the arrow for numbers without a shape of their own.
    static Qt::CursorShape cursorShape(short pointer);
};
