#include "exchange/ZoneLimits.h"

#include <QCoreApplication>

#include <libical/ical.h>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ZoneLimits", text);
}

int countOf(const short* values)
{
    int n = 0;
    while (n < ICAL_BY_DAY_SIZE && values[n] != ICAL_RECURRENCE_ARRAY_MAX)
        ++n;
    return n;
}

const char* frequencyName(icalrecurrencetype_frequency f)
{
    const char* name = icalrecur_freq_to_string(f);
    return name ? name : "unknown";
}

// A rule changes the offset a few times a year at most: yearly, in one month, on one weekday (or one of
// a week's days of the month, as older programs write "the second Sunday"), at one time of that day (Lotus
// Notes repeats the onset's hour and minute in the rule).
std::optional<QString> ruleRefusal(const icalrecurrencetype& r)
{
    if (r.freq != ICAL_YEARLY_RECURRENCE)
        return tr("its rule changes the offset %1, where a time zone changes it at most a few times a year")
            .arg(QString::fromLatin1(frequencyName(r.freq)).toLower());
    if (countOf(r.by_second) > 1 || countOf(r.by_minute) > 1 || countOf(r.by_hour) > 1 ||
        r.by_year_day[0] != ICAL_RECURRENCE_ARRAY_MAX || r.by_week_no[0] != ICAL_RECURRENCE_ARRAY_MAX ||
        countOf(r.by_month) > 1 || countOf(r.by_day) > 1 || countOf(r.by_month_day) > 7)
        return tr("its rule changes the offset more often than once a year");
    return std::nullopt;
}

} // namespace

std::optional<QString> ZoneLimits::refusal(icalcomponent* zone)
{
    int observances = 0, rules = 0, extraDates = 0;
    for (icalcomponent* part = icalcomponent_get_first_component(zone, ICAL_ANY_COMPONENT); part;
         part = icalcomponent_get_next_component(zone, ICAL_ANY_COMPONENT)) {
        if (++observances > MaxObservances)
            return tr("it has more than %1 parts").arg(MaxObservances);
        for (icalproperty* p = icalcomponent_get_first_property(part, ICAL_RRULE_PROPERTY); p;
             p = icalcomponent_get_next_property(part, ICAL_RRULE_PROPERTY)) {
            if (++rules > MaxRules)
                return tr("it has more than %1 rules").arg(MaxRules);
            if (auto why = ruleRefusal(icalproperty_get_rrule(p)))
                return why;
        }
        extraDates += icalcomponent_count_properties(part, ICAL_RDATE_PROPERTY);
        if (extraDates > MaxExtraDates)
            return tr("it lists more than %1 changes").arg(MaxExtraDates);
        if (icalcomponent_count_properties(part, ICAL_EXRULE_PROPERTY) > 0)
            return tr("it has an exception rule, which no time zone needs");
    }
    return std::nullopt;
}
