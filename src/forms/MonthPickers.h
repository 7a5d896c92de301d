#pragma once

class QComboBox;

// The month and year pickers of the calendar windows.
namespace MonthPickers {

// Lists the twelve month names in `months` and the 21 years from ten before `centreYear` to ten after
// it in `years`, with nothing chosen in either. Their handlers are not told, so that a window chooses
// the shown month and year afterwards as a user would.
void fill(QComboBox* months, QComboBox* years, int centreYear);

} // namespace MonthPickers
