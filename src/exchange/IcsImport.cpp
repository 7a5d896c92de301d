#include "exchange/IcsImport.h"

#include "exchange/EventToEntry.h"
#include "exchange/IcsReader.h"
#include "store/ScheduleDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSet>

#include <vector>

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

} // namespace

IcsImport::Result IcsImport::run(ScheduleDatabase& database, const QString& path, const QTimeZone& local,
                                 ProgressLine* progress)
{
    Result result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = tr("%1 cannot be read: %2.").arg(QDir::toNativeSeparators(path), file.errorString());
        return result;
    }
    const QByteArray text = file.readAll();
    file.close();

    const ScheduleTable& table = database.table();
    QSet<QString> present;
    present.reserve(qsizetype(table.size()));
    for (size_t i = 0; i < table.size(); ++i)
        present.insert(sameEntryKey(table.date(i).toDate(), table.alarmSecond(i), table.kind(i),
                                    table.text(i, ScheduleField::Type)));

    std::vector<ScheduleEntry> entries;
    const auto take = [&](const IcsReader::Event& event) -> std::optional<IcsReader::Failure> {
        const EventToEntry::Mapped mapped = EventToEntry::map(event.event, event.zones, local);
        switch (mapped.outcome) {
        case EventToEntry::Outcome::Failed:
            return IcsReader::Failure{event.startLine, mapped.failure};
        case EventToEntry::Outcome::NoStart:
            ++result.noStart;
            return std::nullopt;
        case EventToEntry::Outcome::ChangedOccurrence:
            ++result.changedOccurrences;
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
        result.simplified += mapped.simplified;
        result.subjectsCut += mapped.subjectCut;
        result.notesCut += mapped.noteCut;
        return std::nullopt;
    };
    if (const auto failure = IcsReader::read(text, take, progress)) {
        Result refused;
        refused.error = failure->reason;
        refused.line = failure->line;
        return refused;
    }

    const StoreResult stored = database.appendAll(entries);
    if (!stored) {
        result.error = stored.error;
        return result;
    }
    result.ok = true;
    result.added = qint64(entries.size());
    return result;
}
