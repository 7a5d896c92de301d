#include "alarm/AlarmListColumns.h"

#include <algorithm>

AlarmListColumns::Widths AlarmListColumns::fit(int subject, int due, int designList, int widestList, int leastNote)
{
    widestList = std::max(widestList, leastNote);
    Widths widths;
    // A due text wider than the screen leaves the subject at least what the note keeps.
    widths.due = std::clamp(due, 0, std::max(0, widestList - leastNote - std::min(subject, leastNote)));
    widths.subject = std::clamp(subject, 0, widestList - leastNote - widths.due);
    widths.list = std::clamp(widths.subject + widths.due + leastNote, std::min(designList, widestList), widestList);
    widths.note = widths.list - widths.subject - widths.due;
    return widths;
}
