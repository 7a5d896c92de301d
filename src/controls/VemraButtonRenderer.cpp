#include "controls/VemraButtonRenderer.h"

#include "controls/ButtonColor.h"
#include "controls/VemraButtonPictures.h"
#include "controls/VemraButtonScene.h"

#include <QImage>

namespace {

// The fixed colours of the gradient type's outline and its edge sets.
constexpr quint32 Type3Outline = 0x733C00;
constexpr quint32 Type3InnerCorner = 0x7B4D10;
constexpr quint32 CaptionFrameColor = 0xCC9999;

struct EdgeSet
{
    quint32 frame;
    quint32 bottom;
    quint32 top;
    quint32 second;
    quint32 sides;
};
constexpr EdgeSet HoveredEdges{0x31B2FF, 0x0096E7, 0xCEF3FF, 0x8CDBFF, 0x6BCBFF};
constexpr EdgeSet MarkedEdges{0xE7AE8C, 0xEF826B, 0xFFE7CE, 0xF7D7BD, 0xF0D1B5};

} // namespace

VemraButtonRenderer::VemraButtonRenderer(QImage& surface, const VemraButtonScene& scene)
    : m_scene(scene), m_surface(surface), m_canvas(surface, scene.softBevel, scene.size), m_colors(scene.colors),
      m_w(m_canvas.width()), m_h(m_canvas.height())
{}

quint32 VemraButtonRenderer::offset(quint32 c, int n, bool proportional) const
{
    return ButtonColor::offset(c, n, proportional, m_scene.softBevel);
}

void VemraButtonRenderer::paint(bool down)
{
    if (m_surface.isNull())
        return;
    m_style = NoCaption;
    m_canvas.fill(0, 0, m_w, m_h, m_colors.face);

    VemraButtonPictures::State pictureState = VemraButtonPictures::Up;
    if (!m_scene.enabled) {
        drawDisabled();
        pictureState = VemraButtonPictures::Disabled;
    } else if (down) {
        drawPressed();
        pictureState = VemraButtonPictures::Pressed;
    } else {
        drawUp();
    }

    if (m_scene.pictureNormal.isNull())
        return;
    VemraButtonPictures(m_surface, m_scene).draw(pictureState);
    // A picture centred behind the caption would hide it, so the caption goes on top once more.
    if (m_scene.picturePosition == 4 && m_style != NoCaption) {
        m_boldCaption = m_styleBold;
        drawCaption(m_style);
        m_boldCaption = false;
    }
}

void VemraButtonRenderer::text(const ButtonRect& rect, quint32 color)
{
    if (!m_boldCaption) {
        m_canvas.text(rect, m_scene.caption, m_scene.font, color);
        return;
    }
    QFont bold = m_scene.font;
    bold.setBold(true);
    m_canvas.text(rect, m_scene.caption, bold, color);
}

void VemraButtonRenderer::drawRelief(const ButtonRect& rect, bool up)
{
    const int effect = m_scene.specialEffect;
    if (effect <= 0)
        return;
    const int type = m_scene.buttonType;
    quint32 base = m_colors.face;
    if (type == 3 || type == 4 || type == 14)
        base = m_colors.tint;
    else if (type == 9 && up && m_scene.hovered && m_scene.colorScheme != 2)
        base = m_colors.accentTint;

    text(rect.moved(1, 1), offset(base, effect == 2 ? 40 : -40));
    if (effect == 1 || effect == 2)
        text(rect.moved(-1, -1), offset(base, effect == 2 ? -40 : 40));
}

