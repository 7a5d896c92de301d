#include "exchange/IcsReader.h"

#include "exchange/IcalHandles.h"
#include "exchange/ProgressLine.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("IcsReader", text);
}

// A line as a message quotes it: whole when short, its start otherwise.
QString quoted(const QByteArray& line)
{
    constexpr qsizetype Shown = 60;
    QString text = QString::fromUtf8(line);
    if (text.size() > Shown)
        text = text.left(Shown) + QStringLiteral("...");
    return u'"' + text + u'"';
}

// Hands libical the file one physical line at a time and counts the lines handed out, so that every
// unfolded line libical gives back can be placed in the file.
struct LineSource
{
    const char* next;
    const char* end;
    qint64 linesStarted = 0;
    bool midLine = false;
    bool atEnd = false;

    static char* generate(char* out, size_t size, void* data)
    {
        auto* source = static_cast<LineSource*>(data);
        if (source->next == source->end || size < 2) {
            source->atEnd = true;
            return nullptr;
        }
        if (!source->midLine)
            ++source->linesStarted;
        const size_t left = size_t(source->end - source->next);
        const auto* newline = static_cast<const char*>(std::memchr(source->next, '\n', left));
        size_t length = newline ? size_t(newline - source->next) + 1 : left;
        length = std::min(length, size - 1);
        std::memcpy(out, source->next, length);
        out[length] = '\0';
        source->next += length;
        source->midLine = out[length - 1] != '\n';
        return out;
    }
};

// The name of a content line ("DTSTART" of "DTSTART;TZID=...:...") and, for BEGIN and END lines, the
// component they open or close, upper-cased. The name points into the line, which outlives it.
struct LineShape
{
    QByteArrayView name;
    QByteArray component;

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
    shape.name = QByteArrayView(line.constData(), cut).trimmed();
    if ((shape.begins() || shape.ends()) && cut < line.size() && line[cut] == ':')
        shape.component = line.mid(cut + 1).trimmed().toUpper();
    return shape;
}

// Whether a line holds nothing but white space; looked at for every line, so it makes no copy.
bool isBlank(QByteArrayView line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r'; });
}

// The value of a content line: what follows the first colon outside a quoted parameter; nothing for a
// line without one, which is no content line at all.
std::optional<QByteArray> valueOf(const QByteArray& line)
{
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ':' && !quoted)
            return line.mid(i + 1);
    }
    return std::nullopt;
}

const char* firstErrorText(icalcomponent* component)
{
    if (icalproperty* error = icalcomponent_get_first_property(component, ICAL_XLICERROR_PROPERTY))
        return icalproperty_get_xlicerror(error);
    for (icalcomponent* inner = icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT); inner;
         inner = icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT)) {
        if (const char* text = firstErrorText(inner))
            return text;
    }
    return nullptr;
}

// One component of the calendar level (an event, a time zone) while its lines come in.
struct Collected
{
    QByteArray name;
    qint64 line = 0;
    Ical::Parser parser;
    std::vector<std::pair<qint64, QByteArray>> lines;
};

class Reading
{
public:
    Reading(const QByteArray& text, const IcsReader::EventHandler& handler, ProgressLine* progress)
        : m_handler(handler), m_progress(progress), m_size(text.size())
    {
        m_begin = text.constData();
        m_source.next = m_begin;
        m_source.end = m_begin + text.size();
        // A byte-order mark is no part of the first line.
        if (text.startsWith("\xEF\xBB\xBF"))
            m_source.next += 3;
    }

