#pragma once

#include "exchange/IcalHandles.h"

#include <QByteArray>
#include <QTimeZone>

// The VTIMEZONE that goes with an event written in one of the system's zones, so that a calendar naming
// the zone also says what the name means: the zone's offsets and their changes in the years asked for, a
// change that comes back every year written once as a yearly rule, and the rules still in force at the
// end left open, so that later years follow them as the system's own zone data does.
namespace ZoneWriting {

// The zone's name as a TZID: its IANA name; empty when the zone has no name of that form.
QByteArray tzid(const QTimeZone& zone);

// Whether times in the zone are always UTC, so that they are best written as UTC times.
bool isUtc(const QTimeZone& zone);

// The zone from the start of `firstYear` (not before 1900, where the zone data ends being of use) on;
// years after `lastYear` follow its rules of the years just after. Null for a zone without a TZID.
Ical::Component describe(const QTimeZone& zone, int firstYear, int lastYear);

} // namespace ZoneWriting
