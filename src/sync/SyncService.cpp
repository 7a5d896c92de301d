#include "sync/SyncService.h"

#include "store/Clock.h"
#include "store/DateText.h"

#include <QCoreApplication>

// The service's moving parts; filled in as syncing is built.
struct SyncService::State
{
    ScheduleDatabase& database;
    SettingsStore& settings;
    PasswordStore& passwords;
    Clock& clock;
    SyncReport report;
    bool hasAccount = false;
};

QString SyncReport::statusLine() const
{
    if (!finishedAt.isValid())
        return QCoreApplication::translate("SyncService", "Not synced yet");
    if (!ok)
        return error;
    return QCoreApplication::translate("SyncService", "Last synced %1: %2 received, %3 sent")
        .arg(DateText::timeText(finishedAt.time()))
        .arg(received)
        .arg(sent);
}

SyncService::SyncService(ScheduleDatabase& database, SettingsStore& settings, PasswordStore& passwords,
                         Clock& clock, QObject* parent)
    : QObject(parent),
      m_state(std::make_unique<State>(State{database, settings, passwords, clock, {}, false}))
{}

SyncService::~SyncService() = default;

void SyncService::start() {}

void SyncService::accountChanged() {}

void SyncService::setPassword(const QString&) {}

void SyncService::syncNow() {}

bool SyncService::isSyncing() const
{
    return false;
}

bool SyncService::hasAccount() const
{
    return m_state->hasAccount;
}

QString SyncService::statusLine() const
{
    return m_state->report.statusLine();
}

const SyncReport& SyncService::lastReport() const
{
    return m_state->report;
}
