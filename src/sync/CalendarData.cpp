#include "sync/CalendarData.h"

#include "exchange/IcsReader.h"
#include "exchange/LineReader.h"
#include "exchange/ShownText.h"
#include "exchange/ZoneNames.h"

#include <QBuffer>
#include <QCoreApplication>

#include <algorithm>
#include <cctype>
#include <libical/ical.h>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("CalendarData", text);
}

bool isNamed(QByteArrayView name, QByteArrayView upper)
{
    return name.compare(upper, Qt::CaseInsensitive) == 0;
}

// The zone names a content line gives: the value of a TZID property, and of every TZID parameter.
QList<QByteArray> zoneNamesOf(const QByteArray& line)
{
    QList<QByteArray> names;
    qsizetype cut = 0;
    while (cut < line.size() && line[cut] != ';' && line[cut] != ':')
        ++cut;
    if (isNamed(QByteArrayView(line.constData(), cut), "TZID") && cut < line.size() && line[cut] == ':')
        names << line.mid(cut + 1).trimmed();
    qsizetype i = cut;
    while (i < line.size() && line[i] == ';') {
        const qsizetype begin = ++i;
        while (i < line.size() && line[i] != '=' && line[i] != ';' && line[i] != ':')
            ++i;
        const QByteArrayView name(line.constData() + begin, i - begin);
        if (i >= line.size() || line[i] != '=')
            continue;
        // A parameter may hold several values, each quoted or not.
        do {
            ++i;
            QByteArray value;
            if (i < line.size() && line[i] == '"') {
                const qsizetype close = line.indexOf('"', i + 1);
                const qsizetype end = close < 0 ? line.size() : close;
                value = line.mid(i + 1, end - i - 1);
                i = close < 0 ? line.size() : close + 1;
            } else {
                const qsizetype from = i;
                while (i < line.size() && line[i] != ';' && line[i] != ':' && line[i] != ',')
                    ++i;
                value = line.mid(from, i - from);
            }
            if (isNamed(name, "TZID"))
                names << value;
        } while (i < line.size() && line[i] == ',');
    }
    return names;
}

} // namespace

std::optional<QString> CalendarData::refusal(const QByteArray& data)
{
    if (data.size() > MaxObject)
        return tr("the event's data is larger than %1 MB").arg(MaxObject >> 20);
    QByteArray shared = data;
    QBuffer buffer(&shared);
    buffer.open(QIODevice::ReadOnly);
    LineReader reader(buffer);
    LineReader::Line line;
    int depth = 0;
    while (reader.next(line)) {
        if (line.tooLong)
            return tr("its line %1 is longer than %2 MB").arg(line.number).arg(LineReader::MaxLine >> 20);
        if (line.text.size() >= 6 && isNamed(QByteArrayView(line.text).first(6), "BEGIN:")) {
            if (++depth > IcsReader::MaxDepth)
                return tr("its components nest deeper than %1 levels on line %2, which no calendar does")
                    .arg(IcsReader::MaxDepth)
                    .arg(line.number);
        } else if (line.text.size() >= 4 && isNamed(QByteArrayView(line.text).first(4), "END:")) {
            depth = std::max(depth - 1, 0);
        }
        for (const QByteArray& zone : zoneNamesOf(line.text)) {
            if (ZoneNames::looksLikePath(zone))
                return tr("its time zone %1 on line %2 is no zone name: it reaches into folders or holds "
                          "control characters")
                    .arg(ShownText::quoted(QString::fromUtf8(zone)))
                    .arg(line.number);
        }
    }
    if (reader.zeroByteLine() > 0)
        return tr("its line %1 holds a zero byte, which no calendar text has").arg(reader.zeroByteLine());
    return std::nullopt;
}

QString CalendarData::eventUid(const QByteArray& data, QString* reason)
{
    const auto fail = [reason](const QString& why) {
        if (reason)
            *reason = why;
        return QString();
    };
    // Looked at in place: a copy of a large object would cost as much as reading it.
    const qsizetype begin =
        std::find_if(data.begin(), data.end(), [](char c) { return !std::isspace(uchar(c)); }) - data.begin();
    if (!QByteArrayView(data).sliced(begin).startsWith("BEGIN:VCALENDAR"))
        return fail(tr("The event's data is no iCalendar object."));
    if (const auto why = refusal(data))
        return fail(tr("The event's data cannot be taken in: %1.").arg(*why));
    // Read as a file is imported: only the lines the schedule uses reach libical, and the time zones the
    // data describes are held to the limits of their cost.
    QString uid;
    std::optional<QString> leftOut;
    const auto failure = IcsReader::read(data, [&](const IcsReader::Event& event) {
        if (!uid.isEmpty() || leftOut)
            return std::optional<IcsReader::Failure>();
        if (event.refusedZones && !event.refusedZones->empty()) {
            const auto& [name, refused] = *event.refusedZones->begin();
            leftOut = tr("its time zone %1 is refused: %2")
                          .arg(ShownText::quoted(QString::fromUtf8(name)), refused.reason);
        } else if (event.leftOut) {
            leftOut = event.leftOut->reason;
        } else if (const char* text = icalcomponent_get_uid(event.event); text && *text) {
            uid = QString::fromUtf8(text);
        } else {
            leftOut = tr("the event has no UID");
        }
        return std::optional<IcsReader::Failure>();
    });
    if (failure)
        return fail(tr("The event's data cannot be read as iCalendar: %1.").arg(failure->reason));
    if (leftOut)
        return fail(tr("The event's data cannot be taken in: %1.").arg(*leftOut));
    if (uid.isEmpty())
        return fail(tr("The calendar object holds no event."));
    return uid;
}
