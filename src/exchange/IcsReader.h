#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

class ProgressLine;
// libical's component, as its header names it.
struct icalcomponent_impl;
using icalcomponent = icalcomponent_impl;

// Reads an iCalendar file event by event through libical, knowing on which line of the file each event
// and each fault stands. Every calendar of the file is read (files joined from several calendars are
// common); each event is handed over on its own together with the time zones its calendar describes,
// so that a file of any size is never held as one tree. The reader stops at the first fault: a line that
// is no iCalendar line, a value libical cannot read, components that do not close, or a file cut off.
class IcsReader
{
public:
    struct Failure
    {
        qint64 line = 0;
        QString reason; // in the program's own words
    };

    struct Event
    {
        icalcomponent* event; // the VEVENT, owned by the reader
        icalcomponent* zones; // a VCALENDAR holding the VTIMEZONEs of the event's calendar
        qint64 line;          // where the event begins
        qint64 startLine;     // where its DTSTART stands (the event's line when it has none)
    };

    // Called for every event; a failure it returns ends the reading with that failure.
    using EventHandler = std::function<std::optional<Failure>(const Event&)>;

    // Reads the whole text; nothing when it was read to its end without a fault.
    static std::optional<Failure> read(const QByteArray& text, const EventHandler& handler,
                                       ProgressLine* progress = nullptr);
};
