#include "exchange/ImportWriter.h"

#include <QHash>
#include <QTimeZone>

#include <optional>

namespace {

constexpr QLatin1StringView SequenceKey("SEQUENCE:");
constexpr QLatin1StringView ModifiedKey("LAST-MODIFIED:");
constexpr QLatin1StringView StampKey("DTSTAMP:");
constexpr QLatin1StringView ContentKey("CONTENT:");
constexpr QLatin1StringView MomentFormat("yyyyMMdd'T'HHmmss'Z'");

QDateTime momentOf(QStringView text)
{
    QDateTime moment = QDateTime::fromString(text.toString(), MomentFormat);
    moment.setTimeZone(QTimeZone::utc());
    return moment;
}

// Earlier versions of the program kept the first two parts only, and read past the others.
EventIdentity keptVersion(const QString& kept)
{
    EventIdentity version;
    for (const QStringView part : QStringView(kept).split(u';')) {
        if (part.startsWith(SequenceKey))
            version.sequence = part.mid(SequenceKey.size()).toInt();
        else if (part.startsWith(ModifiedKey))
            version.lastModified = momentOf(part.mid(ModifiedKey.size()));
        else if (part.startsWith(StampKey))
            version.stamp = momentOf(part.mid(StampKey.size()));
        else if (part.startsWith(ContentKey))
            version.content = part.mid(ContentKey.size()).toLatin1();
    }
    return version;
}

} // namespace

QString ImportWriter::versionText(const EventIdentity& event)
{
    // Most events are in their first version: they share one text rather than each holding its own.
    static const QString first = SequenceKey + u'0';
    const bool stamped = !event.lastModified.isValid() && (event.stamp.isValid() || !event.content.isEmpty());
    if (event.sequence == 0 && !event.lastModified.isValid() && !stamped)
        return first;
    QString text = SequenceKey + QString::number(event.sequence);
    if (event.lastModified.isValid())
        text += u';' + ModifiedKey + event.lastModified.toUTC().toString(MomentFormat);
    // Only an event that gives no moment of its change needs the file's moment and its content.
    if (stamped && event.stamp.isValid())
        text += u';' + StampKey + event.stamp.toUTC().toString(MomentFormat);
    if (stamped && !event.content.isEmpty())
        text += u';' + ContentKey + QLatin1StringView(event.content);
    return text;
}

bool ImportWriter::isLater(const EventIdentity& event, const QString& kept)
{
    const EventIdentity before = keptVersion(kept);
    if (event.sequence != before.sequence)
        return event.sequence > before.sequence;
    if (event.lastModified.isValid() || before.lastModified.isValid())
        return event.lastModified.isValid() &&
               (!before.lastModified.isValid() || event.lastModified.toUTC() > before.lastModified);
    // Neither version says when it changed, as in many public feeds. An entry never brought in from a file
    // (made here) is no earlier version of anything.
    if (kept.isEmpty())
        return false;
    const bool stampsTell = event.stamp.isValid() && before.stamp.isValid();
    // A changed event is later unless it comes from an older file: a feed made anew each day stamps every
    // event anew, though most of them did not change, and those leave their entries (and what was
    // changed in them here) as they are.
    if (!event.content.isEmpty() && !before.content.isEmpty())
        return event.content != before.content && !(stampsTell && event.stamp.toUTC() < before.stamp);
    // What an earlier version of the program kept says nothing of the content: the later file counts,
    // and the entry changes only where its fields differ.
    return event.stamp.isValid() && (!before.stamp.isValid() || event.stamp.toUTC() > before.stamp);
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
