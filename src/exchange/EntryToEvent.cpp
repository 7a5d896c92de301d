#include "exchange/EntryToEvent.h"

#include "exchange/ZoneWriting.h"

#include <QCryptographicHash>

#include <algorithm>

namespace {

icaltimetype floatingTime(QDate date, qint32 secondOfDay)
{
    icaltimetype t = icaltime_null_time();
    t.year = date.year();
    t.month = date.month();
    t.day = date.day();
    t.hour = secondOfDay / 3600;
    t.minute = secondOfDay / 60 % 60;
    t.second = secondOfDay % 60;
    t.is_date = 0;
    return t;
}

icalproperty* ruleOf(icalrecurrencetype_frequency frequency)
{
    icalrecurrencetype rule;
    icalrecurrencetype_clear(&rule);
    rule.freq = frequency;
    return icalproperty_new_rrule(rule);
}

icalcomponent* reminderAtStart()
{
    icalcomponent* alarm = icalcomponent_new(ICAL_VALARM_COMPONENT);
    icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
    icalcomponent_add_property(alarm, icalproperty_new_description("Zentravio alarm"));
    icaltriggertype trigger;
    trigger.time = icaltime_null_time();
    trigger.duration = icaldurationtype_null_duration();
    icalcomponent_add_property(alarm, icalproperty_new_trigger(trigger));
    return alarm;
}

} // namespace

icaltimetype EntryToEvent::utcTime(const QDateTime& moment)
{
    const QDateTime utc = moment.toUTC();
    icaltimetype t = icaltime_null_time();
    t.year = utc.date().year();
    t.month = utc.date().month();
    t.day = utc.date().day();
    t.hour = utc.time().hour();
    t.minute = utc.time().minute();
    t.second = utc.time().second();
    t.zone = icaltimezone_get_utc_timezone();
    return t;
}

icalproperty* EntryToEvent::timeProperty(icalproperty_kind kind, QDate date, qint32 second,
                                        const QTimeZone& local)
{
    icaltimetype t = floatingTime(date, second);
    const QByteArray tzid = ZoneWriting::isUtc(local) ? QByteArray() : ZoneWriting::tzid(local);
    if (ZoneWriting::isUtc(local))
        t.zone = icaltimezone_get_utc_timezone();
    icalproperty* property = kind == ICAL_DTEND_PROPERTY ? icalproperty_new_dtend(t) : icalproperty_new_dtstart(t);
    if (!tzid.isEmpty())
        icalproperty_add_parameter(property, icalparameter_new_tzid(tzid.constData()));
    return property;
}

Ical::Component EntryToEvent::zoneOf(const QTimeZone& local, int firstYear, int lastYear)
{
    if (ZoneWriting::isUtc(local))
        return {};
    return ZoneWriting::describe(local, firstYear, lastYear);
}

QString EntryToEvent::uidOf(qint64 rowId, const ScheduleEntry& entry)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(QByteArray::number(rowId));
    for (const QString& field : entry.fields) {
        // A separator that no text holds, and a mark that tells an unset field from an empty one.
        hash.addData(QByteArrayView("\x1f", 1));
        hash.addData(field.isNull() ? QByteArrayView("\x1e", 1) : QByteArrayView(field.toUtf8()));
    }
    return QString::fromLatin1(hash.result().toHex().left(32)) + QStringLiteral("@zentravio");
}

EntryToEvent::Event EntryToEvent::eventOf(const ScheduleTable& table, size_t i, const QDateTime& stamp,
                                          const EntryIdentities* identities, const QTimeZone& local)
{
    const PackedDate packed = table.date(i);
    const qint32 second = table.alarmSecond(i);
    if (!packed.isValid() || second == ScheduleTable::NoTime)
        return {Outcome::Unreadable, {}};
    const ScheduleKind kind = table.kind(i);
    if (kind == ScheduleKind::Unknown)
        return {Outcome::UnknownKind, {}};
    const QDate date = packed.toDate();

    Ical::Component event(icalcomponent_new(ICAL_VEVENT_COMPONENT));
    icalcomponent* e = event.get();
    const QString uid = identities && i < identities->size() ? identities->uid(i, table.rowId(i))
                                                             : uidOf(table.rowId(i), table.entry(i));
    icalcomponent_add_property(e, icalproperty_new_uid(uid.toUtf8().constData()));
    const QDateTime utc = stamp.toUTC();
    icaltimetype dtstamp = floatingTime(utc.date(), utc.time().msecsSinceStartOfDay() / 1000);
    dtstamp.zone = icaltimezone_get_utc_timezone();
    icalcomponent_add_property(e, icalproperty_new_dtstamp(dtstamp));
    icalcomponent_add_property(e, timeProperty(ICAL_DTSTART_PROPERTY, date, second, local));
    constexpr qint32 Day = 24 * 3600;
    const qint32 end = std::min(second + LengthSeconds, Day);
    // The last day a calendar can write has no midnight after it.
    const bool lastDay = date.addDays(1).year() > 9999;
    icalcomponent_add_property(e, end < Day ? timeProperty(ICAL_DTEND_PROPERTY, date, end, local)
                                  : lastDay ? timeProperty(ICAL_DTEND_PROPERTY, date, Day - 1, local)
                                            : timeProperty(ICAL_DTEND_PROPERTY, date.addDays(1), 0, local));
    if (!table.isNull(i, ScheduleField::Subject))
        icalcomponent_add_property(
            e, icalproperty_new_summary(table.text(i, ScheduleField::Subject).toUtf8().constData()));
    if (!table.isNull(i, ScheduleField::Note))
        icalcomponent_add_property(
            e, icalproperty_new_description(table.text(i, ScheduleField::Note).toUtf8().constData()));

    switch (kind) {
    case ScheduleKind::Yearly:
        icalcomponent_add_property(e, ruleOf(ICAL_YEARLY_RECURRENCE));
        break;
    case ScheduleKind::Monthly:
        // Every month of every year, as the open monthly rule says; a month without the day has none.
        icalcomponent_add_property(e, ruleOf(ICAL_MONTHLY_RECURRENCE));
        break;
    case ScheduleKind::EveryDay:
        icalcomponent_add_property(e, ruleOf(ICAL_DAILY_RECURRENCE));
        break;
    case ScheduleKind::MondayToFriday: {
        icalrecurrencetype rule;
        icalrecurrencetype_clear(&rule);
        rule.freq = ICAL_WEEKLY_RECURRENCE;
        const icalrecurrencetype_weekday days[] = {ICAL_MONDAY_WEEKDAY, ICAL_TUESDAY_WEEKDAY,
                                                   ICAL_WEDNESDAY_WEEKDAY, ICAL_THURSDAY_WEEKDAY,
                                                   ICAL_FRIDAY_WEEKDAY};
        for (size_t d = 0; d < std::size(days); ++d)
            rule.by_day[d] = short(days[d]);
        icalcomponent_add_property(e, icalproperty_new_rrule(rule));
        break;
    }
    case ScheduleKind::OneTime:
    case ScheduleKind::Unknown:
        break;
    }
    if (table.alarmOn(i))
        icalcomponent_add_component(e, reminderAtStart());
    return {Outcome::Written, std::move(event)};
}
