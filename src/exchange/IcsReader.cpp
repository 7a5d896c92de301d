#include "exchange/IcsReader.h"

#include "exchange/IcalHandles.h"
#include "exchange/LineReader.h"
#include "exchange/ProgressLine.h"
#include "exchange/ShownText.h"
#include "exchange/ZoneLimits.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QStringDecoder>
#include <QTemporaryFile>

#include <algorithm>
#include <vector>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("IcsReader", text);
}

using ShownText::quotedLine;

constexpr int MaxZones = 1000;

// The name of a content line ("DTSTART" of "DTSTART;TZID=...:...") and, for BEGIN and END lines, the
// component they open or close, upper-cased.
struct LineShape
{
    QByteArrayView name;
    QByteArray component;
    bool contentLine = false; // a name of letters, digits and dashes, and a value after a colon

    bool is(QByteArrayView upper) const { return name.compare(upper, Qt::CaseInsensitive) == 0; }
    bool begins() const { return is("BEGIN"); }
    bool ends() const { return is("END"); }
};

LineShape shapeOf(const QByteArray& line)
{
    LineShape shape;
    qsizetype cut = 0;
    while (cut < line.size() && line[cut] != ';' && line[cut] != ':')
        ++cut;
    shape.name = QByteArrayView(line.constData(), cut);
    const bool named = !shape.name.isEmpty() && std::all_of(shape.name.begin(), shape.name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
    });
    // A colon inside a quoted parameter value does not end the parameters.
    bool quoted = false, colon = false;
    for (qsizetype i = cut; i < line.size() && !colon; ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ':' && !quoted)
            colon = true;
    }
    shape.contentLine = named && colon;
    if ((shape.begins() || shape.ends()) && cut < line.size() && line[cut] == ':')
        shape.component = line.mid(cut + 1).trimmed().toUpper();
    return shape;
}

bool isOneOf(const LineShape& shape, std::initializer_list<const char*> names)
{
    return std::any_of(names.begin(), names.end(), [&](const char* name) { return shape.is(name); });
}

// The properties of an event the schedule reads; the rest never reach libical.
bool usedInEvent(const LineShape& shape)
{
    return isOneOf(shape, {"DTSTART", "RRULE", "SUMMARY", "DESCRIPTION", "UID", "EXDATE", "RDATE", "DTEND",
                           "DURATION", "RECURRENCE-ID", "SEQUENCE", "LAST-MODIFIED", "EXRULE", "STATUS"});
}

bool usedInAlarm(const LineShape& shape)
{
    return isOneOf(shape, {"ACTION", "TRIGGER"});
}

Ical::Component parsed(std::vector<QByteArray>& lines)
{
    Ical::Parser parser(icalparser_new());
    Ical::Component component;
    for (QByteArray& line : lines) {
        if (icalcomponent* done = icalparser_add_line(parser.get(), line.data()))
            component.reset(done);
    }
    return component;
}

// The components open at a line, and the lines they began on.
class Nesting
{
public:
    // The fault of the file at this line, if it has one; the line is taken in otherwise. A line that is
    // no content line inside an event or a zone (a line break that was not folded, a quote that does not
    // close) spoils that component alone: it is told in `spoiled` instead.
    std::optional<IcsReader::Failure> take(const LineShape& shape, const QByteArray& line, qint64 number,
                                           std::optional<IcsReader::Failure>& spoiled)
    {
        spoiled.reset();
        if (m_open.empty() && !(shape.begins() && shape.component == "VCALENDAR"))
            return IcsReader::Failure{
                number, tr("a calendar must begin here with BEGIN:VCALENDAR, not %1").arg(quotedLine(line))};
        if (!shape.contentLine && m_open.size() >= 2) {
            spoiled = IcsReader::Failure{
                number, tr("its line %1 %2 cannot be read").arg(number).arg(quotedLine(line))};
            return std::nullopt;
        }
        if (!shape.contentLine)
            return IcsReader::Failure{number, tr("%1 cannot be read").arg(quotedLine(line))};
        if (shape.begins()) {
            if (m_open.size() >= size_t(IcsReader::MaxDepth))
                return IcsReader::Failure{number, tr("components nest deeper than %1 levels here, which no "
                                                     "calendar does")
                                                      .arg(IcsReader::MaxDepth)};
            m_open.emplace_back(shape.component, number);
        } else if (shape.ends()) {
            if (shape.component != m_open.back().first)
                return IcsReader::Failure{number,
                                          tr("END:%1 where %2 begun on line %3 should end")
                                              .arg(ShownText::escaped(QString::fromUtf8(shape.component)),
                                                   QString::fromUtf8(m_open.back().first))
                                              .arg(m_open.back().second)};
            m_open.pop_back();
        }
        return std::nullopt;
    }

