#include "sync/SyncRun.h"

#include "store/Clock.h"
#include "store/ScheduleDatabase.h"
#include "sync/EventForm.h"
#include "sync/IncomingEvents.h"
#include "sync/LocalChanges.h"
#include "sync/OffThread.h"
#include "sync/SyncLedger.h"
#include "sync/SyncLog.h"
#include "sync/SyncService.h"

#include <QCoreApplication>
#include <QTimer>
#include <QXmlStreamReader>

#include <chrono>
#include <thread>

namespace {

const QString TokenName = QStringLiteral("token");
const QString CalendarName = QStringLiteral("calendar");
// How often one run looks at the server: once, again after new events were sent or a write met a change
// made there meanwhile, and once more for an upload sent again.
constexpr int MaxRounds = 4;
constexpr qsizetype MaxReasonLength = 300;

QString tr(const char* text)
{
    return QCoreApplication::translate("SyncRun", text);
}

// What the server said when it refused a write, as plain text: the names of the conditions its XML
// answer gives and the words inside it, cut to a line.
QString reasonOf(const WriteResult& result)
{
    QStringList said;
    QXmlStreamReader xml(result.answer);
    while (!xml.atEnd() && said.size() < 8) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() != QLatin1String("error"))
            said << xml.name().toString();
        else if (xml.isCharacters() && !xml.isWhitespace())
            said << xml.text().toString().simplified();
    }
    if (xml.hasError() && !result.answer.trimmed().startsWith('<'))
        said = QStringList{QString::fromUtf8(result.answer).simplified()};
    QString reason = said.join(QLatin1String(": ")).left(MaxReasonLength);
    if (reason.isEmpty())
        reason = result.error.message();
    else
        reason = tr("the calendar server said \"%1\" (HTTP %2)").arg(reason).arg(result.error.httpStatus());
    // Plain text only: no control characters from the server reach the status line.
    for (QChar& c : reason) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    }
    return reason;
}

SyncReport::Source sourceOf(const DavError& error)
{
    switch (error.kind()) {
    case DavError::Kind::Timeout:
    case DavError::Kind::Connection:
    case DavError::Kind::Certificate:
    case DavError::Kind::UnsafeAddress:
    case DavError::Kind::Cancelled:
        return SyncReport::Source::Network;
    default:
        return SyncReport::Source::Server;
    }
}

// The pause between two pieces of the server's changes written into the schedule: longer than a save in
// the window waits between looks at the file, so that it always gets its turn.
constexpr std::chrono::milliseconds PauseBetweenPieces{4};
// How often the window's copy of the schedule is looked at while it catches up with the sync's writes.
constexpr int CatchUpLookMs = 10;

} // namespace

// What the pull half found and did, off the window's thread.
struct SyncRun::Settled
{
    QString error;
    int received = 0;
    int conflicts = 0;
    int sentAgain = 0;
    QStringList notTaken;
};

