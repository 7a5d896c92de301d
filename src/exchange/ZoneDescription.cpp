#include "exchange/ZoneDescription.h"

#include "exchange/ZoneNames.h"

#include <optional>
#include <tuple>
#include <vector>

namespace {

// One STANDARD or DAYLIGHT part, with what it gives of its change.
struct Part
{
    bool standard = false;
    std::optional<icaltimetype> start;
    std::optional<int> offsetFrom;
    std::optional<int> offsetTo;

    bool usable() const { return start && offsetFrom && offsetTo; }
};

auto wallFields(const icaltimetype& t)
{
    return std::make_tuple(t.year, t.month, t.day, t.is_date ? 0 : t.hour, t.is_date ? 0 : t.minute,
                           t.is_date ? 0 : t.second);
}

std::vector<Part> partsOf(icaltimezone* zone)
{
    std::vector<Part> parts;
    icalcomponent* description = icaltimezone_get_component(zone);
    if (!description)
        return parts;
    for (icalcomponent* c = icalcomponent_get_first_component(description, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(description, ICAL_ANY_COMPONENT)) {
        const icalcomponent_kind kind = icalcomponent_isa(c);
        if (kind != ICAL_XSTANDARD_COMPONENT && kind != ICAL_XDAYLIGHT_COMPONENT)
            continue;
        Part part;
        part.standard = kind == ICAL_XSTANDARD_COMPONENT;
        if (icalproperty* p = icalcomponent_get_first_property(c, ICAL_DTSTART_PROPERTY)) {
            const icaltimetype start = icalproperty_get_dtstart(p);
            if (!icaltime_is_null_time(start))
                part.start = start;
        }
        if (icalproperty* p = icalcomponent_get_first_property(c, ICAL_TZOFFSETFROM_PROPERTY))
            part.offsetFrom = icalproperty_get_tzoffsetfrom(p);
        if (icalproperty* p = icalcomponent_get_first_property(c, ICAL_TZOFFSETTO_PROPERTY))
            part.offsetTo = icalproperty_get_tzoffsetto(p);
        parts.push_back(part);
    }
    return parts;
}

// The offset the parts give for `start` when they say no change: the one after the last change written
// before it, or else the standard one.
std::optional<int> givenOffset(const std::vector<Part>& parts, const icaltimetype& start)
{
    const Part* latest = nullptr;
    const Part* standard = nullptr;
    const Part* any = nullptr;
    for (const Part& part : parts) {
        if (!part.offsetTo)
            continue;
        if (!any)
            any = &part;
        if (part.standard && !standard)
            standard = &part;
        if (part.start && wallFields(*part.start) <= wallFields(start) &&
            (!latest || wallFields(*latest->start) < wallFields(*part.start)))
            latest = &part;
    }
    const Part* chosen = latest ? latest : (standard ? standard : any);
    return chosen ? chosen->offsetTo : std::nullopt;
}

ZoneDescription::Reading fixed(int offset)
{
    const QTimeZone zone(offset);
    if (!zone.isValid())
        return {ZoneDescription::Reading::Kind::WallClock, {}};
    return {ZoneDescription::Reading::Kind::Zone, zone};
}

} // namespace

ZoneDescription::Reading ZoneDescription::readingOf(icaltimezone* zone, const QByteArray& name,
                                                    const icaltimetype& start)
{
    const std::vector<Part> parts = partsOf(zone);
    const Part* first = nullptr;
    bool usable = !parts.empty();
    for (const Part& part : parts) {
        usable = usable && part.usable();
        if (part.start && (!first || wallFields(*part.start) < wallFields(*first->start)))
            first = &part;
    }
    const bool beforeFirst = first && wallFields(start) < wallFields(*first->start);
    if (usable && !beforeFirst)
        return {};
    if (!ZoneNames::looksLikePath(name)) {
        if (const auto system = ZoneNames::systemZone(name))
            return {Reading::Kind::Zone, *system};
    }
    // Before its first change a zone keeps the offset that change starts from.
    if (usable)
        return fixed(*first->offsetFrom);
    if (const auto offset = givenOffset(parts, start))
        return fixed(*offset);
    return {Reading::Kind::WallClock, {}};
}
