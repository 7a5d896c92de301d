#include "exchange/ZoneWriting.h"

#include "exchange/ZoneLimits.h"
#include "exchange/ZoneNames.h"

#include <QDateTime>

#include <algorithm>
#include <vector>

namespace {

constexpr int EarliestYear = 1900;
// Years looked at after the last one asked for: enough for the day of a change such as "the last Sunday
// of March" to have fallen on every weekday, so that its yearly rule is known for what it is.
constexpr int YearsAfter = 10;

// One change of the zone's offset, with the wall-clock time at which it happens (in the offset before it).
struct Change
{
    QDateTime utc;
    int from = 0;
    int to = 0;
    bool daylight = false;
    QString name;
    QDate wallDate;
    QTime wallTime;
};

// Changes of the same kind in consecutive years: one observance with a yearly rule. The changes' days of
// the month all lie in the window [low, high] + 0..6, so that "the weekday on or after day low" meets
// every one of them.
struct Observance
{
    Change first;
    Change last;
    int count = 1;
    int low = 1;
    int high = 31;
};

bool sameKind(const Change& a, const Change& b)
{
    return a.from == b.from && a.to == b.to && a.daylight == b.daylight && a.name == b.name &&
           a.wallDate.month() == b.wallDate.month() && a.wallDate.dayOfWeek() == b.wallDate.dayOfWeek() &&
           a.wallTime == b.wallTime;
}

QByteArray offsetText(int seconds)
{
    const char sign = seconds < 0 ? '-' : '+';
    seconds = std::abs(seconds);
    QByteArray text = sign + QByteArray::number(seconds / 3600).rightJustified(2, '0') +
                      QByteArray::number(seconds / 60 % 60).rightJustified(2, '0');
    if (seconds % 60 != 0)
        text += QByteArray::number(seconds % 60).rightJustified(2, '0');
    return text;
}

QByteArray wallText(QDate date, QTime time)
{
    return QByteArray::number(date.year()).rightJustified(4, '0') +
           QByteArray::number(date.month()).rightJustified(2, '0') +
           QByteArray::number(date.day()).rightJustified(2, '0') + 'T' +
           QByteArray::number(time.hour()).rightJustified(2, '0') +
           QByteArray::number(time.minute()).rightJustified(2, '0') +
           QByteArray::number(time.second()).rightJustified(2, '0');
}

const char* const WeekdayNames[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};

// The days of the month a yearly rule picks: the last weekday of the month, the n-th, or the weekday of
// a seven-day window.
QByteArray dayRule(const Observance& o)
{
    const QDate date = o.first.wallDate;
    const QByteArray weekday = WeekdayNames[date.dayOfWeek() - 1];
    const int lastWeek = date.daysInMonth() - 6;
    if (date.month() != 2 && o.low <= lastWeek && lastWeek <= o.high)
        return ";BYDAY=-1" + weekday;
    for (int n = 1; n <= 4; ++n) {
        const int first = 1 + 7 * (n - 1);
        if (o.low <= first && first <= o.high)
            return ";BYDAY=" + QByteArray::number(n) + weekday;
    }
    QByteArray days;
    for (int d = o.low; d < o.low + 7; ++d)
        days += (days.isEmpty() ? "" : ",") + QByteArray::number(d);
    return ";BYMONTHDAY=" + days + ";BYDAY=" + weekday;
}

// A zone's own abbreviation, when it is plain enough to be written as it is.
bool plainName(const QString& name)
{
    return !name.isEmpty() && std::all_of(name.begin(), name.end(), [](QChar c) {
        return c.unicode() > 0x20 && c.unicode() < 0x7f && c != u',' && c != u';' && c != u'\\' &&
               c != u':' && c != u'"';
    });
}

QByteArray observanceText(const Change& change, const QByteArray& rule)
{
    const QByteArray kind = change.daylight ? "DAYLIGHT" : "STANDARD";
    QByteArray text = "BEGIN:" + kind + "\r\nDTSTART:" + wallText(change.wallDate, change.wallTime) +
                      "\r\nTZOFFSETFROM:" + offsetText(change.from) + "\r\nTZOFFSETTO:" + offsetText(change.to) +
                      "\r\n";
    if (plainName(change.name))
        text += "TZNAME:" + change.name.toLatin1() + "\r\n";
    text += rule + "END:" + kind + "\r\n";
    return text;
}

Change changeAt(const QTimeZone::OffsetData& data, int before)
{
    Change change;
    change.utc = data.atUtc.toUTC();
    change.from = before;
    change.to = data.offsetFromUtc;
    change.daylight = data.daylightTimeOffset != 0;
    change.name = data.abbreviation;
    const QDateTime wall = change.utc.addSecs(before);
    change.wallDate = wall.date();
    change.wallTime = wall.time();
    return change;
}

std::vector<Observance> observancesOf(const std::vector<Change>& changes)
{
    std::vector<Observance> found;
    for (const Change& change : changes) {
        const int day = change.wallDate.day();
        bool taken = false;
        for (auto o = found.rbegin(); o != found.rend() && !taken; ++o) {
            if (o->last.wallDate.year() != change.wallDate.year() - 1 || !sameKind(o->last, change))
                continue;
            const int low = std::max(o->low, day - 6);
            const int high = std::min(o->high, day);
            if (low > high)
                continue;
            o->low = low;
            o->high = high;
            o->last = change;
            ++o->count;
            taken = true;
        }
        if (!taken)
            found.push_back({change, change, 1, std::max(1, day - 6), day});
    }
    return found;
}

Ical::Component described(const QTimeZone& zone, const QByteArray& id, int scanFirst, int scanLast)
{
    const QDateTime from(QDate(scanFirst, 1, 1), QTime(0, 0), QTimeZone::utc());
    const QDateTime to(QDate(scanLast + 1, 1, 1), QTime(0, 0), QTimeZone::utc());
    const QTimeZone::OffsetData initial = zone.offsetData(from);
    std::vector<Change> changes;
    int before = initial.offsetFromUtc;
    for (const QTimeZone::OffsetData& data : zone.transitions(from, to)) {
        if (!data.atUtc.isValid() || data.atUtc < from)
            continue;
        changes.push_back(changeAt(data, before));
        before = data.offsetFromUtc;
    }

    Change start;
    start.from = start.to = initial.offsetFromUtc;
    start.daylight = initial.daylightTimeOffset != 0;
    start.name = initial.abbreviation;
    start.wallDate = QDate(scanFirst, 1, 1);
    start.wallTime = QTime(0, 0);
    QByteArray text = "BEGIN:VCALENDAR\r\nBEGIN:VTIMEZONE\r\nTZID:" + id + "\r\n" + observanceText(start, {});
    for (const Observance& o : observancesOf(changes)) {
        QByteArray rule;
        if (o.count > 1) {
            rule = "RRULE:FREQ=YEARLY;BYMONTH=" + QByteArray::number(o.first.wallDate.month()) + dayRule(o);
            // A rule still in force in the last year looked at goes on; one that ended says when.
            if (o.last.wallDate.year() < scanLast)
                rule += ";UNTIL=" + wallText(o.last.utc.date(), o.last.utc.time()) + 'Z';
            rule += "\r\n";
        }
        text += observanceText(o.first, rule);
    }
    text += "END:VTIMEZONE\r\nEND:VCALENDAR\r\n";
    Ical::Component calendar(icalparser_parse_string(text.constData()));
    icalcomponent* inner =
        calendar ? icalcomponent_get_first_component(calendar.get(), ICAL_VTIMEZONE_COMPONENT) : nullptr;
    if (!inner)
        return {};
    icalcomponent_remove_component(calendar.get(), inner);
    return Ical::Component(inner);
}

} // namespace

