#pragma once

#include <QString>

#include <string_view>

// The recurrence kind of an entry. Stored texts differ between the add dialog ("Everyday",
// "OneTime") and an organizer edit ("EveryDay", "Onetime"); readers compare them without regard to case,
// so both spellings are the same kind.
enum class ScheduleKind : quint8
{
    OneTime,
    Monthly,
    Yearly,
    EveryDay,
    MondayToFriday,
    Unknown // stored and listed, but never marked and never alarms
};

ScheduleKind kindOf(QStringView schedType);
ScheduleKind kindOf(std::string_view utf8SchedType);

// The choice numbers of the add dialog: 0 Everyday, 1 Yearly, 2 Monthly, 3 OneTime, 4 Monday to Friday.
ScheduleKind kindFromChoice(int choice);
QString addDialogText(ScheduleKind kind); // "OneTime", "Everyday", ...
QString organizerText(ScheduleKind kind); // "Onetime", "EveryDay", ...
