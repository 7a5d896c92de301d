#include "controls/ButtonColorSet.h"

#include "controls/ButtonColor.h"

#include <QPalette>

ButtonColorSet ButtonColorSet::derive(const Source& source, const QPalette& palette,
                                      const QPalette& container)
{
    const auto offset = [&source](quint32 c, int n, bool proportional = false) {
        return ButtonColor::offset(c, n, proportional, source.softBevel);
    };
    const auto system = [&palette](quint32 c) { return ButtonColor::translate(c, palette); };

    ButtonColorSet set;
    switch (source.colorScheme) {
    case 2:
        set.face = system(source.backColor);
        set.faceOver = system(source.backOver);
        set.text = system(source.foreColor);
        set.textOver = system(source.foreOver);
        set.shadow = offset(set.face, -64);
        set.light = offset(set.face, 31);
        set.highlight = offset(set.face, 47);
        set.darkShadow = offset(set.face, -192);
        set.accent = offset(set.face, -128);
        set.accentTint = set.face;
        break;
    case 3:
        set.face = set.faceOver = 0xC0C0C0;
        set.text = set.textOver = 0;
        set.shadow = 0x808080;
        set.light = 0xDFDFDF;
        set.highlight = 0xFFFFFF;
        set.darkShadow = 0;
        set.accent = 0x800000;
        set.accentTint = 0xD1ADAD;
        break;
    case 4:
        set.face = set.faceOver =
            ButtonColor::fromQColor(container.color(QPalette::Active, QPalette::Window));
        set.text = set.textOver =
            ButtonColor::fromQColor(container.color(QPalette::Active, QPalette::WindowText));
        set.shadow = offset(set.face, -64);
        set.light = offset(set.face, 31);
        set.highlight = offset(set.face, 47);
        set.darkShadow = offset(set.face, -192);
        set.accent = system(ButtonColor::Highlight);
        set.accentTint = ButtonColor::blend(set.accent, 176);
        break;
    default:
        set.face = set.faceOver = system(ButtonColor::ButtonFace);
        set.text = set.textOver = system(ButtonColor::ButtonText);
        set.shadow = system(ButtonColor::ButtonShadow);
        set.light = system(ButtonColor::ButtonLight);
        set.highlight = system(ButtonColor::ButtonHighlight);
        set.darkShadow = system(ButtonColor::ButtonDarkShadow);
        set.accent = system(ButtonColor::Highlight);
        set.accentTint = ButtonColor::blend(set.accent, 176);
        break;
    }
    set.mask = system(source.maskColor);
    set.tint = offset(set.face, 48, source.buttonType == 3);
    return set;
}