void VemraButtonRenderer::drawCaption(CaptionStyle style)
{
    m_style = style;
    m_styleBold = m_boldCaption;
    const ButtonRect& cr = m_scene.layout.caption;
    const ButtonRect& shifted = m_scene.layout.captionShifted;
    const ButtonColorSet& c = m_colors;
    switch (style) {
    case UpStyle:
        drawRelief(cr, true);
        text(cr, c.text);
        break;
    case HoveredStyle:
        drawRelief(cr, true);
        text(cr, c.textOver);
        break;
    case PressedStyle:
        drawRelief(shifted, false);
        text(shifted, m_scene.buttonType == 4 ? c.light : c.textOver);
        break;
    case EngravedStyle:
        text(shifted, c.highlight);
        text(cr, c.shadow);
        break;
    case FlatDisabledStyle:
        text(cr, c.shadow);
        break;
    case GradientDisabledStyle:
        text(cr, offset(c.tint, -104, true));
        break;
    case GlassDisabledStyle:
        text(shifted, c.highlight);
        text(cr, c.face);
        break;
    case GlassPressedStyle:
        text(shifted, offset(c.shadow, -50));
        text(cr, c.highlight);
        break;
    case FlatPressedStyle:
        text(cr, c.textOver);
        break;
    case NoCaption:
        break;
    }
}

void VemraButtonRenderer::drawFocus()
{
    if (m_scene.showFocusRect && m_scene.focused)
        m_canvas.focusRect(m_scene.focusRect);
}

void VemraButtonRenderer::drawCaptionFrame()
{
    if (!m_scene.focused || !m_scene.showFocusRect)
        return;
    const ButtonRect& cr = m_scene.layout.caption;
    m_canvas.frame(cr.left - 2, cr.top - 1, cr.width() + 4, cr.height() + 2, CaptionFrameColor);
}

void VemraButtonRenderer::drawType3Edges()
{
    const int w = m_w;
    const int h = m_h;
    ButtonCanvas& g = m_canvas;
    const bool marked = m_scene.showFocusRect && (m_scene.focused || m_scene.defaultButton);
    if (m_scene.hovered || marked) {
        const EdgeSet& set = m_scene.hovered ? HoveredEdges : MarkedEdges;
        g.frame(1, 2, w - 2, h - 4, set.frame);
        g.line(2, h - 2, w - 2, h - 2, set.bottom);
        g.line(2, 1, w - 2, 1, set.top);
        g.line(1, 2, w - 1, 2, set.second);
        g.line(2, 3, 2, h - 3, set.sides);
        g.line(w - 3, 3, w - 3, h - 3, set.sides);
        return;
    }
    const quint32 tint = m_colors.tint;
    g.line(2, h - 2, w - 2, h - 2, offset(tint, -48, true));
    g.line(1, h - 3, w - 2, h - 3, offset(tint, -32, true));
    g.line(w - 2, 2, w - 2, h - 2, offset(tint, -36, true));
    g.line(w - 3, 3, w - 3, h - 3, offset(tint, -24, true));
    g.line(2, 1, w - 2, 1, offset(tint, 16, true));
    g.line(1, 2, w - 2, 2, offset(tint, 10, true));
    g.line(1, 2, 1, h - 2, offset(tint, -5, true));
    g.line(2, 3, 2, h - 3, offset(tint, -10, true));
}

void VemraButtonRenderer::drawType4Edge()
{
    const int w = m_w;
    const int h = m_h;
    const ButtonColorSet& c = m_colors;
    ButtonCanvas& g = m_canvas;
    g.frame(0, 0, w, h, c.darkShadow);
    g.pixel(1, 1, c.darkShadow);
    g.pixel(1, h - 2, c.darkShadow);
    g.pixel(w - 2, 1, c.darkShadow);
    g.pixel(w - 2, h - 2, c.darkShadow);
    g.line(1, 2, 2, 0, c.face);
    g.line(3, 2, w - 3, 2, c.highlight);
    g.line(2, 2, 2, h - 3, c.highlight);
    g.pixel(3, 3, c.highlight);
    g.line(w - 3, 1, w - 3, h - 3, c.face);
    g.line(1, h - 3, w - 3, h - 3, c.face);
    g.pixel(w - 4, h - 4, c.face);
    g.line(w - 2, 2, w - 2, h - 2, c.shadow);
    g.line(2, h - 2, w - 2, h - 2, c.shadow);
    g.pixel(w - 3, h - 3, c.shadow);
}

