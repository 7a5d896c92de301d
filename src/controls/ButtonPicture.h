#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QVariant>

class QImage;

// A picture a button can carry: either a bitmap or an icon. Bitmaps are used as they are; icons are
// drawn at their natural size over the button's mask colour before they are composited.
class ButtonPicture
{
public:
    ButtonPicture() = default;
    ButtonPicture(const QPixmap& pixmap); // NOLINT(google-explicit-constructor): a picture is a pixmap
    ButtonPicture(const QIcon& icon);     // NOLINT(google-explicit-constructor): or an icon

    bool isNull() const;
    bool isIcon() const { return m_isIcon; }
    const QPixmap& pixmap() const { return m_pixmap; }
    const QIcon& icon() const { return m_icon; }

    // Width and height in pixels; an empty size when there is no picture.
    QSize pixelSize() const;

    // The picture as a width x height bitmap ready for compositing: icons (and bitmaps that carry
    // transparency) are drawn at (0, 0) over a bitmap filled with the mask colour.
    QImage toImage(QSize size, quint32 maskColor) const;

    // How the picture travels through the keyed property store.
    QVariant toVariant() const;
    static ButtonPicture fromVariant(const QVariant& value);

    bool operator==(const ButtonPicture& other) const;

private:
    QPixmap m_pixmap;
    QIcon m_icon;
    bool m_isIcon = false;
};
