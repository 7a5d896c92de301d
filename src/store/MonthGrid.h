#pragma once

#include <QString>

#include <vector>

// Colours as the design stores them: 0x00BBGGRR, so 255 is red and 0xFF0000 is blue.
using BgrColor = quint32;

namespace Bgr {
inline constexpr BgrColor White = 0xFFFFFF;
inline constexpr BgrColor Black = 0x000000;
// The marking colours are as light as they can be and still read on the white day cells of the light
// theme and the black ones of the dark theme alike.
inline constexpr BgrColor Red = 0x0000EE;
inline constexpr BgrColor OneTimeGreen = 0x008A00;
inline constexpr BgrColor PastOrange = 0x005DB9;
inline constexpr BgrColor RecurringBlue = 0xFF5E5E;
} // namespace Bgr

// What a month grid window shows in one day cell, as far as the markings are concerned.
struct DayCell
{
    QString caption; // day number without leading zero, or empty for a blank cell
    bool visible = false;
    BgrColor backColor = Bgr::White;
    BgrColor foreColor = Bgr::Black;
    bool bold = false;
    // What a screen reader says of the cell: its full date and how many entries it holds.
    QString spokenName{};
    bool isToday{false};
};

// The day cells of a window together with its month picker position (0 = January) and year picker text,
// from which each cell's date is read.
struct MonthGrid
{
    int monthIndex = 0;
    QString yearText;
    std::vector<DayCell> cells;
};