void VemraButtonRenderer::drawUp()
{
    const int w = m_w;
    const int h = m_h;
    const ButtonColorSet& c = m_colors;
    ButtonCanvas& g = m_canvas;
    const bool hovered = m_scene.hovered;
    const CaptionStyle cap = hovered ? HoveredStyle : UpStyle;
    const bool marked = m_scene.showFocusRect && m_scene.defaultButton;

    switch (m_scene.buttonType) {
    case 1:
        drawCaption(cap);
        g.bevel(c.highlight, c.shadow, c.highlight, c.shadow, 1, false);
        g.frame(0, 0, w, h, c.darkShadow);
        drawFocus();
        break;
    case 2:
        drawCaption(cap);
        if (marked) {
            g.bevel(c.highlight, c.darkShadow, c.light, c.shadow, 1, false);
            drawFocus();
            g.frame(0, 0, w, h, c.darkShadow);
        } else {
            g.bevel(c.highlight, c.darkShadow, c.light, c.shadow, 0, false);
        }
        break;
    case 3:
        g.gradient(c.tint, 25, true, true);
        drawCaption(cap);
        g.frame(0, 0, w, h, Type3Outline);
        g.pixel(1, 1, Type3InnerCorner);
        g.pixel(1, h - 2, Type3InnerCorner);
        g.pixel(w - 2, 1, Type3InnerCorner);
        g.pixel(w - 2, h - 2, Type3InnerCorner);
        drawType3Edges();
        break;
    case 4:
        g.fill(1, 1, w - 2, h - 2, c.light);
        drawCaption(cap);
        drawType4Edge();
        break;
    case 5:
        g.fill(1, 1, w - 1, h - 1, offset(c.face, 12));
        drawCaption(cap);
        g.frame(1, 1, w - 1, h - 1, c.highlight);
        g.frame(0, 0, w - 1, h - 1, offset(c.shadow, -26));
        g.pixel(1, h - 2, offset(c.shadow, 26));
        g.pixel(w - 2, 1, offset(c.shadow, 26));
        drawCaptionFrame();
        break;
    case 6: {
        const quint32 l8 = offset(c.light, 8);
        drawCaption(cap);
        g.bevel(l8, c.shadow, l8, c.shadow, 0, false);
        drawFocus();
        break;
    }
    case 7:
        drawCaption(cap);
        g.bevel(c.highlight, c.shadow, 0, 0, 0, true);
        drawFocus();
        break;
    case 8:
        drawCaption(cap);
        if (hovered)
            g.bevel(c.highlight, c.shadow, 0, 0, 0, true);
        drawFocus();
        break;
    case 9:
        if (hovered)
            g.fill(1, 1, w, h, c.accentTint);
        drawCaption(cap);
        if (hovered)
            g.frame(0, 0, w, h, c.accent);
        drawFocus();
        break;
    case 11:
        g.copy(m_scene.background);
        drawCaption(cap);
        drawFocus();
        break;
    case 12:
        drawCaption(cap);
        if (hovered)
            g.bevel(c.highlight, c.darkShadow, c.light, c.shadow, 0, false);
        drawFocus();
        break;
    case 13:
        g.ellipse(hovered ? c.shadow : c.face, c.face);
        drawCaption(cap);
        break;
    case 14:
        if (hovered)
            g.fill(0, 0, w, h, c.light);
        else
            g.gradient(c.highlight, 58, false, true);
        // The default button shows a bold caption; the button's own font is left as it is.
        m_boldCaption = m_scene.defaultButton;
        drawCaption(cap);
        m_boldCaption = false;
        g.frame(0, 0, w, h, offset(c.shadow, -50));
        g.frame(1, 1, w - 2, h - 2, offset(c.face, -9));
        g.fill(2, 2, w - 4, 2, c.highlight);
        g.fill(2, 4, 2, h - 6, c.highlight);
        drawFocus();
        break;
    default:
        break;
    }
}

