#include "sync/SyncRun.h"

#include "store/Clock.h"
#include "store/ScheduleDatabase.h"
#include "sync/EventForm.h"
#include "sync/IncomingEvents.h"
#include "sync/LocalChanges.h"
#include "sync/SyncLedger.h"
#include "sync/SyncService.h"

namespace {

const QString TokenName = QStringLiteral("token");
const QString CalendarName = QStringLiteral("calendar");
// How often one run looks at the server again after a write met a change made there meanwhile.
constexpr int MaxRounds = 3;

} // namespace

struct SyncRun::Progress
{
    SyncReport report;
    QList<SyncQueue::Item> pending;
    qsizetype next = 0;
    int rounds = 0;
    bool lookAgain = false;
};

SyncRun::SyncRun(Parts parts, bool lookAtEveryEntry, QObject* parent)
    : QObject(parent), m_parts(parts), m_lookAtEveryEntry(lookAtEveryEntry),
      m_progress(std::make_unique<Progress>())
{}

SyncRun::~SyncRun() = default;

void SyncRun::run(Done done)
{
    m_done = std::move(done);
    // Records of another calendar say nothing about this one.
    const QString calendar = m_parts.collection.url().toString();
    if (m_parts.ledger.value(CalendarName) != calendar) {
        if (!m_parts.ledger.clear() || !m_parts.ledger.setValue(CalendarName, calendar)) {
            fail(DavError(DavError::Kind::BadResponse, m_parts.ledger.lastError()));
            return;
        }
        // A deletion waiting for the other calendar has no place in this one; uploads go to this one.
        for (const SyncQueue::Item& item : m_parts.queue.pending()) {
            if (item.change == SyncQueue::Change::Delete)
                m_parts.queue.drop(item.uid);
        }
    }
    pull();
}

void SyncRun::pull()
{
    const QString token = m_parts.ledger.value(TokenName);
    if (token.isEmpty())
        listWhole();
    else
        askChanges(token, {}, {});
}

void SyncRun::askChanges(const QString& token, QHash<QString, QString> changed, QStringList removed)
{
    m_parts.collection.changesSince(
        token, [this, token, changed, removed](const SyncChanges& changes) mutable {
            if (changes.error.kind() == DavError::Kind::Unauthorized) {
                fail(changes.error);
                return;
            }
            if (changes.error.isError()) {
                // A token the server no longer knows (some answer 500 to one): the whole calendar is
                // compared.
                listWhole();
                return;
            }
            for (auto it = changes.changed.cbegin(); it != changes.changed.cend(); ++it) {
                changed.insert(it.key(), it.value());
                removed.removeAll(it.key());
            }
            for (const QString& href : changes.removed) {
                changed.remove(href);
                removed << href;
            }
            if (changes.truncated && changes.token != token) {
                askChanges(changes.token, std::move(changed), std::move(removed));
                return;
            }
            fetchAndApply(changed, removed, changes.token);
        });
}

void SyncRun::listWhole()
{
    if (m_parts.ledger.isEmpty()) {
        // The first look takes every event at once and no sync token yet: a server may take long to make
        // its first token for a large calendar (Radicale records every event's history for it), and the
        // next sync asks for one anyway, before comparing the ETags.
        m_parts.collection.fetchAll([this](const FetchResult& result) {
            if (result.error.isError())
                fail(result.error);
            else
                apply(result.events, {}, {});
        });
        return;
    }
    m_parts.collection.readState([this](const CollectionState& state) {
        if (state.error.isError()) {
            fail(state.error);
            return;
        }
        // The token is taken before the listing, so that a change made while it runs is seen next time.
        const QString token = state.offersSync ? state.syncToken : QString();
        m_parts.collection.listEtags([this, token](const EtagListing& listing) {
            if (listing.error.isError()) {
                fail(listing.error);
                return;
            }
            QStringList removed;
            QHash<QString, QString> changed = listing.etags;
            const auto records = m_parts.ledger.all();
            for (const SyncLedger::Record& record : records) {
                const auto listed = listing.etags.constFind(record.href);
                if (listed == listing.etags.cend())
                    removed << record.href;
                else if (listed.value() == record.etag)
                    changed.remove(record.href);
            }
            fetchAndApply(changed, removed, token);
        });
    });
}

