#pragma once

#include "store/ScheduleTable.h"

#include <QString>

// The five texts by which an organizer finds an entry again, as its edit panel shows them: records have
// no key, so an entry is the first one whose texts are these.
struct EntryTexts
{
    QString date;    // "mm/dd/yyyy"
    QString kind;    // the recurrence kind as listed, compared without regard to case
    QString subject; // the Type field
    QString note;
    QString alarmTime; // "hh:mm:ss AM"
};

// What the organizer decides about an entry before it touches the file: which record is meant, whether
// a panel can be saved and what the record then becomes.
namespace EntryEdit {

// Whether table entry i is the entry of the texts. Subject and note must be the same texts and the kind
// the same without regard to case. Date and alarm time are the same texts, or the same day and second
// when both texts read as such, so an entry stored as "3/7/2003" or "14:30" is still found from the
// panel's "03/07/2003" and "02:30:00 PM".
bool matches(const ScheduleTable& table, size_t i, const EntryTexts& texts);

// The first position from `from` on whose entry matches the texts; table.size() when none does.
size_t findFrom(const ScheduleTable& table, const EntryTexts& texts, size_t from = 0);

// Whether the panel can be saved: date, alarm time, subject and note given (spaces alone are not) and a
// kind chosen.
bool isComplete(const EntryTexts& panel);

// The time text as the organizer stores it, "HH:MM:SS AMPM"; a text that is no time stays as it is.
QString storedTimeText(const QString& time);

// The stored entry rewritten with the panel: date, weekday of the date, subject, note, alarm time in the
// stored form and kind. The alarm switch stays as it was.
ScheduleEntry rewritten(const ScheduleEntry& stored, const EntryTexts& panel);

// The alarm switch turned round: "off" for exactly "on", "on" for anything else.
QString toggledSwitch(const QString& onOff);

} // namespace EntryEdit
