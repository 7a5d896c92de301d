#include "sync/SyncService.h"

#include "store/Clock.h"
#include "store/DateText.h"
#include "store/ScheduleDatabase.h"
#include "sync/AccountSettings.h"
#include "sync/CalendarCollection.h"
#include "sync/DavClient.h"
#include "sync/LocalChanges.h"
#include "sync/OffThread.h"
#include "sync/PasswordStore.h"
#include "sync/RetrySchedule.h"
#include "sync/SyncLedger.h"
#include "sync/SyncLog.h"
#include "sync/SyncQueue.h"
#include "sync/SyncRun.h"

#include <QCoreApplication>
#include <QTimeZone>
#include <QTimer>

namespace {

constexpr int DefaultSendDelayMs = 2000;

// The sync's own connections to the schedule file, opened off the window's thread.
struct Opened
{
    std::unique_ptr<SyncLedger> ledger;
    std::unique_ptr<SyncQueue> queue;
    QString error;
};
// How many changes set aside or events not taken in the status line names before it only counts.
constexpr int NamedInStatus = 2;
const QString LastSyncedName = QStringLiteral("lastSynced");
const QString LastStatusName = QStringLiteral("lastStatus");

// The client comes first, so that it is made before the collection that talks through it and outlives it.
struct ClientOf
{
    DavClient client;
};

// The account's calendar on its CalDAV server.
class ServerCalendar : private ClientOf, public CalendarCollection
{
public:
    ServerCalendar(const AccountSettings& account, const QString& password, int timeoutMs)
        : CalendarCollection(client, account.calendarUrl)
    {
        client.setTimeout(timeoutMs);
        client.setAcceptedFingerprint(account.acceptedFingerprint);
        client.setCredentials(account.user, password);
    }
};

} // namespace

SyncService::CalendarMaker SyncService::serverCalendars()
{
    return [](const AccountSettings& account, const QString& password, int timeoutMs) {
        return std::unique_ptr<RemoteCalendar>(
            std::make_unique<ServerCalendar>(account, password, timeoutMs));
    };
}

struct SyncService::State
{
    State(ScheduleDatabase& database, SettingsStore& settings, PasswordStore& passwords, Clock& clock,
          CalendarMaker calendars)
        : database(database), settings(settings), passwords(passwords), clock(clock),
          calendars(std::move(calendars))
    {}

    ScheduleDatabase& database;
    SettingsStore& settings;
    PasswordStore& passwords;
    Clock& clock;
    CalendarMaker calendars;
    SyncReport report;
    bool hasAccount = false;

    AccountSettings account;
    QString password;
    bool havePassword = false;
    bool passwordWanted = false; // asked for once; syncing waits for setPassword()
    int passwordRead = 0;        // counts reads, so that the answer to an outdated one is ignored
    int opening = 0;             // counts openings of the file, likewise
    std::unique_ptr<RemoteCalendar> collection;
    std::unique_ptr<SyncLedger> ledger;
    std::unique_ptr<SyncQueue> queue;
    std::unique_ptr<LocalChanges> local;
    std::unique_ptr<SyncRun> run;
    bool again = false;
    bool keepsStatusInFile = false;
    bool staleCalendar = false;
    int listener = 0;
    int requestTimeoutMs = DavClient::DefaultTimeoutMs;
    RetrySchedule retries;
    QTimer interval;
    QTimer soon;
    QTimer retry;
};

QString SyncReport::statusLine() const
{
    if (!finishedAt.isValid())
        return QCoreApplication::translate("SyncService", "Not synced yet");
    if (!ok)
        return error;
    QString line = QCoreApplication::translate("SyncService", "Last synced %1: %2 received, %3 sent")
                       .arg(DateText::timeText(finishedAt.time()))
                       .arg(received)
                       .arg(sent);
    line += remarks();
    const QStringList told = details();
    for (qsizetype i = 0; i < told.size() && i < NamedInStatus; ++i)
        line += QLatin1Char('\n') + told.at(i);
    if (told.size() > NamedInStatus)
        line += QLatin1Char('\n') + QCoreApplication::translate("SyncService", "and %n more", nullptr,
                                                                int(told.size() - NamedInStatus));
    return line;
}

QStringList SyncReport::details() const
{
    QStringList lines;
    for (const QString& change : setAside)
        lines << QCoreApplication::translate("SyncService", "Set aside: %1").arg(change);
    for (const QString& event : notTaken)
        lines << QCoreApplication::translate("SyncService", "Not taken in: %1").arg(event);
    return lines;
}

