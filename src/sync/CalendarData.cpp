#include "sync/CalendarData.h"

#include "exchange/IcalHandles.h"

#include <QCoreApplication>

QString CalendarData::eventUid(const QByteArray& data, QString* reason)
{
    const auto fail = [reason](const char* why) {
        if (reason)
            *reason = QCoreApplication::translate("CalendarData", why);
        return QString();
    };
    if (!data.trimmed().startsWith("BEGIN:VCALENDAR"))
        return fail("The event's data is no iCalendar object.");
    const Ical::Component calendar(icalparser_parse_string(data.constData()));
    if (!calendar || icalcomponent_isa(calendar.get()) != ICAL_VCALENDAR_COMPONENT)
        return fail("The event's data cannot be read as iCalendar.");
    icalcomponent* event = icalcomponent_get_first_component(calendar.get(), ICAL_VEVENT_COMPONENT);
    if (!event)
        return fail("The calendar object holds no event.");
    const char* uid = icalcomponent_get_uid(event);
    if (!uid || !*uid)
        return fail("The event has no UID.");
    return QString::fromUtf8(uid);
}
