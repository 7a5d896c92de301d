#include "controls/VemraButtonPictures.h"

#include "controls/ButtonColor.h"
#include "controls/VemraButtonScene.h"

#include <QImage>

VemraButtonPictures::VemraButtonPictures(QImage& surface, const VemraButtonScene& scene)
    : m_surface(surface), m_scene(scene), m_x(scene.layout.picture.x()), m_y(scene.layout.picture.y())
{}

quint32 VemraButtonPictures::offset(quint32 c, int n) const
{
    return ButtonColor::offset(c, n, false, m_scene.softBevel);
}

PictureCompositor::Options VemraButtonPictures::plain() const
{
    PictureCompositor::Options options;
    options.key = m_scene.colors.mask;
    options.useKey = m_scene.useMaskColor;
    return options;
}

PictureCompositor::Options VemraButtonPictures::solid(quint32 color, bool darkOnly) const
{
    PictureCompositor::Options options = plain();
    options.solid = color;
    options.darkOnly = darkOnly;
    return options;
}

void VemraButtonPictures::drawPicture(const ButtonPicture& picture, int x, int y,
                                      PictureCompositor::Options options)
{
    const QSize size = m_scene.pictureSize;
    PictureCompositor::composite(m_surface, x, y, size.width(), size.height(),
                                 picture.toImage(size, m_scene.colors.mask), options);
}

void VemraButtonPictures::drawRelief(const ButtonPicture& picture, int shift)
{
    const int effect = m_scene.specialEffect;
    if (effect <= 0)
        return;
    const ButtonColorSet& c = m_scene.colors;
    quint32 base = c.face;
    if (m_scene.buttonType == 3)
        base = c.tint;
    else if (shift == -1 && m_scene.colorScheme != 2)
        base = c.accentTint;

    const int s = shift;
    drawPicture(picture, m_x + s + 1, m_y + s + 1, solid(offset(base, effect == 2 ? 40 : -40), false));
    if (effect == 1 || effect == 2)
        drawPicture(picture, m_x + s - 1, m_y + s - 1, solid(offset(base, effect == 2 ? -40 : 40), false));
}

void VemraButtonPictures::draw(State state)
{
    const ButtonPicture& normal = m_scene.pictureNormal;
    const ButtonPicture& over = m_scene.pictureOver;
    if (normal.isNull() || m_scene.pictureSize.isEmpty())
        return;
    const int type = m_scene.buttonType;
    const ButtonColorSet& c = m_scene.colors;
    const int x = m_x;
    const int y = m_y;

    switch (state) {
    case Up:
        if (m_scene.hovered && type == 9) {
            drawRelief(normal, -1);
            drawPicture(normal, x + 1, y + 1, solid(c.shadow, false));
            drawPicture(normal, x - 1, y - 1, plain());
        } else if (m_scene.hovered && !over.isNull()) {
            drawRelief(over, 0);
            drawPicture(over, x, y, plain());
        } else if (m_scene.hovered) {
            drawRelief(normal, 0);
            drawPicture(normal, x, y, plain());
        } else {
            drawRelief(normal, 0);
            PictureCompositor::Options options = plain();
            options.grey = m_scene.useGreyscale;
            options.ghost = !m_scene.useGreyscale && type == 9;
            drawPicture(normal, x, y, options);
        }
        break;
    case Pressed:
        if (!over.isNull() && type != 9) {
            const int shift = type == 5 ? 0 : 1;
            drawPicture(over, x + shift, y + shift, plain());
        } else if (type == 5 || type == 9) {
            drawRelief(normal, 0);
            drawPicture(normal, x, y, plain());
        } else {
            drawRelief(normal, 1);
            drawPicture(normal, x + 1, y + 1, plain());
        }
        break;
    case Disabled:
        if (type == 3) {
            PictureCompositor::Options options = plain();
            options.grey = true;
            drawPicture(normal, x + 1, y + 1, options);
        } else if (type == 5 || type == 6 || type == 9) {
            drawPicture(normal, x, y, solid(type == 9 ? offset(c.shadow, 13) : c.shadow, true));
        } else {
            drawPicture(normal, x + 1, y + 1, solid(c.highlight, true));
            drawPicture(normal, x, y, solid(c.shadow, true));
        }
        break;
    }
}
