#include "editing/UnreadableInput.h"

#include "editing/DateEdit.h"
#include "editing/TimeEdit.h"
#include "store/EntryInput.h"

QString unreadableInputMessage(const DateEdit& date, const TimeEdit& time)
{
    if (date.unreadable())
        return EntryInput::unreadableDate(date.typedText());
    if (time.unreadable())
        return EntryInput::unreadableTime(time.typedText());
    return {};
}
