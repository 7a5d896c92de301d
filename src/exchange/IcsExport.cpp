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

QByteArray IcsExport::keptEvent(const QByteArray& kept, const QString& uid, const QString& subject,
                                const QString& note, const QDateTime& stamp, QSet<QByteArray>& zonesWritten)
{
    Ical::Component calendar(icalparser_parse_string(kept.constData()));
    if (!calendar || icalcomponent_isa(calendar.get()) != ICAL_VCALENDAR_COMPONENT)
        return {};
    QByteArray text;
    for (icalcomponent* z = icalcomponent_get_first_component(calendar.get(), ICAL_VTIMEZONE_COMPONENT); z;
         z = icalcomponent_get_next_component(calendar.get(), ICAL_VTIMEZONE_COMPONENT)) {
        icalproperty* id = icalcomponent_get_first_property(z, ICAL_TZID_PROPERTY);
        const QByteArray name(id && icalproperty_get_tzid(id) ? icalproperty_get_tzid(id) : "");
        if (zonesWritten.contains(name))
            continue;
        zonesWritten.insert(name);
        const Ical::Text written(icalcomponent_as_ical_string_r(z));
        text += written.get();
    }
    const QByteArray uidText = uid.toUtf8();
    const icaltimetype stampTime = icaltime_from_timet_with_zone(stamp.toSecsSinceEpoch(), 0,
                                                                 icaltimezone_get_utc_timezone());
    // A text the entry holds cut to its field stays as the event had it.
    const auto replaceText = [](icalcomponent* e, icalproperty_kind kind, const QString& now) {
        icalproperty* p = icalcomponent_get_first_property(e, kind);
        const QString before = p ? QString::fromUtf8(icalproperty_get_value_as_string(p)) : QString();
        if (before.startsWith(now))
            return;
        if (p) {
            icalcomponent_remove_property(e, p);
            icalproperty_free(p);
        }
        const QByteArray utf8 = now.toUtf8();
        icalcomponent_add_property(e, kind == ICAL_SUMMARY_PROPERTY ? icalproperty_new_summary(utf8.constData())
                                                                    : icalproperty_new_description(utf8.constData()));
    };
    for (icalcomponent* e = icalcomponent_get_first_component(calendar.get(), ICAL_VEVENT_COMPONENT); e;
         e = icalcomponent_get_next_component(calendar.get(), ICAL_VEVENT_COMPONENT)) {
        icalcomponent_set_uid(e, uidText.constData());
        if (!icalcomponent_get_first_property(e, ICAL_DTSTAMP_PROPERTY))
            icalcomponent_add_property(e, icalproperty_new_dtstamp(stampTime));
        if (!icalcomponent_get_first_property(e, ICAL_RECURRENCEID_PROPERTY)) {
            replaceText(e, ICAL_SUMMARY_PROPERTY, subject);
            replaceText(e, ICAL_DESCRIPTION_PROPERTY, note);
        }
        const Ical::Text written(icalcomponent_as_ical_string_r(e));
        text += written.get();
    }
    return text;
}

IcsExport::Result IcsExport::write(const ScheduleTable& table, QIODevice& device, const QDateTime& stamp,
                                   ProgressLine* progress, const EntryIdentities* identities,
                                   const QHash<qint64, QByteArray>* rules, const QTimeZone& local)
{
    Result result;
    bool ok = device.write(calendarHead()) >= 0;
    QSet<QByteArray> zonesWritten;
    // The events name the local zone; the calendar says what it means for the years of every entry.
    int firstYear = stamp.date().year();
    for (size_t i = 0; i < table.size(); ++i) {
        if (table.date(i).isValid())
            firstYear = std::min(firstYear, table.date(i).toDate().year());
    }
    if (const Ical::Component zone = EntryToEvent::zoneOf(local, firstYear, stamp.date().year()); zone && ok) {
        const Ical::Text text(icalcomponent_as_ical_string_r(zone.get()));
        ok = device.write(text.get(), qint64(std::strlen(text.get()))) >= 0;
        if (icalproperty* id = icalcomponent_get_first_property(zone.get(), ICAL_TZID_PROPERTY))
            zonesWritten.insert(QByteArray(icalproperty_get_tzid(id)));
    }
    for (size_t i = 0; i < table.size() && ok; ++i) {
        const auto kept = rules ? rules->constFind(table.rowId(i)) : QHash<qint64, QByteArray>::const_iterator();
        if (rules && kept != rules->cend()) {
            const QString uid = identities && i < identities->size()
                                    ? identities->uid(i, table.rowId(i))
                                    : EntryToEvent::uidOf(table.rowId(i), table.entry(i));
            const QByteArray text =
                keptEvent(*kept, uid, table.text(i, ScheduleField::Subject), table.text(i, ScheduleField::Note),
                          stamp, zonesWritten);
            if (!text.isEmpty()) {
                ok = device.write(text) >= 0;
                ++result.written;
                continue;
            }
        }
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
                                   const QHash<qint64, QByteArray>* rules, const QTimeZone& local)
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
    result = write(table, file, stamp, progress, identities, rules, local);
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
