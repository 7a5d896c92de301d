#include "settings/ColourTheme.h"

const QString ColourTheme::LightName = QStringLiteral("LIGHT");
const QString ColourTheme::DarkName = QStringLiteral("DARK");

std::optional<int> ColourTheme::numberForName(const QString& name)
{
    if (name == LightName)
        return Light;
    if (name == DarkName)
        return Dark;
    return std::nullopt;
}

std::optional<ColourTheme> ColourTheme::forNumber(int themeNumber)
{
    if (themeNumber == Light)
        return ColourTheme{LightName, 0xFFFFFF, 0x000000, 0xC0C0C0, 0x000000, 0xFFFFFF, 0xFFFFFF,
                           0xC0C0C0,  0xFFFFFF, 0x000000, 0xC0C0C0, 0x000000, 0x767676, 0xFFFFFF,
                           0x4D4D4D,  0x0000A0, 0x404040, 0x000000};
    if (themeNumber == Dark)
        return ColourTheme{DarkName, 0x000000, 0xFFFFFF, 0x808080, 0xFFFFFF, 0x000000, 0x000000,
                           0x585858, 0x000000, 0xFFFFFF, 0x585858, 0xE0E0E0, 0x000000, 0xC0C0C0,
                           0xE0E0E0, 0xBEBEFF, 0xCECECE, 0xE0E0E0};
    return std::nullopt;
}
