#pragma once

#include "settings/SettingsStore.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

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
// not a number leaves that coordinate at the screen's edge. A borderless window that is not wholly on the
// screens cannot be reached by its title strip or its commands, so the position is brought within reach
// for a window of the given size (see withinReach); with no size only its top-left corner is checked.
Loaded GetFromRegistry(const SettingsStore& store, const QList<QRect>& screens, QSize window = QSize());

// Where a window stored at `window` goes: where it is when the screens cover all of it; else moved by the
// least that puts it on the screen it overlaps most (its top-left corner on the screen when it is the
// larger); on no screen at all, to the top-left corner of the first screen.
QPoint withinReach(const QRect& window, const QList<QRect>& screens);

// Writes the four values; top goes under "X" and left under "Y", as stored settings expect. False when
// any of them could not be written.
bool SaveSettings(SettingsStore& store, QPoint position, const QString& themeName,
                  const QString& dateFormatName);

} // namespace StoredSettings