QString SyncReport::remarks() const
{
    QString said;
    if (conflicts > 0)
        said += QCoreApplication::translate("SyncService", "; %n changed on both sides, both versions kept",
                                            nullptr, conflicts);
    if (keptHere > 0)
        said += QCoreApplication::translate(
            "SyncService", "; %n kept here only, as the server's event holds more", nullptr, keptHere);
    if (leftOnServer > 0)
        said += QCoreApplication::translate(
            "SyncService", "; %n deleted here only, as the server's event holds more", nullptr, leftOnServer);
    if (sentAgain > 0)
        said += QCoreApplication::translate("SyncService", "; %n sent again, as the server had lost it",
                                            nullptr, sentAgain);
    if (!setAside.isEmpty())
        said += QCoreApplication::translate("SyncService", "; %n set aside", nullptr, int(setAside.size()));
    if (!notTaken.isEmpty())
        said +=
            QCoreApplication::translate("SyncService", "; %n not taken in", nullptr, int(notTaken.size()));
    return said;
}

SyncService::SyncService(ScheduleDatabase& database, SettingsStore& settings, PasswordStore& passwords,
                         Clock& clock, QObject* parent, CalendarMaker calendars)
    : QObject(parent),
      m_state(std::make_unique<State>(database, settings, passwords, clock, std::move(calendars)))
{
    State& s = *m_state;
    s.soon.setSingleShot(true);
    s.soon.setInterval(DefaultSendDelayMs);
    s.retry.setSingleShot(true);
    connect(&s.soon, &QTimer::timeout, this, &SyncService::syncNow);
    connect(&s.retry, &QTimer::timeout, this, &SyncService::syncNow);
    connect(&s.interval, &QTimer::timeout, this, &SyncService::syncNow);
    s.listener = database.addChangeListener([this](const EntryChanges& changes) {
        State& st = *m_state;
        if (!st.local)
            return;
        st.local->noted(changes);
        if (!st.soon.isActive())
            st.soon.start();
    });
}

SyncService::~SyncService()
{
    m_state->database.removeChangeListener(m_state->listener);
    // A run under way ends with the service; what it had not sent waits in the queue.
    m_state->run.reset();
    m_state->collection.reset();
}

void SyncService::start()
{
    State& s = *m_state;
    // A run under way belongs to the account as it was read before; it ends before its client does.
    s.run.reset();
    s.local.reset();
    s.collection.reset();
    s.account = AccountSettings::load(s.settings);
    s.hasAccount = s.account.isSet();
    if (!s.hasAccount) {
        s.interval.stop();
        return;
    }
    if (!s.ledger || !s.queue) {
        // Opening makes the sync's tables in the file the first time, a write that waits on the disk: it is
        // done off the window's thread. Until then no change here is noted; the first sync compares them all.
        const int opening = ++s.opening;
        offThread(
            this,
            [path = s.database.path()] {
                auto opened = std::make_shared<Opened>();
                opened->ledger = SyncLedger::open(path, &opened->error);
                if (opened->ledger)
                    opened->queue = SyncQueue::open(path, &opened->error);
                return opened;
            },
            [this, opening](const std::shared_ptr<Opened>& opened) {
                State& st = *m_state;
                if (opening != st.opening)
                    return;
                if (!opened->ledger || !opened->queue) {
                    st.report = SyncReport{};
                    st.report.finishedAt = st.clock.now();
                    st.report.error = opened->error;
                    st.report.source = SyncReport::Source::Schedule;
                    emit statusChanged(statusLine());
                    // Told as a sync that failed, so that `--sync` ends with the reason rather than waiting.
                    emit syncFinished(st.report);
                    return;
                }
                st.ledger = std::move(opened->ledger);
                st.queue = std::move(opened->queue);
                started();
            });
        return;
    }
    started();
}

void SyncService::started()
{
    State& s = *m_state;
    s.local = std::make_unique<LocalChanges>(s.database, *s.ledger, *s.queue);
    s.interval.start(s.account.intervalMinutes * 60 * 1000);

    const int read = ++s.passwordRead;
    s.passwords.read(s.account.passwordKey(), [this, read](const PasswordStore::Outcome& outcome) {
        State& st = *m_state;
        if (read != st.passwordRead)
            return;
        if (!outcome.found) {
            const QString reason =
                outcome.problem.isEmpty()
                    ? tr("The password for the calendar account is not kept on this computer.")
                    : outcome.problem;
            st.passwordWanted = true;
            emit passwordNeeded(reason);
            return;
        }
        setPassword(outcome.password);
    });
}

