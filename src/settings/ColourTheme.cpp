#include "settings/ColourTheme.h"

std::optional<ColourTheme> ColourTheme::forNumber(int themeNumber)
{
    if (themeNumber == Light)
        return ColourTheme{QStringLiteral("LIGHT"),
                           0xFFFFFF,
                           0x000000,
                           0xC0C0C0,
                           0x000000,
                           0xFFFFFF,
                           0xFFFFFF,
                           0xC0C0C0,
                           0xFFFFFF,
                           0x000000,
                           0xC0C0C0,
                           0x000000,
                           0xC0C0C0,
                           0xFFFFFF};
    if (themeNumber == Dark)
        return ColourTheme{QStringLiteral("DARK"),
                           0x000000,
                           0xFFFFFF,
                           0x808080,
                           0xFFFFFF,
                           0x000000,
                           0x000000,
                           0x808080,
                           0x000000,
                           0xFFFFFF,
                           0x808080,
                           0xE0E0E0,
                           0x000000,
                           0xC0C0C0};
    return std::nullopt;
}