void SyncRun::fetchAndApply(const QHash<QString, QString>& changed, QStringList removed, const QString& token)
{
    QStringList wanted;
    for (auto it = changed.cbegin(); it != changed.cend(); ++it) {
        // The server's echo of the program's own write carries the ETag already recorded.
        const auto record = m_parts.ledger.byHref(it.key());
        if (!record || it.value().isEmpty() || record->etag != it.value())
            wanted << it.key();
    }
    if (wanted.isEmpty()) {
        apply({}, removed, token);
        return;
    }
    m_parts.collection.fetch(wanted, [this, removed, token](const FetchResult& result) mutable {
        if (result.error.isError()) {
            fail(result.error);
            return;
        }
        removed << result.missing;
        apply(result.events, removed, token);
    });
}

void SyncRun::apply(const QList<RemoteEvent>& events, const QStringList& removed, const QString& token)
{
    if (!events.isEmpty() || !removed.isEmpty()) {
        IncomingEvents incoming(m_parts.database, m_parts.ledger, m_parts.queue, m_parts.local);
        const IncomingEvents::Outcome outcome = incoming.apply(events, removed, m_parts.writingSchedule);
        m_progress->report.received += outcome.received;
        m_progress->report.conflicts += outcome.conflicts;
        if (!outcome.error.isEmpty()) {
            fail(DavError(DavError::Kind::BadResponse, outcome.error));
            return;
        }
    }
    m_parts.ledger.setValue(TokenName, token);
    if (m_lookAtEveryEntry) {
        m_lookAtEveryEntry = false;
        LocalChanges(m_parts.database, m_parts.ledger, m_parts.queue).queueAllDifferences();
    }
    push();
}

void SyncRun::push()
{
    m_progress->pending = m_parts.queue.pending();
    m_progress->next = 0;
    m_progress->lookAgain = false;
    sendNext();
}

void SyncRun::sendNext()
{
    if (m_progress->next >= m_progress->pending.size()) {
        if (m_progress->lookAgain && ++m_progress->rounds < MaxRounds) {
            pull();
            return;
        }
        finish();
        return;
    }
    const SyncQueue::Item item = m_progress->pending.at(m_progress->next++);
    if (item.change == SyncQueue::Change::Delete)
        sendDelete(item);
    else
        sendUpload(item);
}

void SyncRun::sendUpload(const SyncQueue::Item& item)
{
    SyncQueue& queue = m_parts.queue;
    const ScheduleTable& table = m_parts.database.table();
    const std::optional<qint64> row = m_parts.database.rowOf(item.uid);
    const size_t index = row ? table.indexOf(*row) : table.size();
    if (index == table.size()) {
        // Gone since it was queued; its deletion is queued in its place when the server has it.
        queue.confirm(item, item.href, item.etag);
        sendNext();
        return;
    }
    const ScheduleEntry entry = table.entry(index);
    const QDateTime now = m_parts.clock.now();
    const std::optional<SyncLedger::Record> record = m_parts.ledger.byUid(item.uid);
    SyncLedger::Record written{
        item.uid, {}, {}, EventForm::digest(entry), {}, record ? record->form : SyncLedger::Form::Whole};
    QString etag;
    if (record && record->etag.isEmpty()) {
        // The server's present ETag is not known yet (it did not tell it, or a write met a change):
        // the next look at the server learns it, and the edit goes after.
        m_progress->lookAgain = true;
        sendNext();
        return;
    }
    if (record) {
        const EventForm::Patch patch = EventForm::patched(record->data, entry, m_parts.local, now);
        if (patch.outcome != EventForm::Written::Patched) {
            if (patch.outcome == EventForm::Written::KeptHere) {
                // The entry keeps its change; the digest stays the old one, so a later change of the event
                // on the server is met as a conflict and both versions are kept.
                ++m_progress->report.keptHere;
            } else {
                SyncLedger::Record same = *record;
                same.digest = written.digest;
                m_parts.ledger.put(same);
            }
            queue.drop(item.uid);
            sendNext();
            return;
        }
        written.href = record->href;
        written.data = patch.data;
        etag = record->etag;
    } else {
        written.data = EventForm::newEvent(table, index, m_parts.database.identities(), now, m_parts.local);
        if (written.data.isEmpty()) {
            // An entry with no readable date or time, or a kind the program does not know, has no event.
            queue.drop(item.uid);
            sendNext();
            return;
        }
        written.href = m_parts.collection.hrefForUid(item.uid);
    }
    m_parts.collection.put(written.href, written.data, etag,
                           [this, item, written](const WriteResult& result) {
                               sent(item, result, [this, written, result] {
                                   SyncLedger::Record record = written;
                                   record.etag = result.etag;
                                   m_parts.ledger.put(record);
                               });
                           });
}

