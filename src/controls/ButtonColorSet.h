#pragma once

#include <QtGlobal>

class QPalette;

// The colours a button draws with, derived from its colour scheme and colour properties.
struct ButtonColorSet
{
    quint32 face = 0;
    quint32 faceOver = 0;
    quint32 light = 0;
    quint32 highlight = 0;
    quint32 shadow = 0;
    quint32 darkShadow = 0;
    quint32 text = 0;
    quint32 textOver = 0;
    quint32 mask = 0;
    quint32 accent = 0;
    quint32 accentTint = 0;
    quint32 tint = 0;

    // What the colours are derived from.
    struct Source
    {
        int colorScheme = 1;
        quint32 backColor = 0;
        quint32 backOver = 0;
        quint32 foreColor = 0;
        quint32 foreOver = 0;
        quint32 maskColor = 0xC0C0C0;
        bool softBevel = false;
        int buttonType = 2;
    };

    // palette: the button's own (system colours); container: its parent's (scheme 4).
    static ButtonColorSet derive(const Source& source, const QPalette& palette, const QPalette& container);

    bool operator==(const ButtonColorSet&) const = default;
};
