#include "exchange/IcsExport.h"

#include "exchange/EntryToEvent.h"
#include "exchange/ProgressLine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cstring>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("IcsExport", text);
}

// The calendar around the events, as libical writes it, cut where its end line begins.
QByteArray calendarHead()
{
    Ical::Component calendar(icalcomponent_vanew(ICAL_VCALENDAR_COMPONENT, icalproperty_new_version("2.0"),
                                                 icalproperty_new_prodid("-//Zentravio//Zentravio//EN"),
                                                 icalproperty_new_calscale("GREGORIAN"), nullptr));
    const Ical::Text text(icalcomponent_as_ical_string_r(calendar.get()));
    QByteArray head(text.get());
    head.truncate(head.lastIndexOf("END:VCALENDAR"));
    return head;
}

} // namespace

IcsExport::Result IcsExport::write(const ScheduleTable& table, const QString& path, const QDateTime& stamp,
                                   ProgressLine* progress, const EntryIdentities* identities)
{
    Result result;
    const QString shown = QDir::toNativeSeparators(path);
    if (QFileInfo(path).exists() || QFileInfo(path).isSymLink()) {
        result.error = tr("%1 already exists; it has been left as it is. Choose a new file name.").arg(shown);
        return result;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        result.error = tr("%1 could not be written: %2.").arg(shown, file.errorString());
        return result;
    }
    file.write(calendarHead());
    for (size_t i = 0; i < table.size(); ++i) {
        const EntryToEvent::Event event = EntryToEvent::eventOf(table, i, stamp, identities);
        switch (event.outcome) {
        case EntryToEvent::Outcome::Unreadable:
            ++result.unreadable;
            continue;
        case EntryToEvent::Outcome::UnknownKind:
            ++result.unknownKind;
            continue;
        case EntryToEvent::Outcome::Written:
            break;
        }
        const Ical::Text text(icalcomponent_as_ical_string_r(event.component.get()));
        file.write(text.get(), qint64(std::strlen(text.get())));
        ++result.written;
        if (progress)
            progress->step(qint64(i + 1), qint64(table.size()));
    }
    file.write("END:VCALENDAR\r\n");
    if (!file.commit()) {
        result.error = tr("%1 could not be written: %2.").arg(shown, file.errorString());
        result.written = 0;
        return result;
    }
    result.ok = true;
    return result;
}
