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
    QList<SyncQueue::Item> items;
    for (size_t i = 0; i < table.size() && i < identities.size(); ++i) {
        const QString uid = identities.uid(i, table.rowId(i));
        const auto found = records.constFind(uid);
        if (found == records.cend()) {
            items << itemOf(uid, SyncQueue::Change::Upload, nullptr);
            continue;
        }
        if (found->form != SyncLedger::Form::NotHeld && found->digest != EventForm::digest(table.entry(i)))
            items << itemOf(uid, SyncQueue::Change::Upload, &*found);
        records.erase(found);
    }
    for (const SyncLedger::Record& gone : std::as_const(records)) {
        if (gone.form != SyncLedger::Form::NotHeld)
            items << itemOf(gone.uid, SyncQueue::Change::Delete, &gone);
    }
    if (!m_queue.enqueueAll(items))
        return false;
    m_noted.clear();
    return true;
}
