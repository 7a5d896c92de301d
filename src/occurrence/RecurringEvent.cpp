#include "occurrence/RecurringEvent.h"

#include "exchange/EntryToEvent.h"
#include "exchange/IcalHandles.h"
#include "exchange/ZoneNames.h"
#include "occurrence/RuleWords.h"

#include <QCoreApplication>

#include <libical/ical.h>

#include <algorithm>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("RecurringEvent", text);
}

constexpr qint64 SecondsPerDay = 86400;
// A walk of a rule never takes more steps than this for one question, whatever the rule says: a rule of
// every second over a century must not stop the window's thread.
constexpr int MaxSteps = 200000;

void freeComponent(icalcomponent* c)
{
    if (c)
        icalcomponent_free(c);
}

qint64 secondOf(const icaltimetype& t)
{
    const QDate date(t.year, t.month, t.day);
    if (!date.isValid())
        return 0;
    if (t.is_date)
        return date.toJulianDay() * SecondsPerDay;
    return date.toJulianDay() * SecondsPerDay + t.hour * 3600 + t.minute * 60 + std::min(t.second, 59);
}

QDate dayOf(qint64 second)
{
    return QDate::fromJulianDay(second / SecondsPerDay);
}

QTime timeOf(qint64 second)
{
    return QTime::fromMSecsSinceStartOfDay(int(second % SecondsPerDay) * 1000);
}

icaltimetype floatingTime(qint64 second, bool isDate)
{
    const QDate date = dayOf(second);
    icaltimetype t = icaltime_null_time();
    t.year = date.year();
    t.month = date.month();
    t.day = date.day();
    t.is_date = isDate ? 1 : 0;
    if (!isDate) {
        const QTime time = timeOf(second);
        t.hour = time.hour();
        t.minute = time.minute();
        t.second = time.second();
    }
    return t;
}

QDateTime utcOf(const icaltimetype& t)
{
    return QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, std::min(t.second, 59)),
                     QTimeZone::utc());
}

// A wall time of a zone as a moment. A time the zone skips (a daylight-saving gap) is read with the
// offset before the gap, so 02:30 on the day clocks go forward from 02:00 to 03:00 becomes 03:30.
QDateTime inZone(QDate date, QTime time, const QTimeZone& zone)
{
    const QDateTime there(date, time, zone);
    if (there.isValid() && there.time() == time)
        return there;
    const int before = zone.offsetFromUtc(QDateTime(date.addDays(-1), time, QTimeZone::utc()));
    return QDateTime(date, time, QTimeZone::utc()).addSecs(-before);
}

// The zone a time of the file is written in.
struct ZoneRef
{
    bool floating = true;
    QTimeZone system;
    icaltimezone* described = nullptr;
};

ZoneRef zoneOf(icalcomponent* calendar, icalproperty* property, const icaltimetype& t)
{
    ZoneRef zone;
    if (t.is_date)
        return zone;
    if (icaltime_is_utc(t)) {
        zone.floating = false;
        zone.system = QTimeZone::utc();
        return zone;
    }
    icalparameter* param = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER);
    if (!param || !icalparameter_get_tzid(param))
        return zone;
    const QByteArray name(icalparameter_get_tzid(param));
    // The system's zone of the name first, as other calendars read it; the file's description otherwise.
    if (!ZoneNames::looksLikePath(name)) {
        if (const auto system = ZoneNames::systemZone(name)) {
            zone.floating = false;
            zone.system = *system;
            return zone;
        }
    }
    if (icaltimezone* described = icalcomponent_get_timezone(calendar, name.constData())) {
        zone.floating = false;
        zone.described = described;
    }
    return zone;
}

// The moment of a time written in a zone; invalid for a floating time.
QDateTime momentOf(const icaltimetype& t, const ZoneRef& zone)
{
    if (zone.floating)
        return {};
    if (zone.described) {
        icaltimetype there = t;
        there.zone = zone.described;
        return utcOf(icaltime_convert_to_zone(there, icaltimezone_get_utc_timezone()));
    }
    return inZone(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, std::min(t.second, 59)), zone.system);
}

