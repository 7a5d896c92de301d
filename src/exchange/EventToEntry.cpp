#include "exchange/EventToEntry.h"

#include "exchange/IcalHandles.h"
#include "store/DateText.h"
#include "store/EntryInput.h"

#include <QCoreApplication>
#include <QDateTime>

#include <set>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("EventToEntry", text);
}

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

struct Start
{
    QDate date;
    qint32 second = 0;
    QDate written; // the date as the event gives it, before any change of time zone
    QString failure;
};

QDateTime inZone(const icaltimetype& t, const QTimeZone& zone)
{
    return QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, std::min(t.second, 59)), zone);
}

Start startOf(icalproperty* property, icalcomponent* zones, const QTimeZone& local)
{
    Start start;
    icaltimetype t = icalproperty_get_dtstart(property);
    const auto written = [property] {
        return QString::fromUtf8(icalproperty_as_ical_string(property)).trimmed();
    };
    start.written = QDate(t.year, t.month, t.day);
    if (!start.written.isValid()) {
        start.failure = tr("the start %1 is no date").arg(written());
        return start;
    }
    if (t.is_date) {
        // An all-day event starts at midnight, with its alarm off unless it asks for one.
        start.date = start.written;
        return start;
    }
    if (t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 60) {
        start.failure = tr("the start %1 is no time of day").arg(written());
        return start;
    }
    QDateTime when;
    if (icaltime_is_utc(t)) {
        when = inZone(t, QTimeZone::utc()).toTimeZone(local);
    } else if (icalparameter* param = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER)) {
        const char* tzid = icalparameter_get_tzid(param);
        if (icaltimezone* described = icalcomponent_get_timezone(zones, tzid)) {
            t.zone = described;
            when = inZone(icaltime_convert_to_zone(t, icaltimezone_get_utc_timezone()), QTimeZone::utc())
                       .toTimeZone(local);
        } else if (const QTimeZone known{QByteArray(tzid)}; known.isValid()) {
            when = inZone(t, known).toTimeZone(local);
        } else {
            start.failure = tr("the time zone \"%1\" is neither described in the file nor known")
                                .arg(QString::fromUtf8(tzid));
            return start;
        }
    } else {
        // A floating time is the same wall-clock time wherever the calendar is read.
        start.date = start.written;
        start.second = t.hour * 3600 + t.minute * 60 + std::min(t.second, 59);
        return start;
    }
    start.date = when.date();
    start.second = when.time().msecsSinceStartOfDay() / 1000;
    return start;
}

struct Rule
{
    ScheduleKind kind = ScheduleKind::OneTime;
    bool simplified = false;
};

// A monthly entry falls on its day in every month of its own year only. A rule that runs to the end of
// that year, with the earlier months of the year added as dates of their own, is exactly that; an
// open rule, or one that leaves out the earlier months, still becomes a monthly entry, marked as
// simplified.
Rule monthlyRule(const icalrecurrencetype& r, icalcomponent* event, QDate written)
{
    const bool open = icaltime_is_null_time(r.until);
    const bool toYearEnd = !open && r.until.year == written.year() && r.until.month == 12 &&
                           r.until.day >= std::min(written.day(), 31);
    if (!open && !toYearEnd)
        return {ScheduleKind::OneTime, true};
    std::set<int> added;
    for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_RDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(event, ICAL_RDATE_PROPERTY)) {
        const icaltimetype t = icalproperty_get_rdate(p).time;
        if (t.year != written.year() || t.day != written.day() || t.month >= written.month())
            return {ScheduleKind::OneTime, true};
        added.insert(t.month);
    }
    std::set<int> earlier;
    for (int month = 1; month < written.month(); ++month) {
        if (QDate(written.year(), month, written.day()).isValid())
            earlier.insert(month);
    }
    return {ScheduleKind::Monthly, open || added != earlier};
}

