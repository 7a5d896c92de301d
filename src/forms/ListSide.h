#pragma once

// The side of the main window the countdown list docks on.
enum class ListSide
{
    Left,
    Right
};
