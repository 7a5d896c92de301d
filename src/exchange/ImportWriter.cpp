#include "exchange/ImportWriter.h"

#include <QHash>
#include <QTimeZone>

#include <optional>

namespace {

constexpr QLatin1StringView SequenceKey("SEQUENCE:");
constexpr QLatin1StringView ModifiedKey("LAST-MODIFIED:");
constexpr QLatin1StringView MomentFormat("yyyyMMdd'T'HHmmss'Z'");

EventIdentity keptVersion(const QString& kept)
{
    EventIdentity version;
    for (const QStringView part : QStringView(kept).split(u';')) {
        if (part.startsWith(SequenceKey)) {
            version.sequence = part.mid(SequenceKey.size()).toInt();
        } else if (part.startsWith(ModifiedKey)) {
            version.lastModified =
                QDateTime::fromString(part.mid(ModifiedKey.size()).toString(), MomentFormat);
            version.lastModified.setTimeZone(QTimeZone::utc());
        }
    }
    return version;
}

} // namespace

QString ImportWriter::versionText(const EventIdentity& event)
{
    // Most events are in their first version: they share one text rather than each holding its own.
    static const QString first = SequenceKey + u'0';
    if (event.sequence == 0 && !event.lastModified.isValid())
        return first;
    QString text = SequenceKey + QString::number(event.sequence);
    if (event.lastModified.isValid())
        text += u';' + ModifiedKey + event.lastModified.toUTC().toString(MomentFormat);
    return text;
}

bool ImportWriter::isLater(const EventIdentity& event, const QString& kept)
{
    const EventIdentity before = keptVersion(kept);
    if (event.sequence != before.sequence)
        return event.sequence > before.sequence;
    return event.lastModified.isValid() &&
           (!before.lastModified.isValid() || event.lastModified.toUTC() > before.lastModified);
}

ImportWriter::Outcome ImportWriter::write(ScheduleDatabase& database,
                                          const std::vector<ScheduleEntry>& entries,
                                          std::vector<EventIdentity> identities,
                                          const std::vector<QByteArray>& rules)
{
    const auto ruleOf = [&](size_t i) { return i < rules.size() ? rules[i] : QByteArray(); };
    Outcome outcome;
    // Each write shares its UID's bytes with the event it came from: the import holds them once.
    std::vector<ScheduleDatabase::ImportWrite> writes;
    writes.reserve(entries.size());
    // The file may hold one event twice; the later version of it is written, once. Keyed by the file's
    // own bytes of the UID, which the import holds already.
    struct Written
    {
        size_t write; // in writes
        size_t entry; // in entries
    };
    QHash<QByteArray, Written> written;
    // Read only when the file names an event the schedule has.
    std::optional<QHash<qint64, QString>> keptVersions;
    const ScheduleTable& table = database.cachedTable();

    for (size_t i = 0; i < entries.size(); ++i) {
        const EventIdentity& event = i < identities.size() ? identities[i] : EventIdentity{};
        if (event.uid.isEmpty()) {
            writes.push_back({&entries[i], 0, {}, {}, ruleOf(i)});
            ++outcome.added;
            continue;
        }
        const auto twice = written.constFind(event.uid);
        if (twice != written.cend()) {
            ScheduleDatabase::ImportWrite& first = writes[twice->write];
            if (isLater(event, first.version)) {
                outcome.skipped.push_back(twice->entry);
                first.entry = &entries[i];
                first.version = versionText(event);
                first.rule = ruleOf(i);
                written[event.uid].entry = i;
            } else {
                outcome.skipped.push_back(i);
            }
            ++outcome.present;
            continue;
        }
        const std::optional<qint64> row = database.rowOfUtf8(event.uid);
        if (!row) {
            written.insert(event.uid, {writes.size(), i});
            writes.push_back({&entries[i], 0, event.uid, versionText(event), ruleOf(i)});
            ++outcome.added;
            continue;
        }
        if (!keptVersions)
            keptVersions = database.importedVersions();
        // A later version that changes none of the entry's fields leaves it as it is.
        const size_t position = table.indexOf(*row);
        if (!isLater(event, keptVersions->value(*row)) ||
            (position < table.size() && table.entry(position) == entries[i] &&
             database.rules().value(*row) == ruleOf(i))) {
            outcome.skipped.push_back(i);
            ++outcome.present;
            continue;
        }
        written.insert(event.uid, {writes.size(), i});
        writes.push_back({&entries[i], *row, {}, versionText(event), ruleOf(i)});
        ++outcome.updated;
    }
    written.clear();
    identities = {};
    outcome.stored = database.writeImport(writes);
    if (!outcome.stored)
        outcome = {outcome.stored, 0, 0, 0, {}};
    return outcome;
}
