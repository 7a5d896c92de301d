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

bool LocalChanges::queueNoted()
{
    const ScheduleTable& table = m_database.table();
    QList<SyncQueue::Item> items;
    for (auto it = m_noted.cbegin(); it != m_noted.cend(); ++it) {
        const QString& uid = it.key();
        const std::optional<SyncLedger::Record> record = m_ledger.byUid(uid);
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
    m_noted.clear();
    return true;
}

bool LocalChanges::queueAllDifferences()
{
    const ScheduleTable& table = m_database.table();
    const EntryIdentities& identities = m_database.identities();
    QHash<QString, SyncLedger::Record> records = m_ledger.all();
    const QHash<QString, SyncLedger::Aside> aside = m_ledger.aside();
    QHash<QString, SyncQueue::Change> waiting;
    for (const SyncQueue::Item& item : m_queue.pending())
        waiting.insert(item.uid, item.change);
    QList<SyncQueue::Item> items;
    for (size_t i = 0; i < table.size() && i < identities.size(); ++i) {
        const QString uid = identities.uid(i, table.rowId(i));
        const auto found = records.constFind(uid);
        const QString digest = EventForm::digest(table.entry(i));
        const auto kept = aside.constFind(uid);
        // An entry set aside as it stands waits for an edit; one queued already keeps its place in the queue.
        const bool skip = (kept != aside.cend() && kept->digest == digest) ||
                          waiting.value(uid, SyncQueue::Change::Delete) == SyncQueue::Change::Upload;
        if (found == records.cend()) {
            if (!skip)
                items << itemOf(uid, SyncQueue::Change::Upload, nullptr);
            continue;
        }
        if (!skip && found->form != SyncLedger::Form::NotHeld && found->digest != digest)
            items << itemOf(uid, SyncQueue::Change::Upload, &*found);
        records.erase(found);
    }
    for (const SyncLedger::Record& gone : std::as_const(records)) {
        const auto kept = aside.constFind(gone.uid);
        if (gone.form != SyncLedger::Form::NotHeld &&
            waiting.value(gone.uid, SyncQueue::Change::Upload) != SyncQueue::Change::Delete &&
            !(kept != aside.cend() && kept->digest.isEmpty()))
            items << itemOf(gone.uid, SyncQueue::Change::Delete, &gone);
    }
    if (items.isEmpty()) {
        m_noted.clear();
        return true; // nothing to write: a quiet sync leaves the file alone
    }
    if (!m_queue.enqueueAll(items))
        return false;
    m_noted.clear();
    return true;
}

SyncPlanner::Look LocalChanges::lookOf(const ScheduleEntry& entry)
{
    const QString key = EventForm::sameEntryKey(entry);
    return {EventForm::digest(entry), key,
            key + QChar(0x1f) + entry[ScheduleField::Note] + QChar(0x1f) +
                entry[ScheduleField::AlarmOnOff].toLower()};
}

QHash<QString, SyncPlanner::Look> LocalChanges::looks()
{
    const ScheduleTable& table = m_database.table();
    const EntryIdentities& identities = m_database.identities();
    QHash<QString, SyncPlanner::Look> looks;
    looks.reserve(qsizetype(table.size()));
    for (size_t i = 0; i < table.size() && i < identities.size(); ++i)
        looks.insert(identities.uid(i, table.rowId(i)), lookOf(table.entry(i)));
    return looks;
}

SyncPlanner::Known LocalChanges::known()
{
    SyncPlanner::Known known;
    known.records = m_ledger.all();
    known.local = looks();
    for (const SyncQueue::Item& item : m_queue.pending())
        known.waiting.insert(item.uid, item.change);
    known.aside = m_ledger.aside();
    return known;
}
