#pragma once

#include "store/MonthGrid.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

#include <cmath>

// The windows are designed in twips (1/1440 inch) and laid out absolutely at 96 dpi, where 15 twips make
// one pixel; colours are designed as 0x00BBGGRR values. These helpers turn design values into Qt's.
namespace Design {

inline constexpr int TwipsPerPixel = 15;

inline int px(int twips)
{
    return int(std::lround(double(twips) / TwipsPerPixel));
}

inline int twipsOf(int pixels)
{
    return pixels * TwipsPerPixel;
}

inline QRect rect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

inline QColor color(BgrColor bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

inline BgrColor bgr(const QColor& color)
{
    return BgrColor(color.red()) | (BgrColor(color.green()) << 8) | (BgrColor(color.blue()) << 16);
}

// The designed faces are asked for first; where they are missing, faces of like width and shape come
// before whatever the system would otherwise pick, so that captions keep to their designed places.
inline QFont font(const QString& family, qreal points, bool bold = false)
{
    QFont f;
    if (family == QLatin1String("Tahoma"))
        f.setFamilies({family, QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                       QStringLiteral("Nimbus Sans")});
    else if (family == QLatin1String("MS Serif"))
        f.setFamilies({family, QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                       QStringLiteral("Nimbus Roman")});
    else
        f.setFamily(family);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

} // namespace Design
