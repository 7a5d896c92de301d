#include "sync/CalendarData.h"

#include "exchange/CalendarDataCheck.h"
#include "exchange/IcsReader.h"
#include "exchange/ShownText.h"

#include <QCoreApplication>
#include <QTimeZone>

#include <algorithm>
#include <cctype>
#include <libical/ical.h>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("CalendarData", text);
}

} // namespace

std::optional<QString> CalendarData::refusal(const QByteArray& data)
{
    if (data.size() > MaxObject)
        return tr("the event's data is larger than %1 MB").arg(MaxObject >> 20);
    // The import's own limits, in the one place that keeps them for files and servers alike.
    const CalendarDataCheck::Verdict verdict = CalendarDataCheck::check(data, QTimeZone::systemTimeZone());
    if (!verdict)
        return verdict.reason;
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