    size_t depth() const { return m_open.size(); }
    const QByteArray& innermost() const { return m_open.back().first; }

    std::optional<IcsReader::Failure> atEnd(qint64 lastLine) const
    {
        if (m_open.empty())
            return std::nullopt;
        return IcsReader::Failure{std::max<qint64>(lastLine, 1),
                                  tr("the file ends inside %1 begun on line %2: it has been cut off")
                                      .arg(QString::fromUtf8(m_open.back().first))
                                      .arg(m_open.back().second)};
    }

private:
    std::vector<std::pair<QByteArray, qint64>> m_open;
};

struct CalendarZones
{
    Ical::Component zones;
    std::map<QByteArray, IcsReader::Failure> refused;
};

// The lines of one VTIMEZONE while they come in.
struct ZoneLines
{
    qint64 line = 0;
    std::vector<QByteArray> lines;
    QByteArray tzid;
    qint64 tooLongAt = 0;
    bool overflow = false;
    std::optional<IcsReader::Failure> spoiled;
};

class Survey
{
public:
    Survey(QIODevice& device, ProgressLine* progress, qint64 total)
        : m_reader(device), m_progress(progress), m_total(total)
    {}

    std::optional<IcsReader::Failure> run(std::vector<CalendarZones>& calendars)
    {
        LineReader::Line line;
        std::optional<IcsReader::Failure> spoiled;
        while (m_reader.next(line)) {
            const LineShape shape = shapeOf(line.text);
            if (auto failure = m_nesting.take(shape, line.text, line.number, spoiled))
                return failure;
            if (spoiled) {
                if (m_zone && !m_zone->spoiled)
                    m_zone->spoiled = spoiled;
                continue;
            }
            if (shape.begins() && m_nesting.depth() == 1)
                calendars.push_back({Ical::Component(icalcomponent_new(ICAL_VCALENDAR_COMPONENT)), {}});
            else if (shape.begins() && m_nesting.depth() == 2 && shape.component == "VTIMEZONE")
                m_zone = ZoneLines{line.number, {}, {}, 0, false, std::nullopt};
            if (m_zone)
                collect(shape, line);
            if (m_zone && shape.ends() && m_nesting.depth() == 1) {
                finishZone(calendars.back());
                m_zone.reset();
            }
            if (m_progress)
                m_progress->step(m_reader.bytesRead(), m_total);
        }
        if (m_reader.zeroByteLine() > 0)
            return IcsReader::Failure{m_reader.zeroByteLine(),
                                      tr("the file holds a zero byte, which no calendar text has: it is no "
                                         "iCalendar file")};
        if (auto failure = m_nesting.atEnd(m_reader.linesRead()))
            return failure;
        if (calendars.empty())
            return IcsReader::Failure{1, tr("it holds no calendar (no BEGIN:VCALENDAR line)")};
        return std::nullopt;
    }

private:
    void collect(const LineShape& shape, const LineReader::Line& line)
    {
        if (m_nesting.depth() == 2 && shape.is("TZID") && m_zone->tzid.isEmpty())
            m_zone->tzid = line.text.mid(line.text.indexOf(':') + 1).trimmed();
        if (line.tooLong && m_zone->tooLongAt == 0)
            m_zone->tooLongAt = line.number;
        if (m_zone->lines.size() >= size_t(ZoneLimits::MaxLines))
            m_zone->overflow = true;
        if (!m_zone->overflow && !line.tooLong)
            m_zone->lines.push_back(line.text);
    }

