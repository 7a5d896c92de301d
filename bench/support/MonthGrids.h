#pragma once

#include "store/MonthGrid.h"

// A month's grid as the main window lays it out, every day cell white on black, before marking.
MonthGrid unmarkedGrid(int month, int year);