void SyncRun::sendDelete(const SyncQueue::Item& item)
{
    const std::optional<SyncLedger::Record> record = m_parts.ledger.byUid(item.uid);
    const QString href = record ? record->href : item.href;
    if (record && record->form == SyncLedger::Form::Simplified) {
        // The entry held a narrowed form of the server's event (a rule, exceptions, more than the entry
        // says): its deletion cannot tell what of all that was meant, so the server keeps the whole event.
        // The schedule no longer holds it, and takes it in again only when the server changes it.
        SyncLedger::Record left = *record;
        left.form = SyncLedger::Form::NotHeld;
        m_parts.ledger.put(left);
        ++m_progress->report.leftOnServer;
        m_parts.queue.confirm(item, {}, {});
        sendNext();
        return;
    }
    if (href.isEmpty() || (record && record->form == SyncLedger::Form::NotHeld)) {
        m_parts.queue.confirm(item, {}, {});
        sendNext();
        return;
    }
    if (record && record->etag.isEmpty()) {
        m_progress->lookAgain = true; // a deletion goes only over the version last seen
        sendNext();
        return;
    }
    m_parts.collection.remove(href, record ? record->etag : item.etag,
                              [this, item](const WriteResult& result) {
                                  sent(item, result, [this, item] { m_parts.ledger.erase(item.uid); });
                              });
}

void SyncRun::sent(const SyncQueue::Item& item, const WriteResult& result,
                   const std::function<void()>& recordIt)
{
    if (result.error.kind() == DavError::Kind::Conflict) {
        // The event changed on the server since it was last seen: looking again settles it (the server's
        // version wins the entry and this one is kept beside it).
        if (auto record = m_parts.ledger.byUid(item.uid)) {
            record->etag.clear();
            m_parts.ledger.put(*record);
        }
        // The change may be older than the sync token (or something already stands where a new event was
        // to go): the whole calendar is compared.
        m_parts.ledger.setValue(TokenName, {});
        if (item.change == SyncQueue::Change::Delete)
            m_parts.queue.drop(item.uid);
        m_progress->lookAgain = true;
        sendNext();
        return;
    }
    if (result.error.isError()) {
        fail(result.error);
        return;
    }
    recordIt();
    m_parts.queue.confirm(item, result.href, result.etag);
    if (!result.alreadyGone)
        ++m_progress->report.sent;
    sendNext();
}

void SyncRun::fail(const DavError& error)
{
    m_progress->report.ok = false;
    m_progress->report.error = error.message();
    m_progress->report.finishedAt = m_parts.clock.now();
    if (m_done)
        std::exchange(m_done, {})(m_progress->report, error);
}

void SyncRun::finish()
{
    m_progress->report.ok = true;
    m_progress->report.finishedAt = m_parts.clock.now();
    if (m_done)
        std::exchange(m_done, {})(m_progress->report, DavError());
}
