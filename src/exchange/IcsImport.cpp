#include "exchange/IcsImport.h"

#include "exchange/EventToEntry.h"
#include "exchange/IcsReader.h"
#include "store/ScheduleDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSet>

#include <new>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("IcsImport", text);
}

// What makes two entries the same for an import: date, alarm second, kind and subject.
QString sameEntryKey(QDate date, qint32 second, ScheduleKind kind, const QString& subject)
{
    return QString::number(date.toJulianDay()) + u'|' + QString::number(second) + u'|' +
           QString::number(int(kind)) + u'|' + subject;
}

IcsImport::Result taken(ScheduleDatabase& database, QIODevice& device, const QTimeZone& local,
                        const IcsImport::Options& options)
{
    IcsImport::Result result;
    const ScheduleTable& table = database.table();
    QSet<QString> present;
    present.reserve(qsizetype(table.size()));
    for (size_t i = 0; i < table.size(); ++i)
        present.insert(sameEntryKey(table.date(i).toDate(), table.alarmSecond(i), table.kind(i),
                                    table.text(i, ScheduleField::Type)));

    std::vector<ScheduleEntry> entries;
    std::vector<EventIdentity> identities;
    const auto take = [&](const IcsReader::Event& event) -> std::optional<IcsReader::Failure> {
        const EventToEntry::Mapped mapped = EventToEntry::map(event, local);
        if (!mapped.note.isEmpty() && options.notice)
            options.notice(mapped.note);
        switch (mapped.outcome) {
        case EventToEntry::Outcome::LeftOut:
            ++result.leftOut;
            return std::nullopt;
        case EventToEntry::Outcome::NoStart:
            ++result.noStart;
            return std::nullopt;
        case EventToEntry::Outcome::ChangedOccurrence:
            ++result.changedOccurrences;
            return std::nullopt;
        case EventToEntry::Outcome::NoOccurrence:
            ++result.noOccurrence;
            return std::nullopt;
        case EventToEntry::Outcome::Entry:
            break;
        }
        // Events the file holds twice both come in, as the schedule may hold two identical entries.
        if (present.contains(
                sameEntryKey(mapped.date, mapped.second, mapped.kind, mapped.entry[ScheduleField::Type]))) {
            ++result.present;
            return std::nullopt;
        }
        entries.push_back(mapped.entry);
        // Only a writer that asks for them is handed the identities; the plain append needs none.
        if (options.writer)
            identities.push_back(mapped.identity);
        result.simplified += mapped.simplified;
        result.unknownZones += mapped.zoneUnknown;
        result.alarmsMoved += mapped.alarmMoved;
        result.subjectsCut += mapped.subjectCut;
        result.notesCut += mapped.noteCut;
        return std::nullopt;
    };
    if (const auto failure = IcsReader::read(device, take, options.progress)) {
        IcsImport::Result refused;
        refused.error = failure->reason;
        refused.line = failure->line;
        return refused;
    }
    present.clear();

    const StoreResult stored =
        options.writer ? options.writer(database, entries, identities) : database.appendAll(entries);
    if (!stored) {
        result.error = stored.error;
        return result;
    }
    result.ok = true;
    result.added = qint64(entries.size());
    return result;
}

} // namespace

IcsImport::Result IcsImport::run(ScheduleDatabase& database, const QString& path, const QTimeZone& local,
                                 const Options& options)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Result result;
        result.error = tr("%1 cannot be read: %2.").arg(QDir::toNativeSeparators(path), file.errorString());
        return result;
    }
    return run(database, file, local, options);
}

IcsImport::Result IcsImport::run(ScheduleDatabase& database, const QString& path, const QTimeZone& local)
{
    return run(database, path, local, Options{});
}

IcsImport::Result IcsImport::run(ScheduleDatabase& database, QIODevice& device, const QTimeZone& local,
                                 const Options& options)
{
    // A file larger than the memory left is refused in words, with the schedule as it was.
    try {
        return taken(database, device, local, options);
    } catch (const std::bad_alloc&) {
        Result result;
        result.error = tr("there is not enough memory to import this file");
        return result;
    }
}
