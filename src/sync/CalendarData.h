#pragma once

#include <QByteArray>
#include <QString>

// The iCalendar objects the server hands out, looked at through libical: whether one is a calendar
// holding an event, and the event's UID, by which a sync knows it again.
class CalendarData
{
public:
    // The UID of the object's event; empty, with the reason, when the data is no calendar with an event
    // carrying one.
    static QString eventUid(const QByteArray& data, QString* reason);
};
