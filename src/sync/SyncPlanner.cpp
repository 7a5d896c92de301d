#include "sync/SyncPlanner.h"

namespace {

using Record = SyncLedger::Record;
using Sent = SyncLedger::Sent;

// The record of the event at `href`, or failing that of the entry with `uid`.
class Records
{
public:
    explicit Records(const QHash<QString, Record>& byUid) : m_byUid(byUid)
    {
        for (const Record& record : byUid)
            m_uidAt.insert(record.href, record.uid);
    }

    const Record* at(const QString& href, const QString& uid = {}) const
    {
        auto found = m_byUid.constFind(m_uidAt.value(href, uid));
        if (found == m_byUid.cend() && !uid.isEmpty())
            found = m_byUid.constFind(uid);
        return found == m_byUid.cend() ? nullptr : &*found;
    }

private:
    const QHash<QString, Record>& m_byUid;
    QHash<QString, QString> m_uidAt;
};

bool ownUpload(const Record& record)
{
    return record.sent != Sent::Seen;
}

// Entries that were never synced, by what pairs them with an event; each pairs once.
class Unsynced
{
public:
    explicit Unsynced(const SyncPlanner::Known& known) : m_known(known) {}

    std::optional<QString> pairFor(const SyncPlanner::Look& event)
    {
        if (!m_built) {
            m_built = true;
            for (auto it = m_known.local.cbegin(); it != m_known.local.cend(); ++it) {
                if (!m_known.records.contains(it.key()))
                    m_byKey[it->key] << it.key();
            }
            // The same order whatever the hash's order, so that a sync pairs the same way each time.
            for (QStringList& uids : m_byKey)
                uids.sort();
        }
        QStringList& candidates = m_byKey[event.key];
        if (candidates.isEmpty())
            return std::nullopt;
        return candidates.takeFirst();
    }

private:
    const SyncPlanner::Known& m_known;
    QHash<QString, QStringList> m_byKey;
    bool m_built = false;
};

} // namespace

QStringList SyncPlanner::toFetch(const Listing& listing, const Known& known)
{
    const Records records(known.records);
    QStringList wanted;
    QSet<QString> asked;
    for (auto it = listing.etags.cbegin(); it != listing.etags.cend(); ++it) {
        // The server's echo of the program's own write carries the ETag already recorded.
        const Record* record = records.at(it.key());
        if (!record || it.value().isEmpty() || record->etag != it.value()) {
            wanted << it.key();
            asked.insert(it.key());
        }
    }
    // A server's change list may leave out an event the program wrote after the token was made and that
    // was deleted since; asking for the program's own unseen uploads by name finds out either way.
    if (!listing.complete) {
        for (const Record& record : known.records) {
            if (ownUpload(record) && !record.href.isEmpty() && !asked.contains(record.href) &&
                !listing.removed.contains(record.href)) {
                wanted << record.href;
                asked.insert(record.href);
            }
        }
    }
    wanted.sort();
    return wanted;
}

