#include "sync/IncomingEvents.h"

#include "store/ScheduleDatabase.h"
#include "sync/LocalChanges.h"
#include "sync/SyncLedger.h"
#include "sync/SyncLog.h"
#include "sync/SyncQueue.h"

#include <QCoreApplication>
#include <QUrl>

#include <deque>

namespace {

using Act = SyncPlanner::Act;
using Record = SyncLedger::Record;

QString tr(const char* text)
{
    return QCoreApplication::translate("IncomingEvents", text);
}

} // namespace

IncomingEvents::IncomingEvents(ScheduleDatabase& database, SyncLedger& ledger, SyncQueue& queue,
                               QTimeZone local)
    : m_database(database), m_ledger(ledger), m_queue(queue), m_local(std::move(local))
{}

QString IncomingEvents::nameOf(const ScheduleEntry& entry)
{
    return QStringLiteral("\"%1\" (%2)").arg(entry[ScheduleField::Subject], entry[ScheduleField::Date]);
}

QString IncomingEvents::nameOfEvent(const QString& href)
{
    const QString path = QUrl(href).path();
    return QUrl::fromPercentEncoding(
        path.section(QLatin1Char('/'), -1, -1, QString::SectionSkipEmpty).toUtf8());
}

IncomingEvents::Read IncomingEvents::read(const QList<RemoteEvent>& events, const QTimeZone& local)
{
    Read read;
    read.seen.reserve(events.size());
    read.forms.reserve(size_t(events.size()));
    for (const RemoteEvent& event : events) {
        read.forms.push_back(EventForm::read(event.data, local));
        const EventForm::Incoming& incoming = read.forms.back();
        SyncPlanner::Incoming seen{event.href, event.etag, event.uid, incoming.held, {}};
        if (incoming.held)
            seen.look = LocalChanges::lookOf(incoming.entry);
        read.seen << seen;
    }
    return read;
}