    void finishZone(CalendarZones& calendar)
    {
        const auto refuse = [&](qint64 at, const QString& why) {
            if (!m_zone->tzid.isEmpty())
                calendar.refused.try_emplace(m_zone->tzid, IcsReader::Failure{at, why});
        };
        if (m_zone->tooLongAt > 0)
            return refuse(
                m_zone->tooLongAt,
                tr("its line %1 is longer than %2 MB").arg(m_zone->tooLongAt).arg(LineReader::MaxLine >> 20));
        if (m_zone->overflow)
            return refuse(m_zone->line, tr("it has more than %1 lines").arg(ZoneLimits::MaxLines));
        if (m_zone->spoiled)
            return refuse(m_zone->line, m_zone->spoiled->reason);
        if (++m_zones > MaxZones)
            return refuse(m_zone->line, tr("the file describes more than %1 time zones").arg(MaxZones));
        Ical::Component zone = parsed(m_zone->lines);
        if (!zone)
            return refuse(m_zone->line, tr("it cannot be read"));
        if (const auto why = ZoneLimits::refusal(zone.get()))
            return refuse(m_zone->line, *why);
        icalcomponent_add_component(calendar.zones.get(), zone.release());
    }

    LineReader m_reader;
    ProgressLine* m_progress;
    qint64 m_total;
    Nesting m_nesting;
    std::optional<ZoneLines> m_zone;
    int m_zones = 0;
};

// The used lines of one event while they come in.
struct EventLines
{
    qint64 line = 0;
    qint64 startLine = 0;
    QByteArray startText;
    std::vector<QByteArray> lines;
    std::optional<IcsReader::Failure> leftOut;
    QByteArray stampText;
};

class EventPass
{
public:
    EventPass(QIODevice& device, const std::vector<CalendarZones>& calendars,
              const IcsReader::EventHandler& handler, ProgressLine* progress, qint64 total)
        : m_reader(device), m_calendars(calendars), m_handler(handler), m_progress(progress), m_total(total)
    {}

    std::optional<IcsReader::Failure> run()
    {
        LineReader::Line line;
        std::optional<IcsReader::Failure> spoiled;
        while (m_reader.next(line)) {
            const LineShape shape = shapeOf(line.text);
            // The survey has found every fault of the file's shape already.
            if (m_nesting.take(shape, line.text, line.number, spoiled))
                break;
            if (spoiled) {
                if (m_event && !m_event->leftOut)
                    m_event->leftOut = spoiled;
                continue;
            }
            if (shape.begins() && m_nesting.depth() == 1)
                ++m_calendar;
            if (shape.begins() && m_nesting.depth() == 2 && shape.component == "VEVENT")
                m_event = EventLines{line.number, line.number, {}, {}, std::nullopt, {}};
            if (m_event) {
                take(shape, line);
                if (shape.ends() && m_nesting.depth() == 1) {
                    if (auto failure = finishEvent())
                        return failure;
                }
            }
            if (m_progress)
                m_progress->step(m_total / 2 + m_reader.bytesRead(), m_total);
        }
        return std::nullopt;
    }

private:
    void take(const LineShape& shape, LineReader::Line& line)
    {
        const size_t depth = m_nesting.depth();
        // BEGIN lines have been taken in by the nesting already, END lines not yet.
        const bool eventLevel = (depth == 2 && !shape.ends() && !shape.begins()) ||
                                (depth == 2 && shape.begins()) || (depth == 1 && shape.ends());
        const bool alarmLevel = (depth == 3 && m_nesting.innermost() == "VALARM") ||
                                (depth == 2 && shape.ends() && shape.component == "VALARM");
        bool used = false;
        if (shape.begins() || shape.ends())
            used = eventLevel || alarmLevel;
        else if (eventLevel)
            used = usedInEvent(shape);
        else if (alarmLevel)
            used = usedInAlarm(shape);
        if (eventLevel && shape.is("DTSTAMP") && !line.tooLong && m_event->stampText.isEmpty())
            m_event->stampText = line.text;
        if (!used)
            return;
        if (line.tooLong) {
            if (!m_event->leftOut)
                m_event->leftOut = IcsReader::Failure{
                    line.number,
                    tr("its line %1 is longer than %2 MB").arg(line.number).arg(LineReader::MaxLine >> 20)};
            return;
        }
        if (eventLevel && shape.is("DTSTART") && m_event->startText.isEmpty()) {
            m_event->startLine = line.number;
            m_event->startText = line.text;
        }
        m_event->lines.push_back(std::move(line.text));
    }

