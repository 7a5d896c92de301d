#include "exchange/CalendarDataCheck.h"

#include "exchange/EventToEntry.h"
#include "exchange/IcsReader.h"
#include "exchange/LineReader.h"
#include "exchange/ShownText.h"
#include "exchange/ZoneNames.h"

#include <QBuffer>
#include <QCoreApplication>

#include <optional>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("CalendarDataCheck", text);
}

using Verdict = CalendarDataCheck::Verdict;

Verdict refused(qint64 line, const QString& reason)
{
    return {false, line, reason};
}

// The zone names a content line gives: the value of each TZID parameter, and the value of a TZID
// property. Quoted parameter values may hold ';' and ':'.
std::optional<QByteArray> pathLikeZone(const QByteArray& line)
{
    qsizetype i = 0;
    const qsizetype size = line.size();
    while (i < size && line[i] != ';' && line[i] != ':')
        ++i;
    if (QByteArrayView(line.constData(), i).compare("TZID", Qt::CaseInsensitive) == 0 && i < size &&
        line[i] == ':') {
        const QByteArray value = line.mid(i + 1);
        return ZoneNames::looksLikePath(value) ? std::optional(value) : std::nullopt;
    }
    while (i < size && line[i] == ';') {
        const qsizetype nameStart = ++i;
        while (i < size && line[i] != '=' && line[i] != ';' && line[i] != ':')
            ++i;
        const QByteArrayView name(line.constData() + nameStart, i - nameStart);
        if (i >= size || line[i] != '=')
            break;
        ++i;
        // A parameter may have several values, each quoted or not.
        do {
            if (i < size && line[i] == ',')
                ++i;
            qsizetype valueStart = i, valueEnd = i;
            if (i < size && line[i] == '"') {
                valueStart = ++i;
                while (i < size && line[i] != '"')
                    ++i;
                valueEnd = i;
                if (i < size)
                    ++i;
            } else {
                while (i < size && line[i] != ';' && line[i] != ':' && line[i] != ',')
                    ++i;
                valueEnd = i;
            }
            const QByteArrayView value(line.constData() + valueStart, valueEnd - valueStart);
            if (name.compare("TZID", Qt::CaseInsensitive) == 0 && ZoneNames::looksLikePath(value))
                return value.toByteArray();
        } while (i < size && line[i] == ',');
    }
    return std::nullopt;
}

// The faults one look at each line finds: its encoding, its length, a zero byte, a zone name that is a
// path. Nothing is kept of a line beyond the cap.
std::optional<Verdict> lineFault(const QByteArray& data)
{
    QByteArray copy = data;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    if (IcsReader::utf16Of(buffer))
        return refused(1, tr("the calendar data is written in UTF-16, where calendar data is UTF-8"));
    LineReader reader(buffer);
    LineReader::Line line;
    while (reader.next(line)) {
        if (line.tooLong)
            return refused(
                line.number,
                tr("its line %1 is longer than %2 MB").arg(line.number).arg(LineReader::MaxLine >> 20));
        if (const auto zone = pathLikeZone(line.text))
            return refused(line.number, tr("its time zone %1 is no zone name: it reaches into folders or "
                                           "holds control characters")
                                            .arg(ShownText::quoted(QString::fromUtf8(*zone))));
    }
    if (reader.zeroByteLine() > 0)
        return refused(reader.zeroByteLine(),
                       tr("the calendar data holds a zero byte, which no calendar text has"));
    return std::nullopt;
}

} // namespace

CalendarDataCheck::Verdict CalendarDataCheck::check(const QByteArray& data, const QTimeZone& local)
{
    if (auto fault = lineFault(data))
        return *fault;
    const auto failure =
        IcsReader::read(data, [&](const IcsReader::Event& event) -> std::optional<IcsReader::Failure> {
            // A zone refused for its cost is refused whether an event uses it or not: libical would still
            // hold it.
            if (event.refusedZones && !event.refusedZones->empty()) {
                const auto& [name, why] = *event.refusedZones->begin();
                return IcsReader::Failure{why.line,
                                          tr("its time zone %1 is refused: %2")
                                              .arg(ShownText::quoted(QString::fromUtf8(name)), why.reason)};
            }
            if (event.leftOut)
                return *event.leftOut;
            const EventToEntry::Mapped mapped = EventToEntry::map(event, local);
            if (mapped.outcome == EventToEntry::Outcome::LeftOut)
                return IcsReader::Failure{mapped.noteLine, mapped.note};
            return std::nullopt;
        });
    if (failure)
        return refused(failure->line, failure->reason);
    return {};
}