SyncPlanner::Plan SyncPlanner::plan(const Listing& listing, const QList<Incoming>& events,
                                    const QStringList& missing, const Known& known)
{
    Plan plan;
    const Records records(known.records);
    Unsynced unsynced(known);
    QSet<QString> given; // hrefs the server gave, or listed as unchanged

    for (qsizetype i = 0; i < events.size(); ++i) {
        const Incoming& event = events.at(i);
        given.insert(event.href);
        const Record* record = records.at(event.href, event.uid);
        const auto act = [&](Act what, const QString& localUid = {}) {
            plan.actions << Action{what, event.uid, localUid, i, event.href};
        };
        if (!event.held) {
            act(Act::NotHeld);
            continue;
        }
        const auto local = known.local.constFind(event.uid);
        const bool changedThere = !record || record->digest != event.look.digest;
        if (local != known.local.cend()) {
            if (local->likeness == event.look.likeness) {
                act(Act::Agree);
                continue;
            }
            const bool changedHere =
                known.waiting.value(event.uid, SyncQueue::Change::Delete) == SyncQueue::Change::Upload ||
                !record || record->digest != local->digest;
            if (record && !changedThere && (changedHere || ownUpload(*record)))
                act(Act::KeepLocal);
            else if (changedHere)
                act(Act::KeepBoth);
            else
                act(Act::TakeIn);
            continue;
        }
        if (record) {
            // The entry was deleted here, or never held.
            if (record->form == SyncLedger::Form::NotHeld)
                act(changedThere ? Act::TakeIn : Act::NotHeld);
            else if (ownUpload(*record) || !changedThere)
                act(Act::DeleteThere); // a local deletion wins over what the program itself put there
            else
                act(Act::TakeIn); // deleted here, changed there: the server's version comes back
            continue;
        }
        if (const std::optional<QString> pair = unsynced.pairFor(event.look)) {
            const bool same = known.local.value(*pair).likeness == event.look.likeness;
            act(same ? Act::Adopt : Act::AdoptBoth, *pair);
            continue;
        }
        act(Act::TakeIn);
    }

    QStringList gone = missing;
    if (listing.complete) {
        for (const Record& record : known.records) {
            if (!record.href.isEmpty() && !listing.etags.contains(record.href) &&
                !given.contains(record.href))
                gone << record.href;
        }
    } else {
        gone << listing.removed;
    }
    // The program's own uploads the server was seen to hold without their being fetched again.
    for (auto it = listing.etags.cbegin(); it != listing.etags.cend(); ++it) {
        const Record* record = records.at(it.key());
        if (record && ownUpload(*record) && !given.contains(it.key()) && record->etag == it.value())
            plan.actions << Action{Act::Seen, record->uid, {}, -1, it.key()};
    }

    QSet<QString> goneOnce;
    for (const QString& href : std::as_const(gone)) {
        if (given.contains(href) || goneOnce.contains(href))
            continue;
        goneOnce.insert(href);
        const Record* record = records.at(href);
        if (!record)
            continue;
        const auto gone = [&](Act what) { plan.actions << Action{what, record->uid, {}, -1, href}; };
        const auto local = known.local.constFind(record->uid);
        if (record->form == SyncLedger::Form::NotHeld || local == known.local.cend()) {
            gone(Act::Forget);
        } else if (record->sent == Sent::Unconfirmed) {
            gone(Act::SendAsNew); // the write never arrived
        } else if (record->sent == Sent::Unseen) {
            gone(Act::SendAgain); // taken, then lost: never a deletion on the server
        } else if (record->sent == Sent::Resent) {
            gone(Act::SetAside);
        } else if (known.waiting.value(record->uid, SyncQueue::Change::Delete) == SyncQueue::Change::Upload ||
                   record->digest != local->digest) {
            gone(Act::SendAsNew); // edited here, deleted there: the edit is kept and sent as a new event
        } else {
            gone(Act::DeleteHere);
        }
    }
    return plan;
}

SyncPlanner::Send SyncPlanner::outgoing(const SyncQueue::Item& item, const std::optional<Record>& record,
                                        const std::optional<Look>& local, const std::optional<Aside>& aside)
{
    if (item.change == SyncQueue::Change::Upload) {
        if (!local)
            return Send::Drop; // gone since it was queued; its deletion is queued in its place
        if (aside && aside->digest == local->digest)
            return Send::StillAside;
        if (!record)
            return Send::New;
        if (record->form == SyncLedger::Form::NotHeld)
            return Send::Drop;
        if (record->etag.isEmpty())
            return ownUpload(*record) ? Send::New : Send::LookFirst;
        return Send::Over;
    }
    if (local)
        return Send::Drop; // the entry is back (the server's version came in)
    if (aside && aside->digest.isEmpty())
        return Send::StillAside;
    if (!record)
        return item.href.isEmpty() ? Send::Drop : Send::Delete;
    if (record->form == SyncLedger::Form::Simplified)
        return Send::LeaveOnServer;
    if (record->form == SyncLedger::Form::NotHeld || record->href.isEmpty())
        return Send::Drop;
    if (record->etag.isEmpty())
        return Send::LookFirst; // a deletion goes only over the version last seen
    return Send::Delete;
}

SyncPlanner::After SyncPlanner::afterWrite(const DavError& error)
{
    switch (error.kind()) {
    case DavError::Kind::None:
        return After::Confirm;
    case DavError::Kind::Conflict:
        return After::LookAgain;
    case DavError::Kind::Forbidden:
        return After::SetAside;
    case DavError::Kind::ServerError: {
        // A 4xx answer refuses this one change (the event's data, its size, its kind); 408, 409 (no such
        // calendar) and 429 say nothing about the change and will pass or need the user.
        const int status = error.httpStatus();
        const bool refused = status >= 400 && status < 500 && status != 408 && status != 409 && status != 429;
        return refused ? After::SetAside : After::Fail;
    }
    default:
        return After::Fail;
    }
}
