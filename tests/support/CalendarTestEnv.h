#pragma once

#include "app/AppContext.h"
#include "app/Clock.h"
#include "app/Services.h"
#include "settings/SettingsStore.h"
#include "store/ScheduleDatabase.h"

#include <QList>
#include <QTemporaryDir>

#include <memory>

// Counts the beeps instead of sounding them.
class CalendarCountingBeeper : public BeepService
{
public:
    void beep() override { ++count; }
    int count = 0;
};

// Records every message box and answers it at once with a preset button.
class CalendarRecordedMessages : public MessageBoxService
{
public:
    struct Shown
    {
        QMessageBox::Icon icon;
        QString title;
        QString text;
    };

    QMessageBox::StandardButton show(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                     const QString& text, QMessageBox::StandardButtons buttons) override;

    QList<Shown> shown;
    QMessageBox::StandardButton answer = QMessageBox::Ok;
};

// One screen of a fixed size at the origin.
class CalendarFixedScreen : public ScreenService
{
public:
    QRect primaryGeometry() const override { return geometry; }
    QList<QRect> screens() const override { return {geometry}; }
    QRect geometry{0, 0, 1280, 1024};
};

// A schedule file and a settings file in a temporary folder of their own, a clock that stands still,
// counted beeps and recorded message boxes, gathered into the context the windows take.
class CalendarTestEnv
{
public:
    explicit CalendarTestEnv(const QDateTime& now = QDateTime(QDate(2002, 10, 12), QTime(9, 30)));
    ~CalendarTestEnv();

    // Opens the settings file again, as the next start of the program would. Windows made with the old
    // context must be gone by then.
    void reopenSettings();
    // Appends an entry straight to the schedule file.
    void addEntry(const QString& date, const QString& type, const QString& schedType,
                  const QString& alarmTime = QStringLiteral("10:00:00 AM"));

    QString databasePath() const { return m_dir.filePath(QStringLiteral("Zentravio.vmr")); }
    QString settingsPath() const { return m_dir.filePath(QStringLiteral("Zentravio.conf")); }

    ScheduleDatabase& database() { return *m_database; }
    SettingsStore& settings() { return *m_settings; }
    AppContext& context() { return *m_context; }
    ProgramValues& values() { return m_context->values; }

    ManualClock clock;
    CalendarCountingBeeper beeper;
    CalendarRecordedMessages messages;
    CalendarFixedScreen screen;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ScheduleDatabase> m_database;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<AppContext> m_context;
};