    std::optional<IcsReader::Failure> run()
    {
        Ical::Parser parser(icalparser_new());
        icalparser_set_gen_data(parser.get(), &m_source);
        qint64 lastEnd = 0;
        while (true) {
            const Ical::Text raw(icalparser_get_line(parser.get(), &LineSource::generate));
            if (!raw)
                break;
            // libical has read one line past the one it gives back, except at the end of the file.
            const qint64 end = m_source.atEnd ? m_source.linesStarted : m_source.linesStarted - 1;
            const qint64 start = lastEnd + 1;
            lastEnd = std::max(end, lastEnd);
            const QByteArray line(raw.get());
            if (isBlank(line))
                continue;
            if (auto failure = take(line, raw.get(), start))
                return failure;
            if (m_progress)
                m_progress->step(m_source.next - m_begin, m_size);
        }
        if (!m_open.empty())
            return IcsReader::Failure{std::max<qint64>(lastEnd, 1),
                                      tr("the file ends inside %1 begun on line %2: it has been cut off")
                                          .arg(QString::fromUtf8(m_open.back().first))
                                          .arg(m_open.back().second)};
        if (m_calendars == 0)
            return IcsReader::Failure{1, tr("it holds no calendar (no BEGIN:VCALENDAR line)")};
        return std::nullopt;
    }

private:
    // `raw` is libical's own copy of the line, handed to the component's parser as it stands.
    std::optional<IcsReader::Failure> take(const QByteArray& line, char* raw, qint64 number)
    {
        const LineShape shape = shapeOf(line);
        if (m_open.empty()) {
            if (!shape.begins() || shape.component != "VCALENDAR")
                return IcsReader::Failure{number, tr("a calendar must begin here with BEGIN:VCALENDAR, "
                                                     "not %1")
                                                      .arg(quoted(line))};
            m_open.emplace_back(shape.component, number);
            m_zones.reset(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
            ++m_calendars;
            return std::nullopt;
        }
        if (m_open.size() == 1)
            return takeCalendarLine(line, raw, shape, number);
        return takeInnerLine(line, raw, shape, number);
    }

    std::optional<IcsReader::Failure> takeCalendarLine(const QByteArray& line, char* raw,
                                                       const LineShape& shape, qint64 number)
    {
        if (shape.begins()) {
            m_open.emplace_back(shape.component, number);
            m_collected = Collected{shape.component, number, {}, {}};
            if (shape.component == "VEVENT" || shape.component == "VTIMEZONE") {
                m_collected.parser.reset(icalparser_new());
                feed(line, raw, number);
            }
            return std::nullopt;
        }
        if (shape.ends()) {
            if (shape.component != "VCALENDAR")
                return mismatched(shape, number);
            m_open.pop_back();
            return flushWaiting();
        }
        const Ical::Property property(icalproperty_new_from_string(line.constData()));
        if (!property)
            return IcsReader::Failure{number, tr("%1 cannot be read").arg(quoted(line))};
        return std::nullopt;
    }

    std::optional<IcsReader::Failure> takeInnerLine(const QByteArray& line, char* raw, const LineShape& shape,
                                                    qint64 number)
    {
        if (shape.begins())
            m_open.emplace_back(shape.component, number);
        if (shape.ends() && shape.component != m_open.back().first)
            return mismatched(shape, number);
        if (m_collected.parser)
            feed(line, raw, number);
        if (!shape.ends())
            return std::nullopt;
        m_open.pop_back();
        if (m_open.size() == 1)
            return finishCollected();
        return std::nullopt;
    }

    void feed(const QByteArray& line, char* raw, qint64 number)
    {
        m_collected.lines.emplace_back(number, line);
        if (icalcomponent* done = icalparser_add_line(m_collected.parser.get(), raw))
            m_finished.reset(done);
    }

    std::optional<IcsReader::Failure> finishCollected()
    {
        Collected collected = std::move(m_collected);
        m_collected = Collected{};
        Ical::Component component = std::move(m_finished);
        if (!collected.parser)
            return std::nullopt; // a to-do, a journal entry or the like: not for the schedule
        if (!component)
            return IcsReader::Failure{
                collected.line,
                tr("the %1 begun here cannot be read").arg(QString::fromUtf8(collected.name))};
        if (icalcomponent_count_errors(component.get()) > 0) {
            if (auto failure = located(collected, component.get()))
                return failure;
        }
        if (collected.name == "VTIMEZONE") {
            icalcomponent_add_component(m_zones.get(), component.release());
            return std::nullopt;
        }
        qint64 startLine = collected.line;
        for (const auto& [number, text] : collected.lines) {
            if (shapeOf(text).is("DTSTART")) {
                startLine = number;
                break;
            }
        }
        // An event whose time zone is described further down waits for the end of its calendar.
        if (!zoneDescribed(component.get())) {
            m_waiting.push_back({std::move(component), collected.line, startLine});
            return std::nullopt;
        }
        return m_handler(IcsReader::Event{component.get(), m_zones.get(), collected.line, startLine});
    }

    bool zoneDescribed(icalcomponent* event) const
    {
        icalproperty* start = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
        icalparameter* zone = start ? icalproperty_get_first_parameter(start, ICAL_TZID_PARAMETER) : nullptr;
        return !zone || icalcomponent_get_timezone(m_zones.get(), icalparameter_get_tzid(zone));
    }

    std::optional<IcsReader::Failure> flushWaiting()
    {
        std::vector<Waiting> waiting = std::move(m_waiting);
        m_waiting.clear();
        for (const Waiting& w : waiting) {
            if (auto failure = m_handler(IcsReader::Event{w.event.get(), m_zones.get(), w.line, w.startLine}))
                return failure;
        }
        return std::nullopt;
    }

    // The line libical could not read: the first of the component's lines that does not read as a
    // property on its own; the component's first line when none stands out. Lines with an empty value
    // ("DESCRIPTION:", as many calendars write them) say nothing and are let be.
    std::optional<IcsReader::Failure> located(const Collected& collected, icalcomponent* component) const
    {
        int empty = 0;
        for (const auto& [number, text] : collected.lines) {
            const LineShape shape = shapeOf(text);
            if (shape.begins() || shape.ends())
                continue;
            const Ical::Property property(icalproperty_new_from_string(text.constData()));
            if (property)
                continue;
            const std::optional<QByteArray> value = valueOf(text);
            if (!value || !isBlank(*value))
                return IcsReader::Failure{number, tr("%1 cannot be read").arg(quoted(text))};
            ++empty;
        }
        if (icalcomponent_count_errors(component) <= empty)
            return std::nullopt;
        const char* error = firstErrorText(component);
        return IcsReader::Failure{
            collected.line,
            tr("the %1 begun here cannot be read: %2")
                .arg(QString::fromUtf8(collected.name), QString::fromUtf8(error ? error : "unknown fault"))};
    }

    IcsReader::Failure mismatched(const LineShape& shape, qint64 number) const
    {
        return {number, tr("END:%1 where %2 begun on line %3 should end")
                            .arg(QString::fromUtf8(shape.component), QString::fromUtf8(m_open.back().first))
                            .arg(m_open.back().second)};
    }

    struct Waiting
    {
        Ical::Component event;
        qint64 line;
        qint64 startLine;
    };

    const IcsReader::EventHandler& m_handler;
    ProgressLine* m_progress;
    const char* m_begin = nullptr;
    qint64 m_size = 0;
    LineSource m_source{};
    std::vector<std::pair<QByteArray, qint64>> m_open; // open components and the lines they began on
    Ical::Component m_zones;
    Collected m_collected;
    Ical::Component m_finished;
    std::vector<Waiting> m_waiting;
    int m_calendars = 0;
};

} // namespace

std::optional<IcsReader::Failure> IcsReader::read(const QByteArray& text, const EventHandler& handler,
                                                  ProgressLine* progress)
{
    const qsizetype zero = text.indexOf('\0');
    if (zero >= 0)
        return Failure{text.left(zero).count('\n') + 1,
                       tr("the file holds a zero byte, which no calendar text "
                          "has: it is no iCalendar file")};
    return Reading(text, handler, progress).run();
}
