#include "occurrence/KeptEventEdit.h"

#include "exchange/IcalHandles.h"

namespace {

icaltimetype moved(icaltimetype t, qint64 seconds)
{
    // A whole day keeps its form; its days move only by whole days.
    if (t.is_date)
        return icaltime_add(t, icaldurationtype_from_int(int(seconds / 86400 * 86400)));
    return icaltime_add(t, icaldurationtype_from_int(int(seconds)));
}

} // namespace

QByteArray KeptEventEdit::movedBy(const QByteArray& kept, qint64 seconds)
{
    Ical::Component calendar(icalparser_parse_string(kept.constData()));
    if (!calendar || icalcomponent_isa(calendar.get()) != ICAL_VCALENDAR_COMPONENT)
        return {};
    for (icalcomponent* e = icalcomponent_get_first_component(calendar.get(), ICAL_VEVENT_COMPONENT); e;
         e = icalcomponent_get_next_component(calendar.get(), ICAL_VEVENT_COMPONENT)) {
        if (icalproperty* id = icalcomponent_get_first_property(e, ICAL_RECURRENCEID_PROPERTY)) {
            icalproperty_set_recurrenceid(id, moved(icalproperty_get_recurrenceid(id), seconds));
            continue;
        }
        if (icalproperty* p = icalcomponent_get_first_property(e, ICAL_DTSTART_PROPERTY))
            icalproperty_set_dtstart(p, moved(icalproperty_get_dtstart(p), seconds));
        if (icalproperty* p = icalcomponent_get_first_property(e, ICAL_DTEND_PROPERTY))
            icalproperty_set_dtend(p, moved(icalproperty_get_dtend(p), seconds));
        for (icalproperty* p = icalcomponent_get_first_property(e, ICAL_EXDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(e, ICAL_EXDATE_PROPERTY))
            icalproperty_set_exdate(p, moved(icalproperty_get_exdate(p), seconds));
        for (icalproperty* p = icalcomponent_get_first_property(e, ICAL_RDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(e, ICAL_RDATE_PROPERTY)) {
            icaldatetimeperiodtype value = icalproperty_get_rdate(p);
            if (!icaltime_is_null_time(value.time))
                value.time = moved(value.time, seconds);
            else
                value.period.start = moved(value.period.start, seconds);
            icalproperty_set_rdate(p, value);
        }
        if (icalproperty* p = icalcomponent_get_first_property(e, ICAL_RRULE_PROPERTY)) {
            icalrecurrencetype rule = icalproperty_get_rrule(p);
            if (!icaltime_is_null_time(rule.until)) {
                rule.until = moved(rule.until, seconds);
                icalproperty_set_rrule(p, rule);
            }
        }
    }
    const Ical::Text text(icalcomponent_as_ical_string_r(calendar.get()));
    return QByteArray(text.get() ? text.get() : "");
}