QByteArray ZoneWriting::tzid(const QTimeZone& zone)
{
    if (!zone.isValid())
        return {};
    const QByteArray id = zone.id();
    return ZoneNames::hasIanaForm(id) ? id : QByteArray();
}

bool ZoneWriting::isUtc(const QTimeZone& zone)
{
    static const QByteArrayList Names = {"UTC",           "Etc/UTC",  "Etc/UCT",   "UCT",      "Universal",
                                         "Etc/Universal", "Zulu",     "Etc/Zulu",  "GMT",      "Etc/GMT",
                                         "GMT0",          "Etc/GMT0", "Greenwich", "Etc/Greenwich"};
    return zone.isValid() && Names.contains(zone.id());
}

Ical::Component ZoneWriting::describe(const QTimeZone& zone, int firstYear, int lastYear)
{
    const QByteArray id = tzid(zone);
    if (id.isEmpty())
        return {};
    const int scanLast = std::clamp(std::max(firstYear, lastYear), EarliestYear, 9000) + YearsAfter;
    int scanFirst = std::clamp(firstYear - 1, EarliestYear, scanLast);
    // A zone whose history is long enough to pass what a reader takes is described from a later year:
    // earlier times are then read in the offset that year began with.
    for (;;) {
        Ical::Component zoneComponent = described(zone, id, scanFirst, scanLast);
        if (!zoneComponent || !ZoneLimits::refusal(zoneComponent.get()) || scanFirst >= scanLast)
            return zoneComponent;
        scanFirst = std::min(scanFirst + 10, scanLast);
    }
}
