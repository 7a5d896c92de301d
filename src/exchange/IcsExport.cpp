#include "exchange/IcsExport.h"

#include "exchange/EntryToEvent.h"
#include "exchange/FilePlacement.h"
#include "exchange/ProgressLine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

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

QString alreadyThere(const QString& shown)
{
    return tr("%1 already exists; it has been left as it is. Choose a new file name.").arg(shown);
}

} // namespace

IcsExport::Result IcsExport::write(const ScheduleTable& table, QIODevice& device, const QDateTime& stamp,
                                   ProgressLine* progress, const EntryIdentities* identities,
                                   const QTimeZone& local)
{
    Result result;
    bool ok = device.write(calendarHead()) >= 0;
    // The events name the local zone; the calendar says what it means for the years of every entry.
    int firstYear = stamp.date().year();
    for (size_t i = 0; i < table.size(); ++i) {
        if (table.date(i).isValid())
            firstYear = std::min(firstYear, table.date(i).toDate().year());
    }
    if (const Ical::Component zone = EntryToEvent::zoneOf(local, firstYear, stamp.date().year()); zone && ok) {
        const Ical::Text text(icalcomponent_as_ical_string_r(zone.get()));
        ok = device.write(text.get(), qint64(std::strlen(text.get()))) >= 0;
    }
    for (size_t i = 0; i < table.size() && ok; ++i) {
        const EntryToEvent::Event event = EntryToEvent::eventOf(table, i, stamp, identities, local);
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
        ok = device.write(text.get(), qint64(std::strlen(text.get()))) >= 0;
        ++result.written;
        if (progress)
            progress->step(qint64(i + 1), qint64(table.size()));
    }
    ok = ok && device.write("END:VCALENDAR\r\n") >= 0;
    if (!ok) {
        result.error = device.errorString();
        result.written = 0;
        return result;
    }
    result.ok = true;
    return result;
}

IcsExport::Result IcsExport::write(const ScheduleTable& table, const QString& path, const QDateTime& stamp,
                                   ProgressLine* progress, const EntryIdentities* identities,
                                   const QTimeZone& local)
{
    Result result;
    const QString shown = QDir::toNativeSeparators(path);
    if (path.isEmpty()) {
        result.error = tr("no file name was given");
        return result;
    }
    if (QFileInfo(path).exists() || QFileInfo(path).isSymLink()) {
        result.error = alreadyThere(shown);
        return result;
    }
    const QFileInfo target(path);
    // Written beside its place under a name of its own, so that the file appears whole or not at all.
    QTemporaryFile file(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                        QStringLiteral(".XXXXXX"));
    if (!file.open()) {
        result.error = tr("%1 could not be written: %2.").arg(shown, file.errorString());
        return result;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(file.handle(), 0666 & ~mask);
    result = write(table, file, stamp, progress, identities, local);
    const bool flushed = result.ok && file.flush() && ::fsync(file.handle()) == 0;
    if (!flushed) {
        const QString why = result.ok ? file.errorString() : result.error;
        result = Result{};
        result.error = tr("%1 could not be written: %2.").arg(shown, why);
        return result;
    }
    using FilePlacement::Placed;
    switch (FilePlacement::placeWithoutReplacing(file.fileName(), target.absoluteFilePath())) {
    case Placed::Done:
        file.setAutoRemove(false);
        return result;
    case Placed::Exists:
        result = Result{};
        result.error = alreadyThere(shown);
        return result;
    case Placed::Failed:
        break;
    }
    const QString why = QString::fromLocal8Bit(std::strerror(errno));
    result = Result{};
    result.error = tr("%1 could not be written: %2.").arg(shown, why);
    return result;
}