void VemraButtonRenderer::drawPressed()
{
    const int w = m_w;
    const int h = m_h;
    const ButtonColorSet& c = m_colors;
    ButtonCanvas& g = m_canvas;
    const bool marked = m_scene.showFocusRect && m_scene.defaultButton;

    switch (m_scene.buttonType) {
    case 1:
        drawCaption(PressedStyle);
        g.bevel(c.shadow, c.highlight, c.shadow, c.highlight, 1, false);
        g.frame(0, 0, w, h, c.darkShadow);
        drawFocus();
        break;
    case 2:
        drawCaption(PressedStyle);
        if (marked) {
            g.frame(0, 0, w, h, c.darkShadow);
            g.frame(1, 1, w - 2, h - 2, c.shadow);
            drawFocus();
        } else {
            g.bevel(c.darkShadow, c.highlight, c.shadow, c.light, 0, false);
        }
        break;
    case 3: {
        const quint32 t32 = offset(c.tint, -32, true);
        g.gradient(t32, 25, true, false);
        drawCaption(PressedStyle);
        g.frame(0, 0, w, h, Type3Outline);
        g.pixel(1, 1, Type3InnerCorner);
        g.pixel(1, h - 2, Type3InnerCorner);
        g.pixel(w - 2, 1, Type3InnerCorner);
        g.pixel(w - 2, h - 2, Type3InnerCorner);
        g.line(2, h - 2, w - 2, h - 2, offset(t32, 16, true));
        g.line(1, h - 3, w - 2, h - 3, offset(t32, 10, true));
        g.line(w - 2, 2, w - 2, h - 2, offset(t32, 5, true));
        g.line(w - 3, 3, w - 3, h - 3, c.tint);
        g.line(2, 1, w - 2, 1, offset(t32, -32, true));
        g.line(1, 2, w - 2, 2, offset(t32, -24, true));
        g.line(1, 2, 1, h - 2, offset(t32, -32, true));
        g.line(2, 2, 2, h - 2, offset(t32, -22, true));
        break;
    }
    case 4: {
        const quint32 s16 = offset(c.shadow, -16);
        const quint32 s32 = offset(c.shadow, -32);
        const quint32 s64 = offset(c.shadow, -64);
        g.fill(1, 1, w - 2, h - 2, s16);
        // The pressed caption's relief is worked out from the pressed face, not the usual tint.
        const quint32 tint = m_colors.tint;
        m_colors.tint = s16;
        drawCaption(PressedStyle);
        m_colors.tint = tint;
        g.frame(0, 0, w, h, c.darkShadow);
        g.frame(1, 1, w - 2, h - 2, s64);
        g.frame(2, 2, w - 4, h - 4, s32);
        g.pixel(2, 2, s64);
        g.pixel(3, 3, s32);
        g.pixel(1, 1, c.darkShadow);
        g.pixel(1, h - 2, c.darkShadow);
        g.pixel(w - 2, 1, c.darkShadow);
        g.pixel(w - 2, h - 2, c.darkShadow);
        g.line(w - 3, 1, w - 3, h - 3, c.shadow);
        g.line(1, h - 3, w - 2, h - 3, c.shadow);
        g.pixel(w - 4, h - 4, c.shadow);
        g.line(w - 2, 3, w - 2, h - 2, s16);
        g.line(3, h - 2, w - 2, h - 2, s16);
        g.line(w - 2, h - 3, w - 4, h - 1, s32);
        g.pixel(2, h - 2, s32);
        g.pixel(w - 2, 2, s32);
        break;
    }
    case 5:
        g.fill(1, 1, w - 2, h - 2, offset(c.shadow, 16));
        g.frame(0, 0, w - 1, h - 1, offset(c.shadow, -26));
        g.line(w - 1, 1, w - 1, h, c.highlight);
        g.line(1, h - 1, w - 1, h - 1, c.highlight);
        drawCaption(FlatPressedStyle);
        drawCaptionFrame();
        break;
    case 6: {
        const quint32 l8 = offset(c.light, 8);
        drawCaption(PressedStyle);
        g.bevel(c.shadow, l8, c.shadow, l8, 0, false);
        drawFocus();
        break;
    }
    case 7:
    case 8:
        drawCaption(PressedStyle);
        g.bevel(c.shadow, c.highlight, 0, 0, 0, true);
        drawFocus();
        break;
    case 9:
        if (m_scene.hovered)
            g.fill(0, 0, w, h,
                   m_scene.colorScheme == 2 ? offset(c.accentTint, -32) : ButtonColor::blend(c.accent, 128));
        drawCaption(PressedStyle);
        g.frame(0, 0, w, h, c.accent);
        drawFocus();
        break;
    case 11:
        g.copy(m_scene.background);
        drawCaption(PressedStyle);
        drawFocus();
        break;
    case 12:
        drawCaption(PressedStyle);
        g.bevel(c.darkShadow, c.highlight, c.shadow, c.light, 0, false);
        drawFocus();
        break;
    case 13:
        g.ellipse(c.darkShadow, offset(c.face, -32));
        drawCaption(PressedStyle);
        break;
    case 14:
        g.fill(1, 1, w, h, offset(c.face, -9));
        g.frame(0, 0, w, h, offset(c.shadow, -48));
        g.line(2, h - 2, w - 2, h - 2, c.highlight);
        g.line(w - 2, 2, w - 2, h - 1, c.highlight);
        drawCaption(GlassPressedStyle);
        drawFocus();
        break;
    default:
        break;
    }
}

