#include "sync/IncomingEvents.h"

#include "store/ScheduleDatabase.h"
#include "sync/LocalChanges.h"
#include "sync/SyncLedger.h"
#include "sync/SyncLog.h"
#include "sync/SyncQueue.h"

#include <QCoreApplication>
#include <QUrl>

#include <chrono>
#include <deque>
#include <functional>
#include <thread>

namespace {

using Act = SyncPlanner::Act;
using Record = SyncLedger::Record;

// A commit of this many changes takes a few milliseconds; the pause after it is longer than a Save waits
// between looks at the file.
constexpr qsizetype KeptPerCommit = 500;
constexpr std::chrono::milliseconds PauseBetweenCommits{4};

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
    Bookkeeping& kept_ = outcome.kept;
    QList<Record>& records = kept_.records;
    QStringList& erased = kept_.erased;
    QStringList& dropped = kept_.dropped;
    QList<SyncQueue::Item>& queued = kept_.queued;
    QList<std::pair<QString, SyncLedger::Aside>>& setAside = kept_.setAside;
    QStringList& clearedAside = kept_.clearedAside;

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
        return Record{event.uid, event.href, event.etag,
                      // The digest read() already took, off the window's thread.
                      incoming.held ? read.seen.at(action.event).look.digest : QString(), event.data,
                      incoming.form, SyncLedger::Sent::Seen};
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

    // Only the records set aside before are cleared: nothing else is there to clear.
    clearedAside.removeIf([&](const QString& uid) { return !known.aside.contains(uid); });
    return outcome;
}

QString IncomingEvents::keep(const Bookkeeping& kept, const QString& path)
{
    if (kept.isEmpty())
        return {};
    QString error;
    const std::unique_ptr<SyncQueue> queue = SyncQueue::open(path, &error);
    const std::unique_ptr<SyncLedger> ledger = queue ? SyncLedger::open(path, &error) : nullptr;
    if (!queue || !ledger)
        return error;
    // The file is written in short commits with a pause between them, so that a Save in the window, which
    // waits only a moment for the file, always gets its turn. The schedule already holds the changes: a
    // record missing after an end in between is an entry and an event alike, met again by the next sync.
    const auto inTurns = [](qsizetype count, const std::function<bool(qsizetype, qsizetype)>& write) {
        for (qsizetype from = 0; from < count; from += KeptPerCommit) {
            if (from > 0)
                std::this_thread::sleep_for(PauseBetweenCommits);
            if (!write(from, std::min(count, from + KeptPerCommit)))
                return false;
        }
        return true;
    };
    // The queue first, then the ledger, as a change queued without its record is sent again at worst.
    const bool queued = inTurns(kept.dropped.size(),
                                [&](qsizetype from, qsizetype to) {
                                    return queue->dropAll(kept.dropped.mid(from, to - from));
                                }) &&
                        inTurns(kept.queued.size(), [&](qsizetype from, qsizetype to) {
                            return queue->enqueueAll(kept.queued.mid(from, to - from));
                        });
    if (!queued)
        return queue->lastError();
    const auto inLedger = [&](qsizetype count, const std::function<bool(qsizetype)>& write) {
        return inTurns(count, [&](qsizetype from, qsizetype to) {
            if (!ledger->begin())
                return false;
            bool ok = true;
            for (qsizetype i = from; ok && i < to; ++i)
                ok = write(i);
            if (ok && ledger->commit())
                return true;
            const QString why = ledger->lastError();
            ledger->rollback();
            error = why;
            return false;
        });
    };
    const bool recorded =
        inLedger(kept.erased.size(), [&](qsizetype i) { return ledger->erase(kept.erased.at(i)); }) &&
        inLedger(kept.records.size(), [&](qsizetype i) { return ledger->put(kept.records.at(i)); }) &&
        inLedger(kept.clearedAside.size(),
                 [&](qsizetype i) { return ledger->clearAside(kept.clearedAside.at(i)); }) &&
        inLedger(kept.setAside.size(), [&](qsizetype i) {
            return ledger->setAside(kept.setAside.at(i).first, kept.setAside.at(i).second);
        });
    if (!recorded)
        return error.isEmpty() ? ledger->lastError() : error;
    return {};
}