IncomingEvents::Outcome IncomingEvents::carryOut(const SyncPlanner::Plan& plan,
                                                 const QList<RemoteEvent>& events, const Read& read,
                                                 const SyncPlanner::Known& known, bool& writing)
{
    Outcome outcome;
    const ScheduleTable& table = m_database.table();

    std::deque<ScheduleEntry> kept; // the entries the import write points at
    std::vector<ScheduleDatabase::ImportedEntry> writes;
    std::vector<std::pair<qint64, QString>> uidsGiven;
    std::vector<qint64> removals;
    std::vector<ScheduleEntry> copies;
    QList<Record> records;
    QStringList erased;
    QStringList dropped;
    QList<SyncQueue::Item> queued;
    QList<std::pair<QString, SyncLedger::Aside>> setAside;
    QStringList clearedAside;

    const auto entryOf = [&](const QString& uid) -> std::optional<std::pair<qint64, ScheduleEntry>> {
        const std::optional<qint64> row = m_database.rowOf(uid);
        if (!row)
            return std::nullopt;
        const size_t index = table.indexOf(*row);
        if (index == table.size())
            return std::nullopt;
        return std::make_pair(*row, table.entry(index));
    };
    const auto recordOf = [&](const SyncPlanner::Action& action) {
        const RemoteEvent& event = events.at(action.event);
        const EventForm::Incoming& incoming = read.forms.at(size_t(action.event));
        return Record{event.uid,
                      event.href,
                      event.etag,
                      incoming.held ? LocalChanges::lookOf(incoming.entry).digest : QString(),
                      event.data,
                      incoming.form,
                      SyncLedger::Sent::Seen};
    };
    const auto takeInto = [&](const SyncPlanner::Action& action, qint64 row) {
        const EventForm::Incoming& incoming = read.forms.at(size_t(action.event));
        kept.push_back(incoming.entry);
        writes.push_back({&kept.back(), row, events.at(action.event).uid, incoming.version, incoming.rule});
        ++outcome.received;
    };

    for (const SyncPlanner::Action& action : plan.actions) {
        qCDebug(lcSync) << "decided" << int(action.act) << "for" << action.uid << action.href;
        const auto known_ = known.records.constFind(action.uid);
        const Record* before = known_ == known.records.cend() ? nullptr : &*known_;
        switch (action.act) {
        case Act::TakeIn: {
            const auto local = entryOf(action.uid);
            takeInto(action, local ? local->first : 0);
            records << recordOf(action);
            dropped << action.uid;
            clearedAside << action.uid;
            break;
        }
        case Act::Adopt:
        case Act::AdoptBoth:
        case Act::KeepBoth: {
            const QString localUid = action.act == Act::KeepBoth ? action.uid : action.localUid;
            const auto local = entryOf(localUid);
            if (!local)
                break;
            Record record = recordOf(action);
            if (action.act != Act::KeepBoth)
                uidsGiven.emplace_back(local->first, action.uid);
            if (action.act == Act::Adopt) {
                record.digest = known.local.value(localUid).digest;
            } else {
                // Both sides changed it: the server's version takes the entry, this one is kept beside it.
                copies.push_back(EventForm::conflictCopy(local->second));
                takeInto(action, local->first);
                ++outcome.conflicts;
            }
            records << record;
            dropped << localUid << action.uid;
            clearedAside << localUid << action.uid;
            break;
        }
        case Act::Agree: {
            Record record = recordOf(action);
            record.digest = known.local.value(action.uid).digest;
            records << record;
            dropped << action.uid;
            clearedAside << action.uid;
            break;
        }
        case Act::KeepLocal: {
            Record record = recordOf(action);
            record.digest = before ? before->digest : QString();
            records << record;
            queued << SyncQueue::Item{action.uid, SyncQueue::Change::Upload, record.href, record.etag, 0};
            break;
        }
        case Act::NotHeld: {
            Record record = recordOf(action);
            const bool held = read.forms.at(size_t(action.event)).held;
            record.form = SyncLedger::Form::NotHeld;
            if (before)
                record.digest =
                    before->digest; // left on the server by a deletion here: taken in once changed
            if (!held)
                outcome.notTaken
                    << tr("%1: the schedule cannot hold this event").arg(nameOfEvent(action.href));
            records << record;
            break;
        }
        case Act::DeleteThere: {
            Record record = recordOf(action);
            record.digest = before ? before->digest : record.digest;
            records << record;
            queued << SyncQueue::Item{action.uid, SyncQueue::Change::Delete, record.href, record.etag, 0};
            break;
        }
        case Act::DeleteHere: {
            if (const auto local = entryOf(action.uid)) {
                removals.push_back(local->first);
                ++outcome.received;
            }
            erased << action.uid;
            dropped << action.uid;
            break;
        }
        case Act::SendAgain: {
            if (!before)
                break;
            Record record = *before;
            record.data = m_ledger.byUid(action.uid).value_or(*before).data;
            record.etag.clear();
            record.sent = SyncLedger::Sent::Resent;
            records << record;
            queued << SyncQueue::Item{action.uid, SyncQueue::Change::Upload, {}, {}, 0};
            ++outcome.sentAgain;
            break;
        }
        case Act::SendAsNew:
            erased << action.uid;
            queued << SyncQueue::Item{action.uid, SyncQueue::Change::Upload, {}, {}, 0};
            break;
        case Act::SetAside: {
            erased << action.uid;
            dropped << action.uid;
            const QString reason = tr("it did not stay on the calendar server, though sent twice");
            setAside << std::make_pair(action.uid,
                                       SyncLedger::Aside{known.local.value(action.uid).digest, reason});
            break;
        }
        case Act::Forget:
            erased << action.uid;
            dropped << action.uid;
            clearedAside << action.uid;
            break;
        case Act::Seen:
            if (before) {
                Record record = m_ledger.byUid(action.uid).value_or(*before);
                record.sent = SyncLedger::Sent::Seen;
                records << record;
            }
            break;
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
            queued << SyncQueue::Item{m_database.uidOf(stored.rowId), SyncQueue::Change::Upload, {}, {}, 0};
    }
    writing = false;
    if (!stored) {
        outcome.error =
            tr("The calendar's changes could not be written to the schedule: %1").arg(stored.error);
        return outcome;
    }

    // The queue first, then the ledger: the two are separate connections to the file, and the ledger's
    // transaction would keep the queue's writes waiting.
    for (const QString& uid : std::as_const(dropped))
        m_queue.drop(uid);
    if (!m_queue.enqueueAll(queued)) {
        outcome.error = m_queue.lastError();
        return outcome;
    }
    if (!m_ledger.begin()) {
        outcome.error = m_ledger.lastError();
        return outcome;
    }
    bool ok = true;
    for (const QString& uid : std::as_const(erased))
        ok = ok && m_ledger.erase(uid);
    for (const Record& record : std::as_const(records))
        ok = ok && m_ledger.put(record);
    for (const QString& uid : std::as_const(clearedAside)) {
        if (known.aside.contains(uid))
            ok = ok && m_ledger.clearAside(uid);
    }
    for (const auto& [uid, aside] : std::as_const(setAside))
        ok = ok && m_ledger.setAside(uid, aside);
    if (!ok || !m_ledger.commit()) {
        outcome.error = m_ledger.lastError();
        m_ledger.rollback();
    }
    return outcome;
}
