#pragma once

#include "store/MonthGrid.h"

#include <QString>

#include <optional>

// The two fixed colour themes of the main window and the countdown list. The theme number is the one
// the commands pass: 1 light, 0 dark. Every text stands out from what is behind it by at least 4.5 to 1,
// so the dark theme's window is a darker grey than its light-grey texts would allow otherwise.
struct ColourTheme
{
    QString name; // "LIGHT" or "DARK"
    BgrColor dayBack, dayFore;
    BgrColor optionsBack;                  // the fold button, face and hover face
    BgrColor titleFore;                    // the title text
    BgrColor titleStripBack;               // the title strip (also the list window's)
    BgrColor shadowFore;                   // the title shadow
    BgrColor windowBack;                   // both windows
    BgrColor maxBack, maxFore;             // the button on the title strip
    BgrColor commandBack, commandFore;     // the command column and the step buttons
    BgrColor highlightBack, highlightFore; // the list window's selected row
    BgrColor captionFore;                  // the main window's "Today's Date:" caption
    BgrColor dateFore;                     // the main window's date under it
    BgrColor creditFore;                   // the list window's line under its rows
    BgrColor headerFore;                   // the weekday headers over the day cells

    static constexpr int Light = 1;
    static constexpr int Dark = 0;
    // The names `ThemeName` holds after each theme, and the settings keep.
    static const QString LightName; // "LIGHT"
    static const QString DarkName;  // "DARK"

    // The theme for a number; none for any number other than 0 or 1.
    static std::optional<ColourTheme> forNumber(int themeNumber);
    // The number of the theme a name names exactly; none for any other text.
    static std::optional<int> numberForName(const QString& name);
};