SyncRun::Settled SyncRun::settle(const SyncPlanner::Listing& listing, const QList<RemoteEvent>& events,
                                 const QStringList& missing, const QString& token, const QString& path,
                                 const QTimeZone& local, bool compareAll, const std::atomic<bool>& ended)
{
    Settled settled;
    auto read = std::make_shared<IncomingEvents::Read>(IncomingEvents::read(events, local));
    // A run that ended meanwhile writes nothing more, as though the program had ended: the next sync
    // meets again what this one did not record, and the window has the file to itself the sooner.
    if (ended)
        return settled;
    QString error;
    const std::unique_ptr<ScheduleDatabase> database = ScheduleDatabase::open(path, &error);
    const std::unique_ptr<SyncLedger> ledger = database ? SyncLedger::open(path, &error) : nullptr;
    const std::unique_ptr<SyncQueue> queue = ledger ? SyncQueue::open(path, &error) : nullptr;
    if (!queue) {
        settled.error = error;
        return settled;
    }
    LocalChanges::Snapshot snapshot = LocalChanges::snapshotOf(*database);
    snapshot.index();
    const SyncPlanner::Known known = LocalChanges::knownOf(snapshot, *ledger, *queue);
    const SyncPlanner::Plan plan = SyncPlanner::plan(listing, read->seen, missing, known);
    IncomingEvents::Prepared prepared = IncomingEvents::prepare(plan, events, *read, known, snapshot, *ledger);
    settled.notTaken = prepared.notTaken;
    bool passedOver = false;
    if (ended)
        return settled;
    if (!prepared.steps.empty() || !prepared.kept.isEmpty()) {
        compareAll = true; // the file was written by connections other than the window's
        IncomingEvents incoming(*database, std::move(prepared), std::make_shared<QList<RemoteEvent>>(events), read);
        while (!incoming.writeSome())
            std::this_thread::sleep_for(PauseBetweenPieces);
        const IncomingEvents::Outcome outcome = incoming.outcome();
        settled.received = outcome.received;
        settled.conflicts = outcome.conflicts;
        settled.sentAgain = outcome.sentAgain;
        passedOver = outcome.passedOver;
        // The queue and the ledger only now, for the pieces the schedule holds, even when it refused a later
        // one: should the program end before, the entries are met as alike on both sides next time.
        const QString kept = IncomingEvents::keep(outcome.kept, path);
        settled.error = outcome.error.isEmpty() ? kept : outcome.error;
        if (!settled.error.isEmpty())
            return settled;
    }
    if (ended)
        return settled;
    // An event passed over is not in the ledger, and the server would not name it again after this token:
    // without one, the next sync compares the whole calendar and meets it.
    if (!ledger->setValue(TokenName, passedOver ? QString() : token)) {
        settled.error = ledger->lastError();
        return settled;
    }
    // Whenever the file was written by anyone but the sync since the last look, every entry is compared
    // with what was last synced: another program's writes (an import beside the running program) reach
    // the queue this way, whatever the store told. A quiet sync compares nothing. A change queued
    // meanwhile is newer than what was compared, and stays.
    if (compareAll && !ended) {
        LocalChanges::Snapshot now = LocalChanges::snapshotOf(*database);
        const QList<SyncQueue::Item> items =
            LocalChanges::differences(now, ledger->all(), ledger->aside(), queue->pending());
        if (!queue->enqueueWhereUnchanged(items))
            settled.error = queue->lastError();
    }
    return settled;
}

struct SyncRun::Progress
{
    SyncReport report;
    QList<SyncQueue::Item> pending;
    QHash<QString, SyncPlanner::Look> local;
    QHash<QString, SyncLedger::Aside> aside;
    qsizetype next = 0;
    int rounds = 0;
    bool lookAgain = false;
};

SyncRun::SyncRun(Parts parts, QObject* parent)
    : QObject(parent), m_parts(parts), m_progress(std::make_unique<Progress>())
{}

SyncRun::~SyncRun()
{
    *m_ended = true;
}

void SyncRun::run(Done done)
{
    m_done = std::move(done);
    // Records of another calendar say nothing about this one.
    const QString calendar = m_parts.collection.url().toString();
    if (m_parts.ledger.value(CalendarName) == calendar) {
        pull();
        return;
    }
    // Forgetting them is a write that waits on the disk: it is done off the window's thread.
    offThread(
        this,
        [calendar, path = m_parts.database.path()] {
            QString error;
            const std::unique_ptr<SyncLedger> ledger = SyncLedger::open(path, &error);
            const std::unique_ptr<SyncQueue> queue = ledger ? SyncQueue::open(path, &error) : nullptr;
            if (!queue)
                return error;
            if (!ledger->clear() || !ledger->setValue(CalendarName, calendar))
                return ledger->lastError();
            // A deletion waiting for the other calendar has no place in this one; uploads go to this one.
            QList<SyncQueue::Item> deletions;
            for (const SyncQueue::Item& item : queue->pending()) {
                if (item.change == SyncQueue::Change::Delete)
                    deletions << item;
            }
            return queue->dropWhereUnchanged(deletions) ? QString() : queue->lastError();
        },
        [this](const QString& error) {
            if (!error.isEmpty()) {
                failSchedule(error);
                return;
            }
            pull();
        });
}

void SyncRun::pull()
{
    const QString token = m_parts.ledger.value(TokenName);
    qCDebug(lcSync) << "looking at" << m_parts.collection.url()
                    << (token.isEmpty() ? "as a whole" : "for changes");
    if (token.isEmpty())
        listWhole();
    else
        askChanges(token, {});
}

