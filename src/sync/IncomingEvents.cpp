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

IncomingEvents::IncomingEvents(ScheduleDatabase& database, Prepared prepared,
                               std::shared_ptr<const QList<RemoteEvent>> events, std::shared_ptr<const Read> read)
    : m_database(database), m_prepared(std::move(prepared)), m_events(std::move(events)), m_read(std::move(read))
{}

IncomingEvents::~IncomingEvents() = default;

void IncomingEvents::Bookkeeping::leaveOut(const QSet<QString>& uids)
{
    if (uids.isEmpty())
        return;
    dropped.removeIf([&](const SyncQueue::Item& item) { return uids.contains(item.uid); });
    queued.removeIf([&](const SyncQueue::Item& item) { return uids.contains(item.uid); });
    erased.removeIf([&](const QString& uid) { return uids.contains(uid); });
    records.removeIf([&](const Record& record) { return uids.contains(record.uid); });
    clearedAside.removeIf([&](const QString& uid) { return uids.contains(uid); });
    setAside.removeIf([&](const auto& aside) { return uids.contains(aside.first); });
}

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

IncomingEvents::Prepared IncomingEvents::prepare(const SyncPlanner::Plan& plan,
                                                 const QList<RemoteEvent>& events, const Read& read,
                                                 const SyncPlanner::Known& known,
                                                 const LocalChanges::Snapshot& snapshot,
                                                 const SyncLedger& ledger)
{
    Prepared prepared;
    prepared.steps.reserve(size_t(plan.actions.size()));
    Bookkeeping& kept = prepared.kept;
    QList<Record>& records = kept.records;
    QStringList& erased = kept.erased;
    QList<SyncQueue::Item>& queued = kept.queued;
    QList<std::pair<QString, SyncLedger::Aside>>& setAside = kept.setAside;
    QStringList& clearedAside = kept.clearedAside;

    const auto recordOf = [&](const SyncPlanner::Action& action) {
        const RemoteEvent& event = events.at(action.event);
        const EventForm::Incoming& incoming = read.forms.at(size_t(action.event));
        return Record{event.uid, event.href, event.etag,
                      // The digest read() already took.
                      incoming.held ? read.seen.at(action.event).look.digest : QString(), event.data,
                      incoming.form, SyncLedger::Sent::Seen};
    };
    // Only a change that waited when the plan was made is let go: one queued since is newer.
    const auto drop = [&](const QString& uid) {
        const auto revision = known.revisions.constFind(uid);
        if (revision != known.revisions.cend())
            kept.dropped << SyncQueue::Item{uid, SyncQueue::Change::Upload, {}, {}, *revision};
    };
    const auto stepFor = [&](const QString& uid) {
        Step step;
        step.uid = uid;
        const auto at = snapshot.positions.constFind(uid);
        if (at != snapshot.positions.cend()) {
            step.row = snapshot.table.rowId(*at);
            step.digest = known.local.value(uid).digest;
        }
        return step;
    };

    for (const SyncPlanner::Action& action : plan.actions) {
        const auto known_ = known.records.constFind(action.uid);
        const Record* before = known_ == known.records.cend() ? nullptr : &*known_;
        Step step = stepFor(action.act == Act::Adopt || action.act == Act::AdoptBoth ? action.localUid
                                                                                     : action.uid);
        switch (action.act) {
        case Act::TakeIn:
            step.takes = action.event;
            records << recordOf(action);
            drop(action.uid);
            clearedAside << action.uid;
            break;
        case Act::Adopt:
        case Act::AdoptBoth:
        case Act::KeepBoth: {
            if (!step.row)
                continue;
            Record record = recordOf(action);
            if (action.act != Act::KeepBoth) {
                step.givenUid = action.uid;
                step.otherUid = action.uid;
            }
            if (action.act == Act::Adopt) {
                record.digest = step.digest;
            } else {
                // Both sides changed it: the server's version takes the entry, this one is kept beside it.
                step.copy = EventForm::conflictCopy(snapshot.table.entry(snapshot.positions.value(step.uid)));
                step.takes = action.event;
                step.conflict = true;
            }
            records << record;
            drop(step.uid);
            drop(action.uid);
            clearedAside << step.uid << action.uid;
            break;
        }
        case Act::Agree: {
            Record record = recordOf(action);
            record.digest = step.digest;
            records << record;
            drop(action.uid);
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
                prepared.notTaken
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
        case Act::DeleteHere:
            step.removes = step.row.has_value();
            erased << action.uid;
            drop(action.uid);
            break;
        case Act::SendAgain: {
            if (!before)
                continue;
            Record record = *before;
            record.data = ledger.byUid(action.uid).value_or(*before).data;
            record.etag.clear();
            record.sent = SyncLedger::Sent::Resent;
            records << record;
            queued << SyncQueue::Item{action.uid, SyncQueue::Change::Upload, {}, {}, 0};
            step.sentAgain = true;
            break;
        }
        case Act::SendAsNew:
            erased << action.uid;
            queued << SyncQueue::Item{action.uid, SyncQueue::Change::Upload, {}, {}, 0};
            break;
        case Act::SetAside: {
            erased << action.uid;
            drop(action.uid);
            const QString reason = tr("it did not stay on the calendar server, though sent twice");
            setAside << std::make_pair(action.uid, SyncLedger::Aside{step.digest, reason});
            break;
        }
        case Act::Forget:
            erased << action.uid;
            drop(action.uid);
            clearedAside << action.uid;
            break;
        case Act::Seen: {
            if (!before)
                continue;
            Record record = ledger.byUid(action.uid).value_or(*before);
            record.sent = SyncLedger::Sent::Seen;
            records << record;
            break;
        }
        }
        prepared.steps.push_back(std::move(step));
    }
    // Only the records set aside before are cleared: nothing else is there to clear.
    clearedAside.removeIf([&](const QString& uid) { return !known.aside.contains(uid); });
    return prepared;
}

bool IncomingEvents::stillAsPlanned(const Step& step)
{
    const std::optional<qint64> row = m_database.rowOf(step.uid);
    if (row != step.row)
        return false;
    if (!row)
        return true;
    const ScheduleTable& table = m_database.cachedTable();
    const size_t index = table.indexOf(*row);
    return index < table.size() && EventForm::digest(table.entry(index)) == step.digest;
}

bool IncomingEvents::writeSome()
{
    std::vector<Step>& steps = m_prepared.steps;
    const QList<RemoteEvent>& events = *m_events;
    const Read& read = *m_read;
    std::vector<ScheduleDatabase::ImportedEntry> writes;
    std::vector<std::pair<qint64, QString>> uidsGiven;
    std::vector<qint64> removals;
    std::vector<const ScheduleEntry*> copies;
    Outcome counted;

    // Takes in what another connection (the window's) wrote meanwhile, so that each step is checked against
    // the file as it is now, a moment before the write.
    m_database.table();
    const size_t first = m_next;
    const size_t end = std::min(steps.size(), m_next + PieceSteps);
    for (; m_next < end; ++m_next) {
        const Step& step = steps[m_next];
        if (!stillAsPlanned(step)) {
            // Changed since the plan: the change stays and is sent; the event is looked at again next time.
            qCDebug(lcSync) << "passed over" << step.uid << ", changed meanwhile";
            m_passedOver.insert(step.uid);
            if (!step.otherUid.isEmpty())
                m_passedOver.insert(step.otherUid);
            continue;
        }
        if (!step.givenUid.isEmpty())
            uidsGiven.emplace_back(*step.row, step.givenUid);
        if (step.takes >= 0) {
            const EventForm::Incoming& incoming = read.forms.at(size_t(step.takes));
            writes.push_back({&incoming.entry, step.row.value_or(0), events.at(step.takes).uid, incoming.version,
                              incoming.rule});
            ++counted.received;
        }
        if (step.removes) {
            removals.push_back(*step.row);
            ++counted.received;
        }
        if (step.copy)
            copies.push_back(&*step.copy);
        counted.conflicts += step.conflict ? 1 : 0;
        counted.sentAgain += step.sentAgain ? 1 : 0;
    }

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
        stored = m_database.append(*copies[i]);
        // A copy made is sent whatever comes of the rest.
        if (stored)
            m_prepared.kept.queued << SyncQueue::Item{m_database.uidOf(stored.rowId), SyncQueue::Change::Upload,
                                                      {}, {}, 0};
    }
    if (!stored) {
        m_outcome.error =
            tr("The calendar's changes could not be written to the schedule: %1").arg(stored.error);
        leaveOutFrom(first);
        return true;
    }
    m_outcome.received += counted.received;
    m_outcome.conflicts += counted.conflicts;
    m_outcome.sentAgain += counted.sentAgain;
    return m_next >= steps.size();
}

void IncomingEvents::leaveOutFrom(size_t first)
{
    // What these steps would have recorded is left out: the next sync sees them again.
    for (size_t i = first; i < m_prepared.steps.size(); ++i) {
        m_passedOver.insert(m_prepared.steps[i].uid);
        if (!m_prepared.steps[i].otherUid.isEmpty())
            m_passedOver.insert(m_prepared.steps[i].otherUid);
    }
}

IncomingEvents::Outcome IncomingEvents::outcome()
{
    m_outcome.passedOver = !m_passedOver.isEmpty() && m_outcome.error.isEmpty();
    m_prepared.kept.leaveOut(m_passedOver);
    m_outcome.kept = std::move(m_prepared.kept);
    return std::move(m_outcome);
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
                                    return queue->dropWhereUnchanged(kept.dropped.mid(from, to - from));
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
