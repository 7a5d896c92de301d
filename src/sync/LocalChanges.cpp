#include "sync/LocalChanges.h"

#include "store/ScheduleDatabase.h"
#include "sync/EventForm.h"
#include "sync/SyncLedger.h"
#include "sync/SyncQueue.h"

#include <QList>

namespace {

SyncQueue::Item itemOf(const QString& uid, SyncQueue::Change change, const SyncLedger::Record* record)
{
    return {uid, change, record ? record->href : QString(), record ? record->etag : QString(), 0};
}

} // namespace

LocalChanges::LocalChanges(ScheduleDatabase& database, SyncLedger& ledger, SyncQueue& queue)
    : m_database(database), m_ledger(ledger), m_queue(queue)
{}

void LocalChanges::noted(const EntryChanges& changes)
{
    for (const EntryChange& change : changes)
        m_noted.insert(change.uid, change.kind);
}

bool LocalChanges::queueNoted(bool keepUnrecorded)
{
    const ScheduleTable& table = m_database.table();
    QList<SyncQueue::Item> items;
    QHash<QString, EntryChange::Kind> kept;
    for (auto it = m_noted.cbegin(); it != m_noted.cend(); ++it) {
        const QString& uid = it.key();
        const std::optional<SyncLedger::Record> record = m_ledger.byUid(uid);
        if (!record && keepUnrecorded) {
            kept.insert(uid, it.value());
            continue;
        }
        if (record && record->form == SyncLedger::Form::NotHeld)
            continue;
        const std::optional<qint64> row = m_database.rowOf(uid);
        const size_t index = row ? table.indexOf(*row) : table.size();
        if (index == table.size()) {
            items << itemOf(uid, SyncQueue::Change::Delete, record ? &*record : nullptr);
        } else if (!record || record->digest != EventForm::digest(table.entry(index))) {
            items << itemOf(uid, SyncQueue::Change::Upload, record ? &*record : nullptr);
        }
    }
    if (!m_queue.enqueueAll(items))
        return false;
    m_noted = std::move(kept);
    return true;
}

QList<SyncQueue::Item> LocalChanges::differences(const Snapshot& snapshot,
                                                 const QHash<QString, SyncLedger::Record>& records_,
                                                 const QHash<QString, SyncLedger::Aside>& aside,
                                                 const QList<SyncQueue::Item>& pending)
{
    const ScheduleTable& table = snapshot.table;
    const EntryIdentities& identities = snapshot.identities;
    QHash<QString, SyncLedger::Record> records = records_;
    QHash<QString, SyncQueue::Item> waiting;
    for (const SyncQueue::Item& item : pending)
        waiting.insert(item.uid, item);
    const auto changeOf = [&](const QString& uid, SyncQueue::Change otherwise) {
        const auto found = waiting.constFind(uid);
        return found == waiting.cend() ? otherwise : found->change;
    };
    const auto itemFor = [&](const QString& uid, SyncQueue::Change change, const SyncLedger::Record* record) {
        SyncQueue::Item item = itemOf(uid, change, record);
        item.revision = waiting.value(uid).revision;
        return item;
    };
    QList<SyncQueue::Item> items;
    for (size_t i = 0; i < table.size() && i < identities.size(); ++i) {
        const QString uid = identities.uid(i, table.rowId(i));
        const auto found = records.constFind(uid);
        const QString digest = EventForm::digest(table.entry(i));
        const auto kept = aside.constFind(uid);
        // An entry set aside as it stands waits for an edit; one queued already keeps its place in the queue.
        const bool skip = (kept != aside.cend() && kept->digest == digest) ||
                          changeOf(uid, SyncQueue::Change::Delete) == SyncQueue::Change::Upload;
        if (found == records.cend()) {
            if (!skip)
                items << itemFor(uid, SyncQueue::Change::Upload, nullptr);
            continue;
        }
        if (!skip && found->form != SyncLedger::Form::NotHeld && found->digest != digest)
            items << itemFor(uid, SyncQueue::Change::Upload, &*found);
        records.erase(found);
    }
    for (const SyncLedger::Record& gone : std::as_const(records)) {
        const auto kept = aside.constFind(gone.uid);
        if (gone.form != SyncLedger::Form::NotHeld &&
            changeOf(gone.uid, SyncQueue::Change::Upload) != SyncQueue::Change::Delete &&
            !(kept != aside.cend() && kept->digest.isEmpty()))
            items << itemFor(gone.uid, SyncQueue::Change::Delete, &gone);
    }
    return items;
}

LocalChanges::Snapshot LocalChanges::snapshotOf(ScheduleDatabase& database)
{
    Snapshot snapshot;
    snapshot.table = database.table();
    snapshot.identities = database.identities();
    return snapshot;
}

void LocalChanges::Snapshot::index()
{
    positions.clear();
    positions.reserve(qsizetype(table.size()));
    for (size_t i = 0; i < table.size() && i < identities.size(); ++i)
        positions.insert(identities.uid(i, table.rowId(i)), i);
}

std::optional<std::pair<qint64, ScheduleEntry>> LocalChanges::Snapshot::entryOf(const QString& uid) const
{
    const auto found = positions.constFind(uid);
    if (found == positions.cend())
        return std::nullopt;
    return std::make_pair(table.rowId(*found), table.entry(*found));
}

SyncPlanner::Look LocalChanges::lookOf(const ScheduleEntry& entry)
{
    const QString key = EventForm::sameEntryKey(entry);
    return {EventForm::digest(entry), key,
            key + QChar(0x1f) + entry[ScheduleField::Note] + QChar(0x1f) +
                entry[ScheduleField::AlarmOnOff].toLower()};
}

QHash<QString, SyncPlanner::Look> LocalChanges::looksOf(const QStringList& uids)
{
    const ScheduleTable& table = m_database.table();
    QHash<QString, SyncPlanner::Look> looks;
    for (const QString& uid : uids) {
        const std::optional<qint64> row = m_database.rowOf(uid);
        const size_t index = row ? table.indexOf(*row) : table.size();
        if (index < table.size())
            looks.insert(uid, lookOf(table.entry(index)));
    }
    return looks;
}

SyncPlanner::Known LocalChanges::knownOf(const Snapshot& snapshot, const SyncLedger& ledger,
                                         const SyncQueue& queue)
{
    SyncPlanner::Known known;
    known.records = ledger.all();
    known.local.reserve(snapshot.positions.size());
    for (auto it = snapshot.positions.cbegin(); it != snapshot.positions.cend(); ++it)
        known.local.insert(it.key(), lookOf(snapshot.table.entry(it.value())));
    for (const SyncQueue::Item& item : queue.pending()) {
        known.waiting.insert(item.uid, item.change);
        known.revisions.insert(item.uid, item.revision);
    }
    known.aside = ledger.aside();
    return known;
}
