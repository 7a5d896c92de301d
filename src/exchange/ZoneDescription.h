#pragma once

#include <QByteArray>
#include <QTimeZone>

#include <libical/ical.h>

// How far a time zone described in a calendar file can be trusted for one time written in it. A
// description says the offset from its first change on: each STANDARD and DAYLIGHT part needs its start
// and the offsets before and after it. Some programs write parts with the offset after the change alone
// (Apple's iCal 1.5), and some describe only the rules of recent years (a zone that begins in 2007, as
// RFC 5545's own example does). libical then reads such a time in UTC. The system's zone of the same name
// knows the zone's whole history, and where the system has none, the offsets the description gives are
// nearer the truth than UTC.
namespace ZoneDescription {

struct Reading
{
    enum class Kind
    {
        Description, // the description tells the offset: libical reads the time
        Zone,        // read in `zone` instead: the system's zone of that name, or a fixed offset
        WallClock    // the description gives no offset at all: the time as written
    };
    Kind kind = Kind::Description;
    QTimeZone zone;
};

// The reading of `start`, a time written in the described zone `zone` whose name in the file is `name`.
Reading readingOf(icaltimezone* zone, const QByteArray& name, const icaltimetype& start);

} // namespace ZoneDescription
