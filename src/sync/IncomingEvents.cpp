#include "sync/IncomingEvents.h"

#include "store/ScheduleDatabase.h"
#include "sync/EventForm.h"
#include "sync/SyncLedger.h"
#include "sync/SyncQueue.h"

#include <QCoreApplication>
#include <QHash>
#include <QSet>

#include <deque>
#include <optional>

namespace {

// Past this many events and deletions, every record is read at once rather than one by one.
constexpr qsizetype ManyEvents = 200;

// The same entry, however its texts are spelled (the organizer writes "EveryDay", the add dialog
// "Everyday").
bool sameForm(const ScheduleEntry& a, const ScheduleEntry& b)
{
    return EventForm::sameEntryKey(a) == EventForm::sameEntryKey(b) &&
           a[ScheduleField::Note] == b[ScheduleField::Note] &&
           a[ScheduleField::AlarmOnOff].compare(b[ScheduleField::AlarmOnOff], Qt::CaseInsensitive) == 0;
}

} // namespace

IncomingEvents::IncomingEvents(ScheduleDatabase& database, SyncLedger& ledger, SyncQueue& queue,
                               QTimeZone local)
    : m_database(database), m_ledger(ledger), m_queue(queue), m_local(std::move(local))
{}

IncomingEvents::Outcome IncomingEvents::apply(const QList<RemoteEvent>& events, const QStringList& removed,
                                              bool& writing)
{
    Outcome outcome;
    const ScheduleTable& table = m_database.table();

    std::deque<ScheduleEntry> kept; // the entries the import write points at
    std::vector<ScheduleDatabase::ImportedEntry> writes;
    std::vector<std::pair<qint64, QString>> uidsGiven;
    std::vector<qint64> removals;
    std::vector<ScheduleEntry> copies;
    QList<SyncLedger::Record> records;
    QStringList erased;
    QStringList dropped;
    QList<SyncQueue::Item> requeued;

    // The waiting changes, and for many events at once every record, are read in one go: a first sync
    // of thousands of events would otherwise ask the file three times an event.
    QHash<QString, SyncQueue::Change> waiting;
    for (const SyncQueue::Item& item : m_queue.pending())
        waiting.insert(item.uid, item.change);
    const bool readAll = events.size() + removed.size() > ManyEvents;
    const QHash<QString, SyncLedger::Record> recorded =
        readAll ? m_ledger.all() : QHash<QString, SyncLedger::Record>();
    QHash<QString, QString> uidAt;
    for (const SyncLedger::Record& record : recorded)
        uidAt.insert(record.href, record.uid);
    const auto recordAt = [&](const QString& href, const QString& uid) -> std::optional<SyncLedger::Record> {
        if (!readAll) {
            auto record = m_ledger.byHref(href);
            return record || uid.isEmpty() ? record : m_ledger.byUid(uid);
        }
        auto found = recorded.constFind(uidAt.value(href, uid));
        if (found == recorded.cend() && !uid.isEmpty())
            found = recorded.constFind(uid);
        return found == recorded.cend() ? std::nullopt : std::optional<SyncLedger::Record>(*found);
    };

    // Entries never synced, by what makes them the same as an event; built at the first new event.
    std::optional<QHash<QString, QList<qint64>>> unsynced;
    QSet<qint64> matched;
    const auto findUnsynced = [&](const ScheduleEntry& entry) -> std::optional<qint64> {
        if (!unsynced) {
            unsynced.emplace();
            const auto known = readAll ? recorded : m_ledger.all();
            const EntryIdentities& identities = m_database.identities();
            for (size_t i = 0; i < table.size(); ++i) {
                if (!known.contains(identities.uid(i, table.rowId(i))))
                    (*unsynced)[EventForm::sameEntryKey(table.entry(i))] << table.rowId(i);
            }
        }
        for (const qint64 row : unsynced->value(EventForm::sameEntryKey(entry))) {
            if (!matched.contains(row))
                return row;
        }
        return std::nullopt;
    };
    const auto changedHere = [&](const std::optional<SyncLedger::Record>& record, const QString& uid,
                                 const ScheduleEntry& local) {
        return waiting.value(uid, SyncQueue::Change::Delete) == SyncQueue::Change::Upload || !record ||
               record->digest != EventForm::digest(local);
    };

    for (const RemoteEvent& event : events) {
        const EventForm::Incoming incoming = EventForm::read(event.data, m_local);
        const std::optional<SyncLedger::Record> record = recordAt(event.href, event.uid);
        SyncLedger::Record now{event.uid, event.href, event.etag, {}, event.data, incoming.form};
        if (!incoming.held) {
            records << now;
            continue;
        }
        now.digest = EventForm::digest(incoming.entry);
        const std::optional<qint64> row = m_database.rowOf(event.uid);
        if (row) {
            const ScheduleEntry local = table.entry(table.indexOf(*row));
            if (sameForm(local, incoming.entry)) {
                now.digest = EventForm::digest(local);
                dropped << event.uid;
            } else {
                if (changedHere(record, event.uid, local)) {
                    copies.push_back(EventForm::conflictCopy(local));
                    dropped << event.uid;
                    ++outcome.conflicts;
                }
                kept.push_back(incoming.entry);
                writes.push_back({&kept.back(), *row, event.uid, incoming.version});
                ++outcome.received;
            }
            records << now;
            continue;
        }
        // A deletion here of an event the server has changed since: the server's version comes back.
        if (waiting.contains(event.uid))
            dropped << event.uid;
        if (const auto same = findUnsynced(incoming.entry)) {
            matched.insert(*same);
            const QString ownUid = m_database.uidOf(*same);
            dropped << ownUid;
            uidsGiven.emplace_back(*same, event.uid);
            const ScheduleEntry local = table.entry(table.indexOf(*same));
            if (sameForm(local, incoming.entry)) {
                now.digest = EventForm::digest(local);
            } else {
                kept.push_back(incoming.entry);
                writes.push_back({&kept.back(), *same, event.uid, incoming.version});
                ++outcome.received;
            }
        } else {
            kept.push_back(incoming.entry);
            writes.push_back({&kept.back(), 0, event.uid, incoming.version});
            ++outcome.received;
        }
        records << now;
    }

    for (const QString& href : removed) {
        const std::optional<SyncLedger::Record> record = recordAt(href, {});
        if (!record)
            continue;
        erased << record->uid;
        const std::optional<qint64> row = m_database.rowOf(record->uid);
        if (!row || record->form == SyncLedger::Form::NotHeld) {
            dropped << record->uid;
            continue;
        }
        if (changedHere(record, record->uid, table.entry(table.indexOf(*row)))) {
            // Edited here, deleted there: the edit is sent again as a new event.
            dropped << record->uid;
            requeued << SyncQueue::Item{record->uid, SyncQueue::Change::Upload, {}, {}, 0};
        } else {
            removals.push_back(*row);
            ++outcome.received;
        }
    }

    writing = true;
    StoreResult stored = StoreResult::success();
    for (const auto& [row, uid] : uidsGiven) {
        stored = m_database.setUid(row, uid);
        if (!stored)
            break;
    }
    if (stored && !writes.empty())
        stored = m_database.writeImport(writes);
    for (size_t i = 0; stored && i < removals.size(); ++i)
        stored = m_database.remove(removals[i]);
    for (size_t i = 0; stored && i < copies.size(); ++i) {
        stored = m_database.append(copies[i]);
        if (stored)
            requeued << SyncQueue::Item{m_database.uidOf(stored.rowId), SyncQueue::Change::Upload, {}, {}, 0};
    }
    writing = false;
    if (!stored) {
        outcome.error = QCoreApplication::translate("IncomingEvents",
                                                    "The calendar's changes could not be written to the "
                                                    "schedule: %1")
                            .arg(stored.error);
        return outcome;
    }

    for (const QString& uid : std::as_const(dropped))
        m_queue.drop(uid);
    m_queue.enqueueAll(requeued);
    if (!m_ledger.begin()) {
        outcome.error = m_ledger.lastError();
        return outcome;
    }
    bool ok = true;
    for (const QString& uid : std::as_const(erased))
        ok = ok && m_ledger.erase(uid);
    for (const SyncLedger::Record& record : std::as_const(records))
        ok = ok && m_ledger.put(record);
    if (!ok || !m_ledger.commit()) {
        outcome.error = m_ledger.lastError();
        m_ledger.rollback();
    }
    return outcome;
}
