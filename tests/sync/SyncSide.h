#pragma once

#include "settings/SettingsStore.h"
#include "store/ScheduleDatabase.h"
#include "support/ManualClock.h"
#include "sync/AccountSettings.h"
#include "sync/PasswordStore.h"
#include "sync/SyncService.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>
#include <optional>

// One desktop's side of a sync in a test: a schedule file, a settings file with the account, the password
// in memory and the sync service over them. The service can be ended and started again over the same
// files, as the program ends and starts.
class SyncSide
{
public:
    SyncSide(const QUrl& calendar, const QString& user, const QString& password)
        : m_settings(m_dir.filePath(QStringLiteral("Zentravio.conf"))), m_passwords(false)
    {
        ScheduleDatabase::CreateDatabaseFile(schedulePath());
        m_database = ScheduleDatabase::open(schedulePath(), nullptr);
        m_account.server = calendar.toString();
        m_account.user = user.isEmpty() ? QStringLiteral("nobody") : user;
        m_account.calendarUrl = calendar;
        m_account.calendarName = QStringLiteral("Test");
        m_account.save(m_settings);
        m_passwords.write(m_account.passwordKey(), password.isEmpty() ? QStringLiteral("none") : password,
                          [](const PasswordStore::Outcome&) {});
        QCoreApplication::processEvents();
        restart();
    }

    QString schedulePath() const { return m_dir.filePath(ScheduleDatabase::FileName); }
    ScheduleDatabase& database() { return *m_database; }
    SyncService& service() { return *m_service; }
    SettingsStore& settings() { return m_settings; }
    PasswordStore& passwords() { return m_passwords; }
    ManualClock& clock() { return m_clock; }

    // The service ends (what it has not sent stays in the file) and a new one starts over the same files.
    void restart(int sendDelayMs = 60000)
    {
        m_service.reset();
        m_service = std::make_unique<SyncService>(*m_database, m_settings, m_passwords, m_clock);
        m_service->setSendDelay(sendDelayMs);
        m_service->setRequestTimeout(5000);
        m_service->setRetryWaits(60000, 60000);
    }

    // Starts the service (which syncs at once) or asks it for a sync, and waits for the report.
    SyncReport sync(bool start = false, int waitMs = 60000)
    {
        std::optional<SyncReport> report;
        QEventLoop loop;
        QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
        QObject::connect(m_service.get(), &SyncService::syncFinished, &loop, [&](const SyncReport& finished) {
            report = finished;
            loop.quit();
        });
        if (start)
            m_service->start();
        else
            m_service->syncNow();
        loop.exec();
        if (report)
            return *report;
        SyncReport none;
        none.error = QStringLiteral("no sync finished");
        return none;
    }

    // The positions of the entries with this subject.
    std::vector<size_t> withSubject(const QString& subject)
    {
        std::vector<size_t> found;
        const ScheduleTable& table = m_database->table();
        for (size_t i = 0; i < table.size(); ++i) {
            if (table.text(i, ScheduleField::Subject) == subject)
                found.push_back(i);
        }
        return found;
    }

    qint64 add(const QString& subject, const QString& date = QStringLiteral("05/04/2026"),
               const QString& time = QStringLiteral("09:30:00 AM"),
               const QString& kind = QStringLiteral("OneTime"))
    {
        return m_database
            ->append(ScheduleEntry::make(date, QStringLiteral("Monday"), subject, QStringLiteral("A note"),
                                         time, QStringLiteral("on"), kind))
            .rowId;
    }

private:
    QTemporaryDir m_dir;
    SettingsStore m_settings;
    PasswordStore m_passwords;
    ManualClock m_clock{QDateTime(QDate(2026, 5, 1), QTime(10, 0))};
    AccountSettings m_account;
    std::unique_ptr<ScheduleDatabase> m_database;
    std::unique_ptr<SyncService> m_service;
};
