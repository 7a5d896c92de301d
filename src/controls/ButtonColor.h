#pragma once

#include <QColor>
#include <QtGlobal>

class QPalette;

// Colour values as the button keeps them: 0x00BBGGRR (255 is red). A value with the top bit set
// names a system colour by its index in the low byte and is translated before drawing.
class ButtonColor
{
public:
    static constexpr quint32 SystemBit = 0x80000000u;

    // The system colours a button can name; the numbers are the host's colour indices.
    enum System : quint32
    {
        ScrollBar = SystemBit | 0,
        Desktop = SystemBit | 1,
        ActiveTitleBar = SystemBit | 2,
        InactiveTitleBar = SystemBit | 3,
        MenuBar = SystemBit | 4,
        WindowBackground = SystemBit | 5,
        WindowFrame = SystemBit | 6,
        MenuText = SystemBit | 7,
        WindowText = SystemBit | 8,
        TitleBarText = SystemBit | 9,
        ActiveBorder = SystemBit | 10,
        InactiveBorder = SystemBit | 11,
        ApplicationWorkspace = SystemBit | 12,
        Highlight = SystemBit | 13,
        HighlightText = SystemBit | 14,
        ButtonFace = SystemBit | 15,
        ButtonShadow = SystemBit | 16,
        GrayText = SystemBit | 17,
        ButtonText = SystemBit | 18,
        InactiveTitleBarText = SystemBit | 19,
        ButtonHighlight = SystemBit | 20,
        ButtonDarkShadow = SystemBit | 21,
        ButtonLight = SystemBit | 22,
        InfoText = SystemBit | 23,
        InfoBackground = SystemBit | 24,
    };

    static constexpr int red(quint32 c) { return int(c & 0xFF); }
    static constexpr int green(quint32 c) { return int((c >> 8) & 0xFF); }
    static constexpr int blue(quint32 c) { return int((c >> 16) & 0xFF); }
    static constexpr quint32 rgb(int r, int g, int b)
    {
        return quint32(r) | (quint32(g) << 8) | (quint32(b) << 16);
    }
    static constexpr bool isSystem(quint32 c) { return (c & SystemBit) != 0; }

    // A plain value for a colour property: system colours come from the palette's active group.
    static quint32 translate(quint32 c, const QPalette& palette);

    // Shifts red and green by n, and blue by n (or by blue * n / 192 when proportional), capped
    // at 255 going up and at 0 going down. With the soft bevel n is halved first.
    static quint32 offset(quint32 c, int n, bool proportional = false, bool softBevel = false);

    // Moves every component towards white: v + (255 - v) * n / 255 in effect.
    static quint32 blend(quint32 c, int n);

    static QRgb toRgb(quint32 c) { return qRgb(red(c), green(c), blue(c)); }
    static QColor toQColor(quint32 c) { return QColor(red(c), green(c), blue(c)); }
    static quint32 fromQColor(const QColor& color) { return rgb(color.red(), color.green(), color.blue()); }
    static quint32 fromRgb(QRgb value) { return rgb(qRed(value), qGreen(value), qBlue(value)); }
};
