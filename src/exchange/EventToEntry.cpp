#include "exchange/EventToEntry.h"

#include "exchange/IcalHandles.h"
#include "exchange/RuleText.h"
#include "exchange/ShownText.h"
#include "exchange/ZoneDescription.h"
#include "exchange/ZoneNames.h"
#include "store/DateText.h"
#include "store/EntryInput.h"
#include "store/Recurrence.h"
#include "store/RuleFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>

#include <algorithm>
#include <set>
#include <tuple>
#include <vector>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("EventToEntry", text);
}

using Recurrence::wallDate;
using Recurrence::wallSecond;
using Recurrence::wallTime;

bool isEmpty(const short* values)
{
    return values[0] == ICAL_RECURRENCE_ARRAY_MAX;
}

// Whether a BYMONTH or BYMONTHDAY list says nothing beyond the start itself.
bool onlyThe(const short* values, int value)
{
    for (int i = 0; values[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
        if (values[i] != value)
            return false;
    }
    return true;
}

bool isMondayToFriday(const short* days)
{
    std::set<int> seen;
    for (int i = 0; days[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
        if (icalrecurrencetype_day_position(days[i]) != 0)
            return false;
        seen.insert(int(icalrecurrencetype_day_day_of_week(days[i])));
    }
    return seen == std::set<int>{ICAL_MONDAY_WEEKDAY, ICAL_TUESDAY_WEEKDAY, ICAL_WEDNESDAY_WEEKDAY,
                                 ICAL_THURSDAY_WEEKDAY, ICAL_FRIDAY_WEEKDAY};
}

// How the event's start is written: floating, in UTC, in a zone the file describes, in a zone the system
// knows by that name, or in a zone no one knows (read as floating).
struct WrittenZone
{
    enum class Kind
    {
        Floating,
        Utc,
        Described,
        System,
        Unknown
    };
    Kind kind = Kind::Floating;
    icaltimezone* described = nullptr;
    QTimeZone system;
    QByteArray name;
};

auto fieldsOf(const icaltimetype& t)
{
    return std::make_tuple(t.year, t.month, t.day, t.is_date ? 0 : t.hour, t.is_date ? 0 : t.minute,
                           t.is_date ? 0 : t.second);
}

bool earlier(const icaltimetype& a, const icaltimetype& b)
{
    return fieldsOf(a) < fieldsOf(b);
}

class EventReading
{
public:
    EventReading(const IcsReader::Event& event, const QTimeZone& local) : m_event(event), m_local(local) {}

    EventToEntry::Mapped map()
    {
        icalcomponent* e = m_event.event;
        m_mapped.noteLine = m_event.line;
        if (!e)
            return leftOut(m_event.leftOut->line, m_event.leftOut->reason);
        readTexts(e);
        if (icalcomponent_get_first_property(e, ICAL_RECURRENCEID_PROPERTY))
            return ended(EventToEntry::Outcome::ChangedOccurrence,
                         tr("a changed occurrence of a recurring event; left out"));
        icalproperty* dtstart = icalcomponent_get_first_property(e, ICAL_DTSTART_PROPERTY);
        if (!dtstart) {
            if (!m_event.startText.isEmpty())
                return leftOut(
                    m_event.startLine,
                    tr("its start %1 cannot be read").arg(ShownText::quotedLine(m_event.startText)));
            return ended(EventToEntry::Outcome::NoStart, tr("it has no start; left out"));
        }
        if (auto refused = readZone(dtstart))
            return leftOut(m_event.startLine, *refused);
        const icaltimetype written = icalproperty_get_dtstart(dtstart);
        if (!QDate(written.year, written.month, written.day).isValid())
            return leftOut(m_event.startLine,
                           tr("its start %1 is no date").arg(ShownText::quotedLine(m_event.startText)));
        if (!written.is_date && (written.hour < 0 || written.hour > 23 || written.minute < 0 ||
                                 written.minute > 59 || written.second < 0 || written.second > 60))
            return leftOut(
                m_event.startLine,
                tr("its start %1 is no time of day").arg(ShownText::quotedLine(m_event.startText)));

        const std::optional<icaltimetype> first = firstOccurrence(e, written);
        if (!first)
            return ended(EventToEntry::Outcome::NoOccurrence,
                         tr("every date of it is excluded, so it never takes place; left out"));
        const std::optional<qint64> start = localWall(*first);
        if (!start)
            return outsideSchedule(*first);
        const qint64 alarm = *start + alarmOffset(e, written, *first);
        if (!readsBack(alarm))
            return leftOut(m_event.line,
                           tr("its date %1 is outside the years the schedule holds (100 to 9999)")
                               .arg(DateText::mmddyyyy(wallDate(alarm))));
        mapKind(e, *first, alarm);
        fill(alarm, *start);
        return m_mapped;
    }

private:
    void readTexts(icalcomponent* e)
    {
        const char* summary = icalcomponent_get_summary(e);
        m_summary = EntryInput::oneLine(QString::fromUtf8(summary ? summary : ""));
        if (const char* uid = icalcomponent_get_uid(e))
            m_mapped.identity.uid = QByteArray(uid);
        if (icalcomponent_get_first_property(e, ICAL_SEQUENCE_PROPERTY))
            m_mapped.identity.sequence = icalcomponent_get_sequence(e);
        if (icalproperty* p = icalcomponent_get_first_property(e, ICAL_LASTMODIFIED_PROPERTY)) {
            const icaltimetype t = icalproperty_get_lastmodified(p);
            const QDateTime when(QDate(t.year, t.month, t.day),
                                 QTime(t.hour, t.minute, std::min(t.second, 59)), QTimeZone::utc());
            if (when.isValid())
                m_mapped.identity.lastModified = when;
        }
    }

    EventToEntry::Mapped ended(EventToEntry::Outcome outcome, const QString& why)
    {
        m_mapped.outcome = outcome;
        say(why);
        m_mapped.note = noteText();
        return m_mapped;
    }

    EventToEntry::Mapped leftOut(qint64 line, const QString& why)
    {
        m_mapped.noteLine = line;
        return ended(EventToEntry::Outcome::LeftOut, tr("%1; left out").arg(why));
    }

    EventToEntry::Mapped outsideSchedule(const icaltimetype& t)
    {
        return leftOut(m_event.startLine,
                       tr("its date %1 is outside the years the schedule holds (100 to 9999)")
                           .arg(QStringLiteral("%1/%2/%3")
                                    .arg(t.month, 2, 10, QLatin1Char('0'))
                                    .arg(t.day, 2, 10, QLatin1Char('0'))
                                    .arg(t.year, 4, 10, QLatin1Char('0'))));
    }

    void say(const QString& text) { m_says << text; }

    // The zone of the start; the reason when it is a zone the file describes but which was refused.
    std::optional<QString> readZone(icalproperty* dtstart)
    {
        const icaltimetype t = icalproperty_get_dtstart(dtstart);
        if (t.is_date)
            return std::nullopt;
        if (icaltime_is_utc(t)) {
            m_zone.kind = WrittenZone::Kind::Utc;
            return std::nullopt;
        }
        icalparameter* param = icalproperty_get_first_parameter(dtstart, ICAL_TZID_PARAMETER);
        if (!param)
            return std::nullopt;
        m_zone.name = QByteArray(icalparameter_get_tzid(param));
        if (icaltimezone* described = icalcomponent_get_timezone(m_event.zones, m_zone.name.constData())) {
            const ZoneDescription::Reading reading = ZoneDescription::readingOf(described, m_zone.name, t);
            switch (reading.kind) {
            case ZoneDescription::Reading::Kind::Description:
                m_zone.kind = WrittenZone::Kind::Described;
                m_zone.described = described;
                break;
            case ZoneDescription::Reading::Kind::Zone:
                m_zone.kind = WrittenZone::Kind::System;
                m_zone.system = reading.zone;
                break;
            case ZoneDescription::Reading::Kind::WallClock:
                m_zone.kind = WrittenZone::Kind::Unknown;
                m_mapped.zoneUnknown = true;
                say(tr("its time zone %1 is described without any offset: read as local time")
                        .arg(ShownText::quoted(QString::fromUtf8(m_zone.name))));
                break;
            }
            return std::nullopt;
        }
        if (m_event.refusedZones) {
            const auto refused = m_event.refusedZones->find(m_zone.name);
            if (refused != m_event.refusedZones->end())
                return tr("its time zone %1, described on line %2, was refused: %3")
                    .arg(ShownText::quoted(QString::fromUtf8(m_zone.name)))
                    .arg(refused->second.line)
                    .arg(refused->second.reason);
        }
        // A name that climbs out of a folder names a file, not a zone: such an event is nobody's.
        if (ZoneNames::looksLikePath(m_zone.name))
            return tr("its time zone %1 is no zone name: it reaches into folders or holds control characters")
                .arg(ShownText::quoted(QString::fromUtf8(m_zone.name)));
        if (const auto system = ZoneNames::systemZone(m_zone.name)) {
            m_zone.kind = WrittenZone::Kind::System;
            m_zone.system = *system;
            return std::nullopt;
        }
        // Other calendars read such a start as the wall-clock time it says, and so does the schedule.
        m_zone.kind = WrittenZone::Kind::Unknown;
        m_mapped.zoneUnknown = true;
        say(tr("its time zone %1 is known neither to the file nor to this system: read as local time")
                .arg(ShownText::quoted(QString::fromUtf8(m_zone.name))));
        return std::nullopt;
    }

    // A time written in the start's zone as a second of the local wall clock; nothing for a time outside
    // the years the schedule holds.
    std::optional<qint64> localWall(icaltimetype t) const
    {
        if (t.year < 100 || t.year > 9999)
            return std::nullopt;
        const QDate date(t.year, t.month, t.day);
        if (!date.isValid())
            return std::nullopt;
        if (t.is_date)
            return wallSecond(date, 0);
        const QTime time(t.hour, t.minute, std::min(t.second, 59));
        QDateTime when;
        switch (m_zone.kind) {
        case WrittenZone::Kind::Floating:
        case WrittenZone::Kind::Unknown:
            return wallSecond(date, time.msecsSinceStartOfDay() / 1000);
        case WrittenZone::Kind::Utc:
            when = QDateTime(date, time, QTimeZone::utc());
            break;
        case WrittenZone::Kind::System:
            when = QDateTime(date, time, m_zone.system);
            break;
        case WrittenZone::Kind::Described: {
            t.zone = m_zone.described;
            const icaltimetype u = icaltime_convert_to_zone(t, icaltimezone_get_utc_timezone());
            when = QDateTime(QDate(u.year, u.month, u.day), QTime(u.hour, u.minute, std::min(u.second, 59)),
                             QTimeZone::utc());
            break;
        }
        }
        const QDateTime here = when.toTimeZone(m_local);
        if (!here.isValid())
            return std::nullopt;
        return wallSecond(here);
    }

    // An exception or an extra date given in UTC, written in the start's own zone so that it can be
    // compared with the occurrences.
    icaltimetype inStartZone(icaltimetype t) const
    {
        if (!icaltime_is_utc(t) || t.is_date)
            return t;
        if (m_zone.kind == WrittenZone::Kind::Described)
            return icaltime_convert_to_zone(t, m_zone.described);
        if (m_zone.kind == WrittenZone::Kind::System) {
            const QDateTime there =
                QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, std::min(t.second, 59)),
                          QTimeZone::utc())
                    .toTimeZone(m_zone.system);
            t.year = there.date().year();
            t.month = there.date().month();
            t.day = there.date().day();
            t.hour = there.time().hour();
            t.minute = there.time().minute();
            t.second = there.time().second();
        }
        return t;
    }

    bool excluded(const icaltimetype& t) const
    {
        return std::any_of(m_exceptions.begin(), m_exceptions.end(), [&](const icaltimetype& ex) {
            if (ex.is_date)
                return ex.year == t.year && ex.month == t.month && ex.day == t.day;
            return fieldsOf(ex) == fieldsOf(t);
        });
    }

    // The first occurrence that is not excluded: the start itself, or when its own date is excluded, the
    // next one of its rule or its extra dates; nothing when none is left.
    std::optional<icaltimetype> firstOccurrence(icalcomponent* e, const icaltimetype& start)
    {
        for (icalproperty* p = icalcomponent_get_first_property(e, ICAL_EXDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(e, ICAL_EXDATE_PROPERTY))
            m_exceptions.push_back(inStartZone(icalproperty_get_exdate(p)));
        for (icalproperty* p = icalcomponent_get_first_property(e, ICAL_RDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(e, ICAL_RDATE_PROPERTY)) {
            const icaldatetimeperiodtype value = icalproperty_get_rdate(p);
            const icaltimetype t = icaltime_is_null_time(value.time) ? value.period.start : value.time;
            if (!icaltime_is_null_time(t))
                m_extraDates.push_back(inStartZone(t));
        }
        if (icalproperty* p = icalcomponent_get_first_property(e, ICAL_RRULE_PROPERTY))
            m_rule = icalproperty_get_rrule(p);
        if (!excluded(start))
            return start;
        std::optional<icaltimetype> first;
        // Rules of hours, minutes or seconds have no kind in the schedule, and walking them may take long.
        if (m_rule && m_rule->freq >= ICAL_DAILY_RECURRENCE && m_rule->freq <= ICAL_YEARLY_RECURRENCE) {
            icalrecur_iterator* it = icalrecur_iterator_new(*m_rule, start);
            for (int n = 0; it && n < 1000; ++n) {
                const icaltimetype next = icalrecur_iterator_next(it);
                if (icaltime_is_null_time(next))
                    break;
                if (!excluded(next)) {
                    first = next;
                    break;
                }
            }
            if (it)
                icalrecur_iterator_free(it);
        }
        for (const icaltimetype& extra : m_extraDates) {
            if (!excluded(extra) && (!first || earlier(extra, *first)))
                first = extra;
        }
        if (first)
            first->is_date = start.is_date;
        return first;
    }

    // A monthly entry of an earlier export: every month of the start's year, the earlier months as extra
    // dates. The schedule's monthly entries now recur in every year.
    bool isYearOfMonths(const icalrecurrencetype& r, const icaltimetype& start) const
    {
        if (icaltime_is_null_time(r.until) || r.until.year != start.year || r.until.month != 12)
            return false;
        return std::all_of(m_extraDates.begin(), m_extraDates.end(), [&](const icaltimetype& t) {
            return t.year == start.year && t.day == start.day && t.month < start.month;
        });
    }

    struct Kind
    {
        ScheduleKind kind = ScheduleKind::OneTime;
        bool exact = true;
        QString says; // what the event says, when it says more than the kind keeps
        bool keepable = true; // the rule can be kept whole instead
    };

    Kind kindOf(icalcomponent* e, const icaltimetype& first) const
    {
        const QDate firstDate(first.year, first.month, first.day);
        const int laterExceptions =
            int(std::count_if(m_exceptions.begin(), m_exceptions.end(),
                              [&](const icaltimetype& ex) { return earlier(first, ex); }));
        const QString exceptText =
            laterExceptions == 0 ? QString()
                                 : (laterExceptions == 1 ? tr(", except on one day")
                                                         : tr(", except on %1 days").arg(laterExceptions));
        if (!m_rule) {
            const qsizetype more =
                std::count_if(m_extraDates.begin(), m_extraDates.end(),
                              [&](const auto& t) { return fieldsOf(t) != fieldsOf(first) && !excluded(t); });
            if (more == 0)
                return {};
            return {ScheduleKind::OneTime, false,
                    (more == 1 ? tr("on %1 and one more date") : tr("on %1 and %2 more dates").arg(more))
                        .arg(RuleText::dayText(firstDate))};
        }
        const icalrecurrencetype& r = *m_rule;
        const QString ruleSays = RuleText::describe(r, firstDate) + exceptText;
        const Kind none{ScheduleKind::OneTime, false, ruleSays};
        if (icalcomponent_count_properties(e, ICAL_RRULE_PROPERTY) > 1 ||
            icalcomponent_count_properties(e, ICAL_EXRULE_PROPERTY) > 0)
            return {ScheduleKind::OneTime, false, tr("several rules"), false};
        if (r.interval > 1 || r.count > 0 || !isEmpty(r.by_second) || !isEmpty(r.by_minute) ||
            !isEmpty(r.by_hour) || !isEmpty(r.by_year_day) || !isEmpty(r.by_week_no) ||
            !isEmpty(r.by_set_pos) || !onlyThe(r.by_month_day, first.day))
            return none;
        Kind kind;
        if (r.freq == ICAL_MONTHLY_RECURRENCE && isEmpty(r.by_day) && isEmpty(r.by_month)) {
            if (icaltime_is_null_time(r.until))
                kind.kind = ScheduleKind::Monthly;
            else if (isYearOfMonths(r, first))
                return {ScheduleKind::Monthly, false,
                        tr("on day %1 of every month of %2 only").arg(first.day).arg(first.year), false};
            else
                return none;
        } else if (!icaltime_is_null_time(r.until)) {
            return none;
        } else if (r.freq == ICAL_YEARLY_RECURRENCE && isEmpty(r.by_day) &&
                   onlyThe(r.by_month, first.month)) {
            kind.kind = ScheduleKind::Yearly;
        } else if (r.freq == ICAL_DAILY_RECURRENCE && isEmpty(r.by_month) && isEmpty(r.by_month_day)) {
            if (isEmpty(r.by_day))
                kind.kind = ScheduleKind::EveryDay;
            else if (isMondayToFriday(r.by_day))
                kind.kind = ScheduleKind::MondayToFriday;
            else
                return none;
        } else if (r.freq == ICAL_WEEKLY_RECURRENCE && isMondayToFriday(r.by_day) && isEmpty(r.by_month) &&
                   isEmpty(r.by_month_day)) {
            kind.kind = ScheduleKind::MondayToFriday;
        } else {
            return none;
        }
        if (laterExceptions > 0 || !m_extraDates.empty())
            return {kind.kind, false,
                    ruleSays + (m_extraDates.empty() ? QString() : tr(", and on extra dates"))};
        return kind;
    }

    void mapKind(icalcomponent* e, const icaltimetype& first, qint64 alarm)
    {
        Kind kind = kindOf(e, first);
        // The days an entry falls on are its alarm's days: where the local alarm falls on another day than
        // the event's own start, its weekdays, or the days of the month near a month's end, move too.
        const QDate written(first.year, first.month, first.day);
        const QDate here = wallDate(alarm);
        if (here != written) {
            if (kind.kind == ScheduleKind::MondayToFriday) {
                kind = {ScheduleKind::OneTime, false,
                        tr("%1 at %2 in its own time zone, which falls on other weekdays here")
                            .arg(kind.says.isEmpty() ? tr("every Monday to Friday") : kind.says,
                                 QLocale(QLocale::English)
                                     .toString(QTime(first.hour, first.minute), QStringLiteral("h:mm AP")))};
            } else if (kind.kind == ScheduleKind::Monthly && here.month() != written.month()) {
                kind.exact = false;
                kind.says =
                    tr("on day %1 of every month, whose alarm falls on another day here").arg(first.day);
            }
        }
        const bool recurs = m_rule || !m_extraDates.empty();
        if (recurs)
            m_mapped.rule = EventToEntry::keptCalendar(EventToEntry::zonesOf(e, m_event.zones),
                                                       EventToEntry::eventText(e));
        // A rule none of the five kinds says is kept whole beside the entry.
        if (!kind.exact && kind.keepable && recurs) {
            m_mapped.kind = ScheduleKind::Unknown;
            m_mapped.ruleKept = true;
            return;
        }
        m_mapped.kind = kind.kind;
        m_mapped.simplified = !kind.exact;
        if (!kind.exact)
            say(tr("%1, kept as %2").arg(kind.says, becameText(kind.kind, here)));
    }

    static QString becameText(ScheduleKind kind, QDate date)
    {
        switch (kind) {
        case ScheduleKind::OneTime:
            return tr("one time on %1").arg(DateText::mmddyyyy(date));
        case ScheduleKind::Monthly:
            return tr("monthly on day %1").arg(date.day());
        case ScheduleKind::Yearly:
            return tr("yearly on %1").arg(DateText::mmdd(date));
        case ScheduleKind::EveryDay:
            return tr("every day");
        case ScheduleKind::MondayToFriday:
            return tr("Monday to Friday");
        case ScheduleKind::Unknown:
            break;
        }
        return QString();
    }

    // The seconds from the start to the first display or sound reminder (0 when there is none), which
    // also switches the alarm on.
    qint64 alarmOffset(icalcomponent* e, const icaltimetype& written, const icaltimetype& first)
    {
        for (icalcomponent* a = icalcomponent_get_first_component(e, ICAL_VALARM_COMPONENT); a;
             a = icalcomponent_get_next_component(e, ICAL_VALARM_COMPONENT)) {
            icalproperty* action = icalcomponent_get_first_property(a, ICAL_ACTION_PROPERTY);
            const icalproperty_action kind = action ? icalproperty_get_action(action) : ICAL_ACTION_DISPLAY;
            if (kind != ICAL_ACTION_DISPLAY && kind != ICAL_ACTION_AUDIO)
                continue;
            m_alarmOn = true;
            icalproperty* trigger = icalcomponent_get_first_property(a, ICAL_TRIGGER_PROPERTY);
            if (!trigger)
                return 0;
            const icaltriggertype t = icalproperty_get_trigger(trigger);
            if (!icaltime_is_null_time(t.time)) {
                // A moment of its own, set for the event's own start; the entry keeps its distance.
                const std::optional<qint64> at = localWall(t.time);
                const std::optional<qint64> start = localWall(written);
                return at && start ? *at - *start : 0;
            }
            qint64 offset = icaldurationtype_as_int(t.duration);
            icalparameter* related = icalproperty_get_first_parameter(trigger, ICAL_RELATED_PARAMETER);
            if (related && icalparameter_get_related(related) == ICAL_RELATED_END)
                offset += lengthOf(e, first);
            return offset;
        }
        return 0;
    }

    // The event's length, for a reminder set against its end.
    qint64 lengthOf(icalcomponent* e, const icaltimetype& first) const
    {
        if (icalproperty* p = icalcomponent_get_first_property(e, ICAL_DURATION_PROPERTY))
            return icaldurationtype_as_int(icalproperty_get_duration(p));
        icalproperty* start = icalcomponent_get_first_property(e, ICAL_DTSTART_PROPERTY);
        icalproperty* end = icalcomponent_get_first_property(e, ICAL_DTEND_PROPERTY);
        if (!end)
            return first.is_date ? Recurrence::SecondsPerDay : 0;
        const std::optional<qint64> from = localWall(icalproperty_get_dtstart(start));
        const std::optional<qint64> to = localWall(icalproperty_get_dtend(end));
        return from && to ? std::max<qint64>(*to - *from, 0) : 0;
    }

    static bool readsBack(qint64 wall)
    {
        const QDate date = wallDate(wall);
        const QTime time = wallTime(wall);
        return date.isValid() && DateText::readDate(DateText::mmddyyyy(date)) == date &&
               DateText::readTime(DateText::timeText(time)) == time;
    }

    static QString lengthText(qint64 seconds)
    {
        const qint64 minutes = seconds / 60;
        const auto counted = [](qint64 n, const char* one, const char* many) {
            return n == 1 ? tr(one) : tr(many).arg(n);
        };
        QStringList parts;
        if (minutes / 1440 > 0)
            parts << counted(minutes / 1440, "1 day", "%1 days");
        if (minutes / 60 % 24 > 0)
            parts << counted(minutes / 60 % 24, "1 hour", "%1 hours");
        if (minutes % 60 > 0 || parts.isEmpty())
            parts << counted(minutes % 60, "1 minute", "%1 minutes");
        return parts.join(u' ');
    }

    void fill(qint64 alarm, qint64 start)
    {
        m_mapped.date = wallDate(alarm);
        m_mapped.second = qint32(alarm % Recurrence::SecondsPerDay);
        if (alarm != start) {
            m_mapped.alarmMoved = true;
            const qint64 offset = alarm - start;
            const QString startTime =
                QLocale(QLocale::English).toString(wallTime(start), QStringLiteral("h:mm AP"));
            say(offset < 0 ? tr("rings %1 before its %2 start").arg(lengthText(-offset), startTime)
                           : tr("rings %1 after its %2 start").arg(lengthText(offset), startTime));
        }
        const char* description = icalcomponent_get_description(m_event.event);
        const QString subject =
            fitted(m_summary, ScheduleField::Subject, EventToEntry::NoSubject, &m_mapped.subjectCut);
        const QString note = fitted(QString::fromUtf8(description ? description : ""), ScheduleField::Note,
                                    EventToEntry::NoNote, &m_mapped.noteCut);
        m_mapped.entry = ScheduleEntry::make(DateText::mmddyyyy(m_mapped.date), DateText::dddd(m_mapped.date),
                                             subject, note, DateText::timeText(wallTime(alarm)),
                                             m_alarmOn ? QStringLiteral("on") : QStringLiteral("off"),
                                             m_mapped.ruleKept ? QString::fromLatin1(RuleFile::RecurringKind)
                                                               : addDialogText(m_mapped.kind));
        if (!m_says.isEmpty())
            m_mapped.note = noteText();
    }

    // A text cut to the characters its field holds; `cut` tells whether anything was lost.
    static QString fitted(const QString& text, ScheduleField field, const QString& placeholder, bool* cut)
    {
        if (EntryInput::isBlank(text))
            return placeholder;
        const int size = fieldInfo(field).size;
        *cut = characterCount(text) > size;
        return *cut ? EntryInput::firstCharacters(text, size) : text;
    }

    QString noteText() const
    {
        // The subject as the entry has it.
        const QString subject =
            EntryInput::isBlank(m_summary)
                ? EventToEntry::NoSubject
                : EntryInput::firstCharacters(m_summary, fieldInfo(ScheduleField::Subject).size);
        return tr("line %1 %2: %3")
            .arg(m_mapped.noteLine)
            .arg(ShownText::quoted(subject), m_says.join(QStringLiteral("; ")));
    }

    const IcsReader::Event& m_event;
    const QTimeZone& m_local;
    EventToEntry::Mapped m_mapped;
    QString m_summary;
    WrittenZone m_zone;
    std::optional<icalrecurrencetype> m_rule;
    std::vector<icaltimetype> m_exceptions;
    std::vector<icaltimetype> m_extraDates;
    QStringList m_says;
    bool m_alarmOn = false;
};

} // namespace

EventToEntry::Mapped EventToEntry::map(const IcsReader::Event& event, const QTimeZone& local)
{
    return EventReading(event, local).map();
}

QByteArray EventToEntry::zonesOf(icalcomponent* event, icalcomponent* zones)
{
    QByteArray text;
    if (!zones)
        return text;
    QList<QByteArray> names;
    const auto named = [&](icalcomponent* c) {
        for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_ANY_PROPERTY); p;
             p = icalcomponent_get_next_property(c, ICAL_ANY_PROPERTY)) {
            icalparameter* tzid = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER);
            if (tzid && icalparameter_get_tzid(tzid) && !names.contains(QByteArray(icalparameter_get_tzid(tzid))))
                names << QByteArray(icalparameter_get_tzid(tzid));
        }
    };
    named(event);
    for (const QByteArray& name : std::as_const(names)) {
        for (icalcomponent* z = icalcomponent_get_first_component(zones, ICAL_VTIMEZONE_COMPONENT); z;
             z = icalcomponent_get_next_component(zones, ICAL_VTIMEZONE_COMPONENT)) {
            icalproperty* id = icalcomponent_get_first_property(z, ICAL_TZID_PROPERTY);
            if (id && icalproperty_get_tzid(id) && name == icalproperty_get_tzid(id)) {
                const Ical::Text written(icalcomponent_as_ical_string_r(z));
                text += written.get();
                break;
            }
        }
    }
    return text;
}

QByteArray EventToEntry::eventText(icalcomponent* event)
{
    const Ical::Text written(icalcomponent_as_ical_string_r(event));
    return QByteArray(written.get() ? written.get() : "");
}

QByteArray EventToEntry::keptCalendar(const QByteArray& zones, const QByteArray& events)
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Zentravio//Zentravio//EN\r\n" + zones + events +
           "END:VCALENDAR\r\n";
}