qint64 wallIn(const QDateTime& moment, const ZoneRef& zone)
{
    if (zone.floating)
        return 0; // callers place floating times themselves
    if (zone.described)
        return secondOf(icaltime_convert_to_zone(EntryToEvent::utcTime(moment), zone.described));
    const QDateTime there = moment.toTimeZone(zone.system);
    return there.date().toJulianDay() * SecondsPerDay + there.time().msecsSinceStartOfDay() / 1000;
}

bool touches(const Occurrence& o, const QDateTime& from, const QDateTime& to)
{
    return o.start < to && (o.end > from || o.start >= from);
}

} // namespace

QDate Occurrence::lastDay() const
{
    if (end <= start)
        return start.date();
    return end.addMSecs(-1).date();
}

RecurringEvent::RecurringEvent() : m_calendar(nullptr, freeComponent) {}
RecurringEvent::~RecurringEvent() = default;
RecurringEvent::RecurringEvent(RecurringEvent&&) noexcept = default;
RecurringEvent& RecurringEvent::operator=(RecurringEvent&&) noexcept = default;

std::optional<RecurringEvent> RecurringEvent::read(const QByteArray& text, QString* error)
{
    const auto fail = [&](const QString& why) -> std::optional<RecurringEvent> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    RecurringEvent event;
    event.m_calendar.reset(icalparser_parse_string(text.constData()));
    icalcomponent* calendar = event.m_calendar.get();
    if (!calendar)
        return fail(tr("the kept event cannot be read"));
    // A text of one VEVENT is read as well as a whole calendar.
    icalcomponent* master = nullptr;
    std::vector<icalcomponent*> changed;
    const auto look = [&](icalcomponent* e) {
        if (icalcomponent_get_first_property(e, ICAL_RECURRENCEID_PROPERTY))
            changed.push_back(e);
        else if (!master)
            master = e;
    };
    if (icalcomponent_isa(calendar) == ICAL_VEVENT_COMPONENT) {
        look(calendar);
    } else {
        for (icalcomponent* e = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); e;
             e = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT))
            look(e);
    }
    if (!master)
        return fail(tr("the kept event has no series"));
    icalproperty* dtstart = icalcomponent_get_first_property(master, ICAL_DTSTART_PROPERTY);
    if (!dtstart)
        return fail(tr("the kept event has no start"));
    const icaltimetype start = icalproperty_get_dtstart(dtstart);
    if (!QDate(start.year, start.month, start.day).isValid())
        return fail(tr("the kept event's start is no date"));

    const ZoneRef zone = zoneOf(calendar, dtstart, start);
    event.m_allDay = start.is_date;
    event.m_floating = zone.floating;
    event.m_zone = zone.system;
    event.m_described = zone.described;
    event.m_start = secondOf(start);

    // A time of another property, written in the event's own wall clock.
    const auto wallOfTime = [&](icalproperty* p, const icaltimetype& t) -> qint64 {
        if (t.is_date)
            return secondOf(t);
        const ZoneRef own = zoneOf(calendar, p, t);
        if (own.floating || event.m_floating)
            return secondOf(t);
        return event.wallOf(momentOf(t, own));
    };

    if (icalproperty* p = icalcomponent_get_first_property(master, ICAL_DTEND_PROPERTY)) {
        const icaltimetype end = icalproperty_get_dtend(p);
        event.m_length = std::max<qint64>(0, wallOfTime(p, end) - event.m_start);
    } else if (icalproperty* p = icalcomponent_get_first_property(master, ICAL_DURATION_PROPERTY)) {
        event.m_length = std::max(0, icaldurationtype_as_int(icalproperty_get_duration(p)));
    } else if (event.m_allDay) {
        event.m_length = SecondsPerDay;
    }

    if (icalproperty* p = icalcomponent_get_first_property(master, ICAL_RRULE_PROPERTY)) {
        icalrecurrencetype rule = icalproperty_get_rrule(p);
        if (rule.freq != ICAL_NO_RECURRENCE) {
            const Ical::Text written(icalrecurrencetype_as_string_r(&rule));
            event.m_rule = QByteArray(written.get() ? written.get() : "");
            if (!icaltime_is_null_time(rule.until)) {
                // An UNTIL in UTC is a moment: it ends the series at that moment of the event's clock.
                if (icaltime_is_utc(rule.until) && !rule.until.is_date && !event.m_floating)
                    event.m_until = event.wallOf(utcOf(rule.until));
                else
                    event.m_until = secondOf(rule.until) + (rule.until.is_date ? SecondsPerDay - 1 : 0);
            }
        }
    }
    for (icalproperty* p = icalcomponent_get_first_property(master, ICAL_RDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(master, ICAL_RDATE_PROPERTY)) {
        const icaldatetimeperiodtype value = icalproperty_get_rdate(p);
        const icaltimetype t = icaltime_is_null_time(value.time) ? value.period.start : value.time;
        if (!icaltime_is_null_time(t))
            event.m_extra.push_back(wallOfTime(p, t));
    }
    for (icalproperty* p = icalcomponent_get_first_property(master, ICAL_EXDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(master, ICAL_EXDATE_PROPERTY)) {
        const icaltimetype t = icalproperty_get_exdate(p);
        event.m_excluded.push_back(t.is_date && !event.m_allDay ? -secondOf(t) - 1 : wallOfTime(p, t));
    }
    std::sort(event.m_extra.begin(), event.m_extra.end());
    std::sort(event.m_excluded.begin(), event.m_excluded.end());

    const char* summary = icalcomponent_get_summary(master);
    const char* description = icalcomponent_get_description(master);
    event.m_subject = QString::fromUtf8(summary ? summary : "");
    event.m_note = QString::fromUtf8(description ? description : "");

    const char* masterUid = icalcomponent_get_uid(master);
    for (icalcomponent* e : changed) {
        // Another series' changed occurrence, in a text of several events, is not this one's.
        const char* uid = icalcomponent_get_uid(e);
        if (masterUid && uid && qstrcmp(masterUid, uid) != 0)
            continue;
        icalproperty* id = icalcomponent_get_first_property(e, ICAL_RECURRENCEID_PROPERTY);
        Changed one;
        one.ruleSecond = wallOfTime(id, icalproperty_get_recurrenceid(id));
        if (icalproperty* status = icalcomponent_get_first_property(e, ICAL_STATUS_PROPERTY))
            one.cancelled = icalproperty_get_status(status) == ICAL_STATUS_CANCELLED;
        const Occurrence plain = event.made(one.ruleSecond);
        one.start = plain.start;
        one.end = plain.end;
        one.allDay = plain.allDay;
        if (icalproperty* s = icalcomponent_get_first_property(e, ICAL_DTSTART_PROPERTY)) {
            const icaltimetype t = icalproperty_get_dtstart(s);
            const ZoneRef own = zoneOf(calendar, s, t);
            one.allDay = t.is_date;
            one.start = own.floating ? QDateTime(QDate(t.year, t.month, t.day),
                                                 t.is_date ? QTime(0, 0) : QTime(t.hour, t.minute,
                                                                                 std::min(t.second, 59)))
                                     : momentOf(t, own).toLocalTime();
            qint64 length = event.m_length;
            if (icalproperty* p = icalcomponent_get_first_property(e, ICAL_DTEND_PROPERTY)) {
                const icaltimetype end = icalproperty_get_dtend(p);
                const ZoneRef endZone = zoneOf(calendar, p, end);
                const QDateTime endAt =
                    endZone.floating
                        ? QDateTime(QDate(end.year, end.month, end.day),
                                    end.is_date ? QTime(0, 0)
                                                : QTime(end.hour, end.minute, std::min(end.second, 59)))
                        : momentOf(end, endZone).toLocalTime();
                length = std::max<qint64>(0, one.start.secsTo(endAt));
            } else if (icalproperty* p = icalcomponent_get_first_property(e, ICAL_DURATION_PROPERTY)) {
                length = std::max(0, icaldurationtype_as_int(icalproperty_get_duration(p)));
            } else if (t.is_date) {
                length = SecondsPerDay;
            }
            one.end = one.allDay ? one.start.addDays(std::max<qint64>(1, length / SecondsPerDay))
                                 : one.start.addSecs(length);
        }
        const char* s = icalcomponent_get_summary(e);
        const char* d = icalcomponent_get_description(e);
        one.subject = s ? QString::fromUtf8(s) : event.m_subject;
        one.note = d ? QString::fromUtf8(d) : event.m_note;
        event.m_changed.push_back(std::move(one));
    }

    for (icalcomponent* a = icalcomponent_get_first_component(master, ICAL_VALARM_COMPONENT); a;
         a = icalcomponent_get_next_component(master, ICAL_VALARM_COMPONENT)) {
        icalproperty* action = icalcomponent_get_first_property(a, ICAL_ACTION_PROPERTY);
        const icalproperty_action kind = action ? icalproperty_get_action(action) : ICAL_ACTION_DISPLAY;
        if (kind != ICAL_ACTION_DISPLAY && kind != ICAL_ACTION_AUDIO)
            continue;
        icalproperty* trigger = icalcomponent_get_first_property(a, ICAL_TRIGGER_PROPERTY);
        qint64 offset = 0;
        if (trigger) {
            const icaltriggertype t = icalproperty_get_trigger(trigger);
            if (!icaltime_is_null_time(t.time)) {
                offset = wallOfTime(trigger, t.time) - event.m_start;
            } else {
                offset = icaldurationtype_as_int(t.duration);
                icalparameter* related = icalproperty_get_first_parameter(trigger, ICAL_RELATED_PARAMETER);
                if (related && icalparameter_get_related(related) == ICAL_RELATED_END)
                    offset += event.m_length;
            }
        }
        event.m_alarmOffsets.push_back(offset);
    }
    std::sort(event.m_alarmOffsets.begin(), event.m_alarmOffsets.end());
    event.m_alarmOffsets.erase(std::unique(event.m_alarmOffsets.begin(), event.m_alarmOffsets.end()),
                               event.m_alarmOffsets.end());
    // Only a zone the file describes needs the parsed calendar later; the rest is held in its own values.
    if (!event.m_described)
        event.m_calendar.reset();
    return event;
}

QDateTime RecurringEvent::toLocal(qint64 wallSecond) const
{
    const QDate date = dayOf(wallSecond);
    const QTime time = timeOf(wallSecond);
    if (m_allDay || m_floating) {
        const QDateTime here(date, time);
        // A time the local clock skips is read with the offset before the gap, as a zone's is.
        return here.isValid() && here.time() == time ? here : inZone(date, time, QTimeZone::systemTimeZone()).toLocalTime();
    }
    if (m_described) {
        icaltimetype t = floatingTime(wallSecond, false);
        t.zone = m_described;
        return utcOf(icaltime_convert_to_zone(t, icaltimezone_get_utc_timezone())).toLocalTime();
    }
    return inZone(date, time, m_zone).toLocalTime();
}

qint64 RecurringEvent::wallOf(const QDateTime& local) const
{
    if (m_allDay || m_floating) {
        const QDateTime here = local.toLocalTime();
        return here.date().toJulianDay() * SecondsPerDay + here.time().msecsSinceStartOfDay() / 1000;
    }
    ZoneRef zone;
    zone.floating = false;
    zone.system = m_zone;
    zone.described = m_described;
    return wallIn(local, zone);
}

Occurrence RecurringEvent::made(qint64 wallSecond) const
{
    Occurrence o;
    o.ruleSecond = wallSecond;
    o.allDay = m_allDay;
    o.start = toLocal(wallSecond);
    // A length of whole days keeps its days across a daylight-saving change, and a floating event's length
    // is counted on the wall clock, as its times are.
    o.end = m_allDay || m_floating || m_length % SecondsPerDay == 0 ? toLocal(wallSecond + m_length)
                                                                    : o.start.addSecs(m_length);
    o.subject = m_subject;
    o.note = m_note;
    return o;
}

std::vector<qint64> RecurringEvent::ruleSeconds(qint64 first, qint64 last) const
{
    std::vector<qint64> seconds;
    // The start is always the first occurrence, also when the rule itself would not give it.
    if (m_start >= first && m_start <= last)
        seconds.push_back(m_start);
    if (!m_rule.isEmpty()) {
        icalrecurrencetype rule = icalrecurrencetype_from_string(m_rule.constData());
        if (m_until != 0) {
            rule.until = floatingTime(m_until, m_allDay);
        }
        icalrecur_iterator* it = icalrecur_iterator_new(rule, floatingTime(m_start, m_allDay));
        if (it) {
            // Without a count or an interval, the walk may begin near the first second asked for instead of
            // the start: libical would count an interval's periods from that second, not from the start.
            if (rule.count == 0 && rule.interval <= 1 && first - SecondsPerDay * 400 > m_start)
                icalrecur_iterator_set_start(it, floatingTime(first - SecondsPerDay * 400, m_allDay));
            for (int step = 0; step < MaxSteps; ++step) {
                const icaltimetype next = icalrecur_iterator_next(it);
                if (icaltime_is_null_time(next))
                    break;
                const qint64 s = secondOf(next);
                if (s > last)
                    break;
                if (s >= first)
                    seconds.push_back(s);
            }
            icalrecur_iterator_free(it);
        }
    }
    for (qint64 s : m_extra) {
        if (s >= first && s <= last)
            seconds.push_back(s);
    }
    std::sort(seconds.begin(), seconds.end());
    seconds.erase(std::unique(seconds.begin(), seconds.end()), seconds.end());
    return seconds;
}

std::vector<Occurrence> RecurringEvent::between(const QDateTime& from, const QDateTime& to) const
{
    std::vector<Occurrence> found;
    if (!from.isValid() || !to.isValid() || to <= from)
        return found;
    // Two days either side take in every offset a zone has from the local clock.
    const qint64 first = wallOf(from) - m_length - 2 * SecondsPerDay;
    const qint64 last = wallOf(to) + 2 * SecondsPerDay;
    for (qint64 s : ruleSeconds(first, last)) {
        if (std::binary_search(m_excluded.begin(), m_excluded.end(), s) ||
            std::binary_search(m_excluded.begin(), m_excluded.end(), -(s / SecondsPerDay) * SecondsPerDay - 1))
            continue;
        if (std::any_of(m_changed.begin(), m_changed.end(),
                        [&](const Changed& c) { return c.ruleSecond == s; }))
            continue;
        Occurrence o = made(s);
        if (touches(o, from, to))
            found.push_back(std::move(o));
    }
    for (const Changed& c : m_changed) {
        if (c.cancelled)
            continue;
        Occurrence o;
        o.ruleSecond = c.ruleSecond;
        o.start = c.start;
        o.end = c.end;
        o.allDay = c.allDay;
        o.changed = true;
        o.subject = c.subject;
        o.note = c.note;
        if (touches(o, from, to))
            found.push_back(std::move(o));
    }
    std::sort(found.begin(), found.end(), [](const Occurrence& a, const Occurrence& b) {
        return a.start != b.start ? a.start < b.start : a.ruleSecond < b.ruleSecond;
    });
    return found;
}

std::vector<Occurrence> RecurringEvent::onDays(QDate first, QDate last) const
{
    return between(QDateTime(first, QTime(0, 0)), QDateTime(last.addDays(1), QTime(0, 0)));
}

std::optional<Occurrence> RecurringEvent::firstAfter(const QDateTime& moment) const
{
    // Ever longer stretches: most series have an occurrence within days, and a far one is still found.
    for (const qint64 days : {2LL, 40LL, 400LL, 4000LL, 40000LL}) {
        const QDateTime to = moment.addDays(days);
        for (Occurrence& o : between(moment, to)) {
            if (o.start > moment)
                return std::move(o);
        }
        if (m_rule.isEmpty() && m_extra.empty() && m_changed.empty())
            break;
        if (m_until != 0 && wallOf(to) > m_until &&
            (m_extra.empty() || wallOf(to) > m_extra.back()))
            break;
    }
    return std::nullopt;
}

std::optional<Occurrence> RecurringEvent::first() const
{
    QDateTime earliest = toLocal(m_start);
    if (!m_extra.empty())
        earliest = std::min(earliest, toLocal(m_extra.front()));
    for (const Changed& c : m_changed) {
        if (!c.cancelled)
            earliest = std::min(earliest, c.start);
    }
    return firstAfter(earliest.addSecs(-1));
}

QString RecurringEvent::words() const
{
    if (m_rule.isEmpty()) {
        const qsizetype dates = qsizetype(m_extra.size()) + (std::binary_search(m_extra.begin(), m_extra.end(),
                                                                                 m_start) ? 0 : 1);
        return dates <= 1 ? tr("Once") : tr("On %1 dates").arg(dates);
    }
    return RuleWords::of(m_rule, dayOf(m_start));
}
