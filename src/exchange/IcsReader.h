#pragma once

#include <QByteArray>
#include <QString>
#include <QStringConverter>

#include <functional>
#include <map>
#include <optional>

class ProgressLine;
class QIODevice;
// libical's component, as its header names it.
struct icalcomponent_impl;
using icalcomponent = icalcomponent_impl;

// Reads an iCalendar file event by event, knowing on which line of the file each event and each fault
// stands, and never holding more of the file than one event. Every calendar of the file is read (files
// joined from several calendars are common).
//
// The file is read twice. The first reading checks its shape (a file cut off, components that do not
// close or nest without end, a line that is no iCalendar line, a zero byte refuse the whole file before
// any event is looked at) and takes in the time zones each calendar describes, wherever in the calendar
// they stand. The second hands over each event with the zones of its calendar.
//
// A file in UTF-16 is read as the UTF-8 it stands for. A line that is no content line inside an event
// leaves that event out with its line, and inside a time zone refuses that zone; elsewhere it refuses the
// file.
//
// Only the properties the schedule uses reach libical; the others (DTSTAMP, X- and unknown properties,
// empty values) are passed over, and a used property libical cannot read is dropped from its event.
class IcsReader
{
public:
    static constexpr int MaxDepth = 8; // VCALENDAR, VEVENT, VALARM need three

    struct Failure
    {
        qint64 line = 0;
        QString reason; // in the program's own words
    };

    struct Event
    {
        icalcomponent* event = nullptr; // the VEVENT, owned by the reader; null when `leftOut` says why
        icalcomponent* zones = nullptr; // a VCALENDAR holding the VTIMEZONEs of the event's calendar
        qint64 line = 0;                // where the event begins
        qint64 startLine = 0;           // where its DTSTART stands (the event's line when it has none)
        QByteArray startText;           // the DTSTART line as written, empty when it has none
        std::optional<Failure> leftOut; // why the event cannot be read at all
        // The zones of the event's calendar that were refused, by name, with the line and reason.
        const std::map<QByteArray, Failure>* refusedZones = nullptr;
        QByteArray stampText; // the DTSTAMP line as written, empty when it has none
        QByteArray digest;    // changes whenever a line of the event the schedule reads does
    };

    // Called for every event; a failure it returns ends the reading with that failure.
    using EventHandler = std::function<std::optional<Failure>(const Event&)>;

    // Reads a device that can be read from its start a second time; nothing when it was read to its end
    // without a fault.
    static std::optional<Failure> read(QIODevice& device, const EventHandler& handler,
                                       ProgressLine* progress = nullptr);
    static std::optional<Failure> read(const QByteArray& text, const EventHandler& handler,
                                       ProgressLine* progress = nullptr);

    // The UTF-16 a device's text is written in, told by its byte-order mark or by the zero bytes of its
    // first letters; nothing for any other text.
    static std::optional<QStringConverter::Encoding> utf16Of(QIODevice& device);

private:
    static std::optional<Failure> readUtf8(QIODevice& device, const EventHandler& handler,
                                           ProgressLine* progress);
};