void VemraButtonRenderer::drawDisabled()
{
    const int w = m_w;
    const int h = m_h;
    const ButtonColorSet& c = m_colors;
    ButtonCanvas& g = m_canvas;

    switch (m_scene.buttonType) {
    case 1:
        drawCaption(EngravedStyle);
        g.bevel(c.highlight, c.shadow, c.highlight, c.shadow, 1, false);
        g.frame(0, 0, w, h, c.darkShadow);
        break;
    case 2:
        drawCaption(EngravedStyle);
        g.bevel(c.highlight, c.darkShadow, c.light, c.shadow, 0, false);
        break;
    case 3:
        g.fill(0, 0, w, h, offset(c.tint, -24, true));
        drawCaption(GradientDisabledStyle);
        g.frame(0, 0, w, h, offset(c.tint, -84, true));
        g.pixel(1, 1, offset(c.tint, -72, true));
        g.pixel(1, h - 2, offset(c.tint, -72, true));
        g.pixel(w - 2, 1, offset(c.tint, -72, true));
        g.pixel(w - 2, h - 2, offset(c.tint, -72, true));
        break;
    case 4:
        g.fill(1, 1, w - 2, h - 2, c.light);
        drawCaption(EngravedStyle);
        drawType4Edge();
        break;
    case 5:
        drawCaption(FlatDisabledStyle);
        g.frame(0, 0, w, h, c.shadow);
        break;
    case 6: {
        const quint32 l8 = offset(c.light, 8);
        drawCaption(FlatDisabledStyle);
        g.bevel(l8, c.shadow, l8, c.shadow, 0, false);
        break;
    }
    case 7:
        drawCaption(EngravedStyle);
        g.bevel(c.highlight, c.shadow, 0, 0, 0, true);
        break;
    case 8:
    case 12:
    case 13:
        drawCaption(EngravedStyle);
        break;
    case 9:
        drawCaption(FlatDisabledStyle);
        break;
    case 11:
        g.copy(m_scene.background);
        drawCaption(EngravedStyle);
        break;
    case 14:
        g.gradient(c.highlight, 58, false, true);
        g.frame(0, 0, w, h, offset(c.shadow, -50));
        g.frame(1, 1, w - 2, h - 2, offset(c.face, -9));
        g.fill(2, 2, w - 4, 2, c.highlight);
        g.fill(2, 4, 2, h - 6, c.highlight);
        drawCaption(GlassDisabledStyle);
        break;
    default:
        break;
    }
}