Rule ruleOf(icalcomponent* event, QDate written)
{
    const int rules = icalcomponent_count_properties(event, ICAL_RRULE_PROPERTY);
    const bool extraDates = icalcomponent_count_properties(event, ICAL_RDATE_PROPERTY) > 0;
    const bool exceptions = icalcomponent_count_properties(event, ICAL_EXDATE_PROPERTY) > 0 ||
                            icalcomponent_count_properties(event, ICAL_EXRULE_PROPERTY) > 0;
    if (rules == 0)
        return {ScheduleKind::OneTime, extraDates || exceptions};
    const Rule simplified{ScheduleKind::OneTime, true};
    if (rules > 1 || exceptions)
        return simplified;
    const icalrecurrencetype r =
        icalproperty_get_rrule(icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY));
    if (r.interval > 1 || r.count > 0 || !isEmpty(r.by_second) || !isEmpty(r.by_minute) ||
        !isEmpty(r.by_hour) || !isEmpty(r.by_year_day) || !isEmpty(r.by_week_no) || !isEmpty(r.by_set_pos) ||
        !onlyThe(r.by_month_day, written.day()))
        return simplified;
    if (r.freq == ICAL_MONTHLY_RECURRENCE && isEmpty(r.by_day) && isEmpty(r.by_month))
        return monthlyRule(r, event, written);
    if (!icaltime_is_null_time(r.until) || extraDates)
        return simplified;
    switch (r.freq) {
    case ICAL_YEARLY_RECURRENCE:
        if (isEmpty(r.by_day) && onlyThe(r.by_month, written.month()))
            return {ScheduleKind::Yearly, false};
        break;
    case ICAL_DAILY_RECURRENCE:
        if (isEmpty(r.by_day) && isEmpty(r.by_month) && isEmpty(r.by_month_day))
            return {ScheduleKind::EveryDay, false};
        break;
    case ICAL_WEEKLY_RECURRENCE:
        if (isMondayToFriday(r.by_day) && isEmpty(r.by_month) && isEmpty(r.by_month_day))
            return {ScheduleKind::MondayToFriday, false};
        break;
    default:
        break;
    }
    return simplified;
}

// A text cut to the characters its field holds; `cut` tells whether anything was lost.
QString fitted(const QString& text, ScheduleField field, const QString& placeholder, bool* cut)
{
    if (EntryInput::isBlank(text))
        return placeholder;
    const int size = fieldInfo(field).size;
    *cut = characterCount(text) > size;
    return *cut ? EntryInput::firstCharacters(text, size) : text;
}

} // namespace

EventToEntry::Mapped EventToEntry::map(icalcomponent* event, icalcomponent* zones, const QTimeZone& local)
{
    Mapped mapped;
    if (icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY)) {
        mapped.outcome = Outcome::ChangedOccurrence;
        return mapped;
    }
    icalproperty* dtstart = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
    if (!dtstart) {
        mapped.outcome = Outcome::NoStart;
        return mapped;
    }
    const Start start = startOf(dtstart, zones, local);
    if (!start.failure.isEmpty()) {
        mapped.outcome = Outcome::Failed;
        mapped.failure = start.failure;
        return mapped;
    }
    const Rule rule = ruleOf(event, start.written);
    mapped.kind = rule.kind;
    mapped.simplified = rule.simplified;
    mapped.date = start.date;
    mapped.second = start.second;

    const char* summary = icalcomponent_get_summary(event);
    const char* description = icalcomponent_get_description(event);
    const QString subject = fitted(EntryInput::oneLine(QString::fromUtf8(summary ? summary : "")),
                                   ScheduleField::Type, NoSubject, &mapped.subjectCut);
    const QString note = fitted(QString::fromUtf8(description ? description : ""), ScheduleField::Note,
                                NoNote, &mapped.noteCut);
    const bool alarm = icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT) != nullptr;
    mapped.entry =
        ScheduleEntry::make(DateText::mmddyyyy(mapped.date), DateText::dddd(mapped.date), subject, note,
                            DateText::timeText(QTime::fromMSecsSinceStartOfDay(mapped.second * 1000)),
                            alarm ? QStringLiteral("on") : QStringLiteral("off"), addDialogText(mapped.kind));
    return mapped;
}
