#include "controls/ButtonPicture.h"

#include "controls/ButtonColor.h"

#include <QImage>
#include <QPainter>

namespace {

// Icons have no size of their own; like the host's standard icons they are shown at up to 32 x 32.
constexpr QSize NaturalIconSize(32, 32);

} // namespace

ButtonPicture::ButtonPicture(const QPixmap& pixmap) : m_pixmap(pixmap) {}

ButtonPicture::ButtonPicture(const QIcon& icon) : m_icon(icon), m_isIcon(true) {}

bool ButtonPicture::isNull() const
{
    return m_isIcon ? m_icon.isNull() : m_pixmap.isNull();
}

QSize ButtonPicture::pixelSize() const
{
    if (isNull())
        return QSize();
    return m_isIcon ? m_icon.actualSize(NaturalIconSize) : m_pixmap.size();
}

QImage ButtonPicture::toImage(QSize size, quint32 maskColor) const
{
    if (isNull() || size.isEmpty())
        return QImage();
    if (!m_isIcon && !m_pixmap.hasAlphaChannel() && m_pixmap.size() == size)
        return m_pixmap.toImage();

    QImage image(size, QImage::Format_RGB32);
    image.fill(ButtonColor::toQColor(maskColor));
    QPainter painter(&image);
    if (m_isIcon)
        painter.drawPixmap(0, 0, m_icon.pixmap(m_icon.actualSize(NaturalIconSize)));
    else
        painter.drawPixmap(0, 0, m_pixmap);
    return image;
}

QVariant ButtonPicture::toVariant() const
{
    if (isNull())
        return QVariant();
    return m_isIcon ? QVariant::fromValue(m_icon) : QVariant::fromValue(m_pixmap);
}

ButtonPicture ButtonPicture::fromVariant(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::QIcon:
        return ButtonPicture(value.value<QIcon>());
    case QMetaType::QPixmap:
        return ButtonPicture(value.value<QPixmap>());
    case QMetaType::QImage:
        return ButtonPicture(QPixmap::fromImage(value.value<QImage>()));
    default:
        return ButtonPicture();
    }
}

bool ButtonPicture::operator==(const ButtonPicture& other) const
{
    if (isNull() || other.isNull())
        return isNull() == other.isNull();
    if (m_isIcon != other.m_isIcon)
        return false;
    return m_isIcon ? m_icon.cacheKey() == other.m_icon.cacheKey()
                    : m_pixmap.cacheKey() == other.m_pixmap.cacheKey();
}