    std::optional<IcsReader::Failure> finishEvent()
    {
        EventLines lines = std::move(*m_event);
        m_event.reset();
        const CalendarZones& calendar = m_calendars[size_t(m_calendar)];
        IcsReader::Event event{nullptr,           calendar.zones.get(), lines.line,
                               lines.startLine,   lines.startText,      lines.leftOut,
                               &calendar.refused, lines.stampText,      {}};
        QCryptographicHash digest(QCryptographicHash::Sha1);
        for (const QByteArray& line : lines.lines) {
            digest.addData(line);
            digest.addData(QByteArrayView("\n", 1));
        }
        event.digest = digest.result().left(12).toBase64();
        Ical::Component component;
        if (!event.leftOut) {
            component = parsed(lines.lines);
            event.event = component.get();
            if (!component)
                event.leftOut = IcsReader::Failure{lines.line, tr("the event begun here cannot be read")};
        }
        return m_handler(event);
    }

    LineReader m_reader;
    const std::vector<CalendarZones>& m_calendars;
    const IcsReader::EventHandler& m_handler;
    ProgressLine* m_progress;
    qint64 m_total;
    Nesting m_nesting;
    int m_calendar = -1;
    std::optional<EventLines> m_event;
};

} // namespace

std::optional<QStringConverter::Encoding> IcsReader::utf16Of(QIODevice& device)
{
    const QByteArray head = device.peek(4);
    if (head.size() < 4 || head.startsWith(QByteArrayView("\xFF\xFE\0\0", 4)))
        return std::nullopt;
    if (head.startsWith("\xFF\xFE") || (head[0] != 0 && head[1] == 0 && head[2] != 0 && head[3] == 0))
        return QStringConverter::Utf16LE;
    if (head.startsWith("\xFE\xFF") || (head[0] == 0 && head[1] != 0 && head[2] == 0 && head[3] != 0))
        return QStringConverter::Utf16BE;
    return std::nullopt;
}

std::optional<IcsReader::Failure> IcsReader::read(QIODevice& device, const EventHandler& handler,
                                                  ProgressLine* progress)
{
    // A file saved as UTF-16 (as some Windows editors do) is read as the UTF-8 it stands for, written to
    // a file of its own a piece at a time, since the reading goes over the file twice.
    if (const auto encoding = utf16Of(device)) {
        QTemporaryFile utf8;
        const auto noRoom = [&] {
            return Failure{0,
                           tr("the file is written in UTF-16, and no room was found to read it as UTF-8: %1")
                               .arg(utf8.errorString())};
        };
        if (!utf8.open())
            return noRoom();
        QStringDecoder decoder(*encoding);
        while (!device.atEnd()) {
            const QByteArray chunk = device.read(1 << 20);
            if (chunk.isEmpty())
                break;
            const QByteArray text = QString(decoder.decode(chunk)).toUtf8();
            if (utf8.write(text) != text.size())
                return noRoom();
        }
        if (!utf8.flush() || !utf8.seek(0))
            return noRoom();
        return readUtf8(utf8, handler, progress);
    }
    return readUtf8(device, handler, progress);
}

std::optional<IcsReader::Failure> IcsReader::readUtf8(QIODevice& device, const EventHandler& handler,
                                                      ProgressLine* progress)
{
    const qint64 size = std::max<qint64>(device.size(), 1);
    std::vector<CalendarZones> calendars;
    if (auto failure = Survey(device, progress, size * 2).run(calendars))
        return failure;
    if (!device.seek(0))
        return Failure{0, tr("the file cannot be read a second time: %1").arg(device.errorString())};
    return EventPass(device, calendars, handler, progress, size * 2).run();
}

std::optional<IcsReader::Failure> IcsReader::read(const QByteArray& text, const EventHandler& handler,
                                                  ProgressLine* progress)
{
    QByteArray copy = text;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return read(buffer, handler, progress);
}
