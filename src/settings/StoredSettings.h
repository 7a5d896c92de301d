#pragma once

#include "settings/SettingsStore.h"

#include <QList>
#include <QPoint>
#include <QRect>

// The three settings of the main window: its position, the colour theme and the format of copied
// dates. Reading returns what the window must apply; the window applies it.
namespace StoredSettings {

enum class ThemeChoice
{
    None, // the stored theme is neither "LIGHT" nor "DARK" (nor empty): nothing is applied
    Light,
    Dark
};

struct Loaded
{
    QPoint position; // top-left corner in pixels
    ThemeChoice theme = ThemeChoice::Light;
    QString themeName;      // as stored, kept even when no theme is applied
    QString dateFormatName; // "Long Date" when none is stored
};

inline constexpr int TwipsPerPixel = 15;

// Reads the settings. "X" holds the window's top and "Y" its left, in twips; a value that is missing or
// not a number leaves that coordinate at the screen's edge, and a position on no visible screen is
// replaced by the top-left corner of the first screen (a borderless window off-screen cannot be reached).
Loaded GetFromRegistry(const SettingsStore& store, const QList<QRect>& screens);

// Writes the four values; top goes under "X" and left under "Y", as stored settings expect.
void SaveSettings(SettingsStore& store, QPoint position, const QString& themeName,
                  const QString& dateFormatName);

} // namespace StoredSettings
