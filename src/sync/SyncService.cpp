#include "sync/SyncService.h"

#include "store/Clock.h"
#include "store/DateText.h"
#include "store/ScheduleDatabase.h"
#include "sync/AccountSettings.h"
#include "sync/CalendarCollection.h"
#include "sync/DavClient.h"
#include "sync/LocalChanges.h"
#include "sync/PasswordStore.h"
#include "sync/RetrySchedule.h"
#include "sync/SyncLedger.h"
#include "sync/SyncQueue.h"
#include "sync/SyncRun.h"

#include <QCoreApplication>
#include <QTimeZone>
#include <QTimer>

namespace {

constexpr int DefaultSendDelayMs = 2000;

} // namespace

struct SyncService::State
{
    State(ScheduleDatabase& database, SettingsStore& settings, PasswordStore& passwords, Clock& clock)
        : database(database), settings(settings), passwords(passwords), clock(clock)
    {}

    ScheduleDatabase& database;
    SettingsStore& settings;
    PasswordStore& passwords;
    Clock& clock;
    SyncReport report;
    bool hasAccount = false;

    AccountSettings account;
    QString password;
    bool havePassword = false;
    bool passwordWanted = false; // asked for once; syncing waits for setPassword()
    int passwordRead = 0;        // counts reads, so that the answer to an outdated one is ignored
    std::unique_ptr<DavClient> client;
    std::unique_ptr<CalendarCollection> collection;
    std::unique_ptr<SyncLedger> ledger;
    std::unique_ptr<SyncQueue> queue;
    std::unique_ptr<LocalChanges> local;
    std::unique_ptr<SyncRun> run;
    bool firstOfRun = true;
    bool again = false;
    bool writingSchedule = false;
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
    return line + remarks();
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
    return said;
}

SyncService::SyncService(ScheduleDatabase& database, SettingsStore& settings, PasswordStore& passwords,
                         Clock& clock, QObject* parent)
    : QObject(parent), m_state(std::make_unique<State>(database, settings, passwords, clock))
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
        if (st.writingSchedule || !st.local)
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
    m_state->client.reset();
}

void SyncService::start()
{
    State& s = *m_state;
    // A run under way belongs to the account as it was read before; it ends before its client does.
    s.run.reset();
    s.local.reset();
    s.collection.reset();
    s.client.reset();
    s.account = AccountSettings::load(s.settings);
    s.hasAccount = s.account.isSet();
    if (!s.hasAccount) {
        s.interval.stop();
        return;
    }
    QString error;
    if (!s.ledger)
        s.ledger = SyncLedger::open(s.database.path(), &error);
    if (s.ledger && !s.queue)
        s.queue = SyncQueue::open(s.database.path(), &error);
    if (!s.ledger || !s.queue) {
        s.report = SyncReport{};
        s.report.finishedAt = s.clock.now();
        s.report.error = error;
        emit statusChanged(statusLine());
        return;
    }
    s.local = std::make_unique<LocalChanges>(s.database, *s.ledger, *s.queue);
    s.client = std::make_unique<DavClient>();
    s.client->setTimeout(s.requestTimeoutMs);
    s.client->setAcceptedFingerprint(s.account.acceptedFingerprint);
    s.collection = std::make_unique<CalendarCollection>(*s.client, s.account.calendarUrl);
    s.interval.start(s.account.intervalMinutes * 60 * 1000);
    s.firstOfRun = true;

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
    if (s.client)
        s.client->setCredentials(s.account.user, password);
    syncNow();
}

void SyncService::syncNow()
{
    State& s = *m_state;
    // What changed here goes into the file's queue even when no sync can run now, so that it is sent
    // after a restart too.
    if (s.local && s.local->hasNoted())
        s.local->queueNoted();
    if (!s.hasAccount || !s.havePassword || s.passwordWanted || !s.collection)
        return;
    if (s.run) {
        s.again = true;
        return;
    }
    s.soon.stop();
    s.retry.stop();
    s.run = std::make_unique<SyncRun>(SyncRun::Parts{s.database, *s.ledger, *s.queue, *s.collection, s.clock,
                                                     QTimeZone::systemTimeZone(), s.writingSchedule},
                                      s.firstOfRun);
    emit statusChanged(statusLine());
    s.run->run([this](const SyncReport& report, const DavError& error) {
        State& st = *m_state;
        // The run is let go once its last callback has returned.
        st.run.release()->deleteLater();
        st.report = report;
        if (report.ok) {
            st.firstOfRun = false;
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
    if (isSyncing())
        return tr("Syncing...");
    return m_state->report.statusLine();
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
    if (m_state->client)
        m_state->client->setTimeout(milliseconds);
}

void SyncService::setRetryWaits(int firstMs, int ceilingMs)
{
    m_state->retries = RetrySchedule(firstMs, ceilingMs);
}

int SyncService::waitingChanges() const
{
    return m_state->queue ? m_state->queue->size() : 0;
}