void SyncService::accountChanged()
{
    State& s = *m_state;
    s.retry.stop();
    s.soon.stop();
    s.havePassword = false;
    s.passwordWanted = false;
    s.again = false;
    s.retries.succeeded();
    s.report = {};
    start();
    emit statusChanged(statusLine());
}

void SyncService::setPassword(const QString& password)
{
    State& s = *m_state;
    s.password = password;
    s.havePassword = true;
    s.passwordWanted = false;
    // A run under way keeps the calendar it was given until it ends; the next one talks with the new
    // password.
    s.staleCalendar = true;
    syncNow();
}

void SyncService::syncNow()
{
    State& s = *m_state;
    // What changed here goes into the file's queue even when no sync can run now, so that it is sent
    // after a restart too.
    if (s.local && s.local->hasNoted())
        s.local->queueNoted(s.run != nullptr);
    if (!s.hasAccount || !s.havePassword || s.passwordWanted || !s.ledger || !s.queue)
        return;
    if (s.run) {
        s.again = true;
        return;
    }
    s.soon.stop();
    s.retry.stop();
    // A calendar made before the password or the wait changed is made again, now that no run uses it.
    if (std::exchange(s.staleCalendar, false))
        s.collection.reset();
    if (!s.collection)
        s.collection = s.calendars(s.account, s.password, s.requestTimeoutMs);
    if (!s.collection)
        return;
    qCDebug(lcSync) << "a sync starts";
    s.run = std::make_unique<SyncRun>(SyncRun::Parts{s.database, *s.ledger, *s.queue, *s.collection, s.clock,
                                                     QTimeZone::systemTimeZone()});
    emit statusChanged(statusLine());
    s.run->run([this](const SyncReport& report, const DavError& error) {
        State& st = *m_state;
        // The run is let go once its last callback has returned.
        st.run.release()->deleteLater();
        st.report = report;
        if (st.keepsStatusInFile && report.finishedAt.isValid()) {
            st.ledger->setValue(LastSyncedName, report.finishedAt.toString(Qt::ISODateWithMs));
            st.ledger->setValue(LastStatusName, report.statusLine());
        }
        if (report.ok) {
            st.retries.succeeded();
        } else if (error.kind() == DavError::Kind::Unauthorized) {
            // Asking every minute would only nag: syncing waits for the password.
            if (!st.passwordWanted) {
                st.passwordWanted = true;
                emit passwordNeeded(error.message());
            }
        } else {
            const int wait = st.retries.failed(error);
            if (wait >= 0)
                st.retry.start(wait);
        }
        emit statusChanged(statusLine());
        emit syncFinished(report);
        if (st.again || (st.local && st.local->hasNoted())) {
            st.again = false;
            if (report.ok)
                st.soon.start();
        }
    });
}

bool SyncService::isSyncing() const
{
    return m_state->run != nullptr;
}

bool SyncService::hasAccount() const
{
    return m_state->hasAccount;
}

QString SyncService::statusLine() const
{
    const State& s = *m_state;
    if (isSyncing())
        return tr("Syncing...");
    // A sync that `zentravio --sync` made since this program's last one is the newer word.
    if (s.ledger) {
        const QDateTime other = QDateTime::fromString(s.ledger->value(LastSyncedName), Qt::ISODateWithMs);
        if (other.isValid() && (!s.report.finishedAt.isValid() || other > s.report.finishedAt))
            return s.ledger->value(LastStatusName);
    }
    return s.report.statusLine();
}

const SyncReport& SyncService::lastReport() const
{
    return m_state->report;
}

void SyncService::setSendDelay(int milliseconds)
{
    m_state->soon.setInterval(milliseconds);
}

void SyncService::setRequestTimeout(int milliseconds)
{
    m_state->requestTimeoutMs = milliseconds;
    m_state->staleCalendar = true;
}

void SyncService::setKeepsStatusInFile(bool keeps)
{
    m_state->keepsStatusInFile = keeps;
}

void SyncService::setRetryWaits(int firstMs, int ceilingMs)
{
    m_state->retries = RetrySchedule(firstMs, ceilingMs);
}

int SyncService::waitingChanges() const
{
    return m_state->queue ? m_state->queue->size() : 0;
}
