#pragma once

#include "controls/ListGridCell.h"
#include "controls/ListGridSort.h"
#include "store/ScheduleEntry.h"

#include <array>

namespace OrganizerColumns {

// The eight columns of the organizer's table, numbered from 1 as the grid counts them: the status and
// alarm pictures, then the entry's texts.
enum Column
{
    Status = 1,
    Timer = 2,
    Date = 3,
    Day = 4,
    Subject = 5,
    Note = 6,
    AlarmTime = 7,
    Event = 8
};

// The grey of a past entry's texts and pictures: lighter than the rows ahead, yet readable on white.
inline constexpr quint32 PastForeColor = 0x757575;

struct Design
{
    const char* key;
    const char* header;
    int width;
    int alignment;
    ListGridSortType sortType;
    ScheduleField field; // the text shown, for Date to Event
};

inline constexpr std::array<Design, 8> Designs = {{
    {"KEY1", "Status", 45, ListGridAlignment::EllipsisSingleLine, ListGridSortType::Icon,
     ScheduleField::Date},
    {"KEY2", "Timer", 45, ListGridAlignment::EllipsisSingleLine, ListGridSortType::Icon,
     ScheduleField::AlarmOnOff},
    {"KEY3", "Date", 85, ListGridAlignment::Left, ListGridSortType::Date, ScheduleField::Date},
    // At least as wide as the longest weekday name (see OrganizerGrid); a longer stored text ends in "...".
    {"KEY4", "Day", 50, ListGridAlignment::Left | ListGridAlignment::EllipsisSingleLine, ListGridSortType::Text,
     ScheduleField::Day},
    // Centred, but a subject too wide keeps its start and ends in "...".
    {"KEY5", "Subject", 80, ListGridAlignment::Centre | ListGridAlignment::EllipsisSingleLine,
     ListGridSortType::Text, ScheduleField::Subject},
    {"KEY6", "Note", 200, ListGridAlignment::Left, ListGridSortType::Text, ScheduleField::Note},
    {"KEY7", "Alarm Time", 70, ListGridAlignment::Left, ListGridSortType::DateMinute,
     ScheduleField::AlarmTime},
    {"KEY8", "Schedule Event", 100, ListGridAlignment::Centre, ListGridSortType::Text, ScheduleField::Kind},
}};

// The design of a column from Status to Event.
constexpr const Design& design(int column)
{
    return Designs[size_t(column - 1)];
}

} // namespace OrganizerColumns