void SyncRun::askChanges(const QString& token, SyncPlanner::Listing listing)
{
    m_parts.collection.changesSince(token, [this, token, listing](const SyncChanges& changes) mutable {
        if (changes.error.kind() == DavError::Kind::Unauthorized) {
            fail(changes.error);
            return;
        }
        if (changes.error.isError()) {
            // A token the server no longer knows (some answer 500 to one): the whole calendar is compared.
            qCDebug(lcSync) << "the sync token was refused:" << changes.error.httpStatus();
            listWhole();
            return;
        }
        for (auto it = changes.changed.cbegin(); it != changes.changed.cend(); ++it) {
            listing.etags.insert(it.key(), it.value());
            listing.removed.removeAll(it.key());
        }
        for (const QString& href : changes.removed) {
            listing.etags.remove(href);
            listing.removed << href;
        }
        if (changes.truncated && changes.token != token) {
            askChanges(changes.token, std::move(listing));
            return;
        }
        fetchAndDecide(listing, changes.token);
    });
}

void SyncRun::listWhole()
{
    if (m_parts.ledger.isEmpty()) {
        // The first look takes every event at once and no sync token yet: a server may take long to make
        // its first token for a large calendar (Radicale records every event's history for it), and the
        // next look asks for one anyway, before comparing the ETags.
        m_parts.collection.fetchAll([this](const FetchResult& result) {
            if (result.error.isError()) {
                fail(result.error);
                return;
            }
            // The listing is made of the events themselves, off the window's thread.
            SyncPlanner::Listing listing;
            listing.complete = true;
            decide(listing, result, {}, true);
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
        m_parts.collection.listEtags([this, token](const EtagListing& etags) {
            if (etags.error.isError()) {
                fail(etags.error);
                return;
            }
            noteIgnored(etags.ignored);
            SyncPlanner::Listing listing;
            listing.complete = true;
            listing.etags = etags.etags;
            fetchAndDecide(listing, token);
        });
    });
}

void SyncRun::fetchAndDecide(const SyncPlanner::Listing& listing, const QString& token)
{
    // A large calendar has as many records: they are read and compared off the window's thread.
    offThread(
        this,
        [listing, path = m_parts.database.path()] {
            QString error;
            const std::unique_ptr<SyncLedger> ledger = SyncLedger::open(path, &error);
            if (!ledger)
                return std::make_pair(QStringList(), error);
            SyncPlanner::Known known;
            known.records = ledger->all();
            return std::make_pair(SyncPlanner::toFetch(listing, known), QString());
        },
        [this, listing, token](std::pair<QStringList, QString> wanted) {
            if (!wanted.second.isEmpty()) {
                failSchedule(wanted.second);
                return;
            }
            fetchWanted(listing, token, wanted.first);
        });
}

void SyncRun::fetchWanted(const SyncPlanner::Listing& listing, const QString& token, const QStringList& wanted)
{
    qCDebug(lcSync) << "listed" << listing.etags.size() << "changed or present," << listing.removed.size()
                    << "removed; fetching" << wanted.size();
    if (wanted.isEmpty()) {
        decide(listing, {}, token);
        return;
    }
    m_parts.collection.fetch(wanted, [this, listing, token](const FetchResult& result) {
        if (result.error.isError()) {
            fail(result.error);
            return;
        }
        decide(listing, result, token);
    });
}

void SyncRun::decide(const SyncPlanner::Listing& listing, const FetchResult& fetched, const QString& token,
                     bool listedByEvents)
{
    // Reading thousands of events, planning, and writing the schedule, the queue and the ledger take long:
    // they run on a thread of their own, through connections of their own to the file, like another
    // program beside this one. Whatever the window changes meanwhile is met before each write: a step for
    // an entry changed since the plan is passed over, and the change made here stays.
    const bool compareAll =
        m_parts.ledger.othersWrites() != m_parts.ledger.comparedAt() || m_parts.ledger.comparedAt() < 0;
    offThread(
        this,
        [listing = SyncPlanner::Listing(listing), events = fetched.events, missing = fetched.missing, token,
         path = m_parts.database.path(), local = m_parts.local, compareAll, listedByEvents,
         ended = m_ended]() mutable {
            if (listedByEvents) {
                for (const RemoteEvent& event : std::as_const(events))
                    listing.etags.insert(event.href, event.etag);
            }
            return settle(listing, events, missing, token, path, local, compareAll, *ended);
        },
        [this, ignored = fetched.ignored, unreadable = fetched.unreadable](Settled settled) {
            settledThere(ignored, unreadable, settled);
        });
}

void SyncRun::noteIgnored(const QStringList& ignored)
{
    // An href the server names outside the calendar is never read or written; the person is told once.
    SyncReport& report = m_progress->report;
    for (const QString& entry : ignored) {
        const QString line = QStringLiteral("%1: %2").arg(entry.section(QLatin1Char('\t'), 0, 0).left(200),
                                                          entry.section(QLatin1Char('\t'), 1));
        if (!report.notTaken.contains(line))
            report.notTaken << line;
    }
}

void SyncRun::settledThere(const QStringList& ignored, const QStringList& unreadable, const Settled& settled)
{
    SyncReport& report = m_progress->report;
    noteIgnored(ignored);
    QStringList lines;
    for (const QString& one : unreadable) {
        const QString href = one.section(QLatin1Char('\t'), 0, 0);
        const QString why = one.section(QLatin1Char('\t'), 1);
        lines << QStringLiteral("%1: %2").arg(IncomingEvents::nameOfEvent(href), why);
    }
    lines << settled.notTaken;
    for (const QString& line : std::as_const(lines)) {
        if (!report.notTaken.contains(line))
            report.notTaken << line;
    }
    report.received += settled.received;
    report.conflicts += settled.conflicts;
    report.sentAgain += settled.sentAgain;
    if (!settled.error.isEmpty()) {
        failSchedule(settled.error);
        return;
    }
    caughtUp();
}

void SyncRun::caughtUp()
{
    // The changes go out from the window's copy of the schedule, so it first takes in what the sync wrote
    // (read on a thread of its own, in the running program): a conflict copy it lacked would look deleted.
    m_parts.database.table();
    if (m_parts.database.readingInBackground()) {
        QTimer::singleShot(CatchUpLookMs, this, &SyncRun::caughtUp);
        return;
    }
    push();
}

void SyncRun::push()
{
    LocalChanges local(m_parts.database, m_parts.ledger, m_parts.queue);
    m_progress->pending = m_parts.queue.pending();
    QStringList uids;
    for (const SyncQueue::Item& item : std::as_const(m_progress->pending))
        uids << item.uid;
    m_progress->local = local.looksOf(uids);
    m_progress->aside = m_parts.ledger.aside();
    m_progress->next = 0;
    m_progress->lookAgain = false;
    sendNext();
}

void SyncRun::sendNext()
{
    Progress& progress = *m_progress;
    if (progress.next >= progress.pending.size()) {
        if (progress.lookAgain && ++progress.rounds < MaxRounds) {
            pull();
            return;
        }
        finish();
        return;
    }
    const SyncQueue::Item item = progress.pending.at(progress.next++);
    const std::optional<SyncLedger::Record> record = m_parts.ledger.byUid(item.uid);
    const auto local = progress.local.constFind(item.uid);
    const auto aside = progress.aside.constFind(item.uid);
    const SyncPlanner::Send how = SyncPlanner::outgoing(
        item, record,
        local == progress.local.cend() ? std::nullopt : std::optional<SyncPlanner::Look>(*local),
        aside == progress.aside.cend() ? std::nullopt : std::optional<SyncLedger::Aside>(*aside));
    qCDebug(lcSync) << "sending" << item.uid << "as" << int(how);
    switch (how) {
    case SyncPlanner::Send::New:
    case SyncPlanner::Send::Over:
        sendUpload(item, record, how);
        return;
    case SyncPlanner::Send::Delete:
        sendDelete(item, record);
        return;
    case SyncPlanner::Send::StillAside:
        m_parts.queue.drop(item.uid);
        break;
    case SyncPlanner::Send::LeaveOnServer: {
        // The entry held a narrowed form of the server's event (a rule, exceptions, more than the entry
        // says): its deletion cannot tell what of all that was meant, so the server keeps the whole event.
        // The schedule no longer holds it, and takes it in again only when the server changes it.
        SyncLedger::Record left = *record;
        left.form = SyncLedger::Form::NotHeld;
        m_parts.ledger.put(left);
        ++progress.report.leftOnServer;
        m_parts.queue.confirm(item, {}, {});
        break;
    }
    case SyncPlanner::Send::Drop:
        m_parts.queue.confirm(item, item.href, item.etag);
        break;
    case SyncPlanner::Send::LookFirst:
        progress.lookAgain = true;
        break;
    }
    sendNext();
}

void SyncRun::sendUpload(const SyncQueue::Item& item, const std::optional<SyncLedger::Record>& record,
                         SyncPlanner::Send how)
{
    const ScheduleTable& table = m_parts.database.table();
    const std::optional<qint64> row = m_parts.database.rowOf(item.uid);
    const size_t index = row ? table.indexOf(*row) : table.size();
    if (index == table.size()) {
        m_parts.queue.confirm(item, item.href, item.etag);
        sendNext();
        return;
    }
    const ScheduleEntry entry = table.entry(index);
    const QDateTime now = m_parts.clock.now();
    SyncLedger::Record written{item.uid,
                               {},
                               {},
                               EventForm::digest(entry),
                               {},
                               record ? record->form : SyncLedger::Form::Whole,
                               SyncLedger::Sent::Seen};
    QString etag;
    if (how == SyncPlanner::Send::Over) {
        const EventForm::Patch patch = EventForm::patched(record->data, entry, m_parts.local, now);
        if (patch.outcome != EventForm::Written::Patched) {
            if (patch.outcome == EventForm::Written::KeptHere) {
                // The entry keeps its change, set aside without a reason so that it is told once; the digest
                // stays the old one, so a later change of the event on the server is met as a conflict and
                // both versions are kept.
                ++m_progress->report.keptHere;
                m_parts.ledger.setAside(item.uid, {written.digest, {}});
            } else {
                SyncLedger::Record same = *record;
                same.digest = written.digest;
                m_parts.ledger.put(same);
            }
            m_parts.queue.drop(item.uid);
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
            m_parts.queue.drop(item.uid);
            sendNext();
            return;
        }
        written.href =
            record && !record->href.isEmpty() ? record->href : m_parts.collection.hrefForUid(item.uid);
        // Recorded before it goes out: should the program end before the answer, the next sync asks the
        // server for this event by name, and a deletion here meanwhile wins over the server's copy.
        written.form = SyncLedger::Form::Whole;
        written.sent = record && record->sent == SyncLedger::Sent::Resent ? SyncLedger::Sent::Resent
                                                                          : SyncLedger::Sent::Unconfirmed;
        if (!m_parts.ledger.put(written)) {
            failSchedule(m_parts.ledger.lastError());
            return;
        }
    }
    const bool isNew = how == SyncPlanner::Send::New;
    m_parts.collection.put(
        written.href, written.data, etag, [this, item, written, isNew, record](const WriteResult& result) {
            sent(
                item, result,
                [this, written, result, isNew] {
                    SyncLedger::Record record = written;
                    record.etag = result.etag;
                    if (isNew) {
                        record.sent = written.sent == SyncLedger::Sent::Resent ? SyncLedger::Sent::Resent
                                                                               : SyncLedger::Sent::Unseen;
                        m_progress->lookAgain = true; // to see it there and take the token after it
                    }
                    m_parts.ledger.put(record);
                },
                [this, item, isNew, record] {
                    // Refused: a new event the server never took has no record; an edit keeps the old one.
                    if (isNew && !record)
                        m_parts.ledger.erase(item.uid);
                    else if (isNew && record)
                        m_parts.ledger.put(*record);
                });
        });
}

void SyncRun::sendDelete(const SyncQueue::Item& item, const std::optional<SyncLedger::Record>& record)
{
    const QString href = record ? record->href : item.href;
    m_parts.collection.remove(href, record ? record->etag : item.etag,
                              [this, item](const WriteResult& result) {
                                  sent(
                                      item, result, [this, item] { m_parts.ledger.erase(item.uid); }, [] {});
                              });
}

void SyncRun::sent(const SyncQueue::Item& item, const WriteResult& result,
                   const std::function<void()>& recordIt, const std::function<void()>& forgetIt)
{
    const SyncPlanner::After after = SyncPlanner::afterWrite(result.error);
    qCDebug(lcSync) << "the server answered" << result.error.httpStatus() << "for" << item.uid << "->"
                    << int(after);
    switch (after) {
    case SyncPlanner::After::LookAgain:
        // The event changed on the server since it was last seen: looking again settles it (the server's
        // version wins the entry and this one is kept beside it). The change may be older than the sync
        // token (or something already stands where a new event was to go): the whole calendar is compared.
        m_parts.ledger.begin();
        if (auto record = m_parts.ledger.byUid(item.uid)) {
            record->etag.clear();
            if (record->sent == SyncLedger::Sent::Unconfirmed)
                record->sent = SyncLedger::Sent::Seen; // something stands there: the look tells what
            m_parts.ledger.put(*record);
        }
        m_parts.ledger.setValue(TokenName, {});
        m_parts.ledger.commit();
        if (item.change == SyncQueue::Change::Delete)
            m_parts.queue.drop(item.uid);
        m_progress->lookAgain = true;
        sendNext();
        return;
    case SyncPlanner::After::Fail:
        fail(result.error);
        return;
    case SyncPlanner::After::SetAside: {
        // One refused change never holds up the others: it waits, with the server's reason, until the entry
        // is edited again.
        forgetIt();
        const auto look = m_progress->local.constFind(item.uid);
        const QString digest = item.change == SyncQueue::Change::Upload && look != m_progress->local.cend()
                                   ? look->digest
                                   : QString();
        const QString reason = reasonOf(result);
        m_parts.ledger.setAside(item.uid, {digest, reason});
        m_parts.queue.drop(item.uid);
        sendNext();
        return;
    }
    case SyncPlanner::After::Confirm:
        break;
    }
    recordIt();
    m_parts.ledger.clearAside(item.uid);
    m_parts.queue.confirm(item, result.href, result.etag);
    if (!result.alreadyGone)
        ++m_progress->report.sent;
    sendNext();
}

void SyncRun::failSchedule(const QString& message)
{
    m_progress->report.source = SyncReport::Source::Schedule;
    // A schedule file that is busy or cannot be written may mend by itself: it is tried again later.
    fail(DavError(DavError::Kind::Timeout, message));
    m_progress->report.source = SyncReport::Source::Schedule;
}

void SyncRun::fail(const DavError& error)
{
    qCDebug(lcSync) << "the sync failed:" << int(error.kind()) << error.httpStatus();
    m_progress->report.ok = false;
    m_progress->report.error = error.message();
    if (m_progress->report.source == SyncReport::Source::None)
        m_progress->report.source = sourceOf(error);
    m_progress->report.finishedAt = m_parts.clock.now();
    if (m_done)
        std::exchange(m_done, {})(m_progress->report, error);
}

void SyncRun::finish()
{
    // Every change set aside with a reason is told after each sync until it goes out, so that the status
    // line and `--sync` always say what waits; one whose entry is gone since has nothing left to wait for.
    QStringList told;
    const QHash<QString, SyncLedger::Aside> aside = m_parts.ledger.aside();
    const ScheduleTable& table = m_parts.database.table();
    for (auto it = aside.cbegin(); it != aside.cend(); ++it) {
        const std::optional<qint64> row = m_parts.database.rowOf(it.key());
        const size_t index = row ? table.indexOf(*row) : table.size();
        if (index == table.size() && !it->digest.isEmpty()) {
            m_parts.ledger.clearAside(it.key());
            continue;
        }
        if (it->reason.isEmpty())
            continue;
        const QString name = index < table.size() ? IncomingEvents::nameOf(table.entry(index))
                                                  : tr("the deletion of an entry (%1)").arg(it.key());
        told << name + QStringLiteral(": ") + it->reason;
    }
    told.sort();
    m_progress->report.setAside = told;
    m_parts.ledger.setComparedAt(m_parts.ledger.othersWrites());
    m_progress->report.ok = true;
    m_progress->report.finishedAt = m_parts.clock.now();
    qCDebug(lcSync) << "the sync finished:" << m_progress->report.received << "received,"
                    << m_progress->report.sent << "sent";
    if (m_done)
        std::exchange(m_done, {})(m_progress->report, DavError());
}
