#pragma once

#include "app/ProgramWindows.h"
#include "forms/AppContext.h"
#include "occurrence/ScheduleOccurrences.h"
#include "settings/SettingsStore.h"
#include "store/ScheduleDatabase.h"
#include "support/TestServices.h"

#include <QTemporaryDir>

#include <memory>

// What a window test starts from: a schedule file and a settings file in a temporary folder of their
// own, a clock that stands still, counted beeps, recorded message boxes and one 1280 x 1024 screen,
// gathered into the context the windows take. Windows are made on the offscreen platform.
class WindowTestEnv
{
public:
    explicit WindowTestEnv(const QDateTime& now = QDateTime(QDate(2002, 10, 12), QTime(9, 30)));
    ~WindowTestEnv();

    // Opens the settings file again, as the next start of the program would. Windows made with the old
    // context must be gone by then.
    void reopenSettings();
    // Appends an entry straight to the schedule file.
    void addEntry(const QString& date, const QString& type, const QString& schedType,
                  const QString& alarmTime = QStringLiteral("10:00:00 AM"),
                  const QString& alarmOnOff = QStringLiteral("off"),
                  const QString& note = QStringLiteral("note"));

    QString databasePath() const { return m_dir.filePath(QStringLiteral("Zentravio.vmr")); }
    QString settingsPath() const { return m_dir.filePath(QStringLiteral("Zentravio.conf")); }

    ScheduleDatabase& database() { return *m_database; }
    SettingsStore& settings() { return *m_settings; }
    AppContext& context() { return *m_context; }
    ProgramValues& values() { return m_context->values; }
    // The program's windows over this context, made on first use (without a shell behind them).
    ProgramWindows& windows();
    // Closes every window and forgets them, as before a restart.
    void closeWindows();

    ManualClock clock;
    CountingBeepService beeper;
    RecordingMessageBoxService messages;
    FixedScreenService screen{QRect(0, 0, 1280, 1024)};
    RecordingAlarmNotifier notifications;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ScheduleDatabase> m_database;
    std::unique_ptr<ScheduleOccurrences> m_occurrences;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<AppContext> m_context;
    std::unique_ptr<ProgramWindows> m_windows;
};
