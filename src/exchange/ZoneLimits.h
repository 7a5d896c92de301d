#pragma once

#include <QString>

#include <optional>

// libical's component, as its header names it.
struct icalcomponent_impl;
using icalcomponent = icalcomponent_impl;

// The work a time zone described in a calendar file may cost. libical works out every change of a
// zone's offset from the zone's first year on; a real zone changes at most a few times a year, but a
// rule that changes it every minute makes hundreds of millions of changes. Such a zone is refused, and
// the events in it are left out with its name.
namespace ZoneLimits {

constexpr int MaxObservances = 1000; // STANDARD and DAYLIGHT parts of one zone
constexpr int MaxRules = 50;         // of them with a rule
constexpr int MaxExtraDates = 5000;  // RDATE values of the whole zone
constexpr int MaxLines = 20000;      // lines of one zone in the file

// Why the VTIMEZONE cannot be taken, in the program's own words; nothing when its cost is bounded.
std::optional<QString> refusal(icalcomponent* zone);

} // namespace ZoneLimits
