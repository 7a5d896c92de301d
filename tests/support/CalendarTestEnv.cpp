#include "CalendarTestEnv.h"

#include "store/DateText.h"
#include "store/ScheduleEntry.h"

QMessageBox::StandardButton CalendarRecordedMessages::show(QWidget*, QMessageBox::Icon icon,
                                                           const QString& title, const QString& text,
                                                           QMessageBox::StandardButtons)
{
    shown.append({icon, title, text});
    return answer;
}

CalendarTestEnv::CalendarTestEnv(const QDateTime& now) : clock(now)
{
    if (!m_dir.isValid())
        qFatal("no temporary folder for the test");
    const StoreResult created = ScheduleDatabase::CreateDatabaseFile(databasePath());
    if (!created)
        qFatal("%s", qPrintable(created.error));
    QString error;
    m_database = ScheduleDatabase::open(databasePath(), &error);
    if (!m_database)
        qFatal("%s", qPrintable(error));
    m_settings = std::make_unique<SettingsStore>(settingsPath());
    m_context.reset(new AppContext{*m_database, *m_settings, clock, beeper, messages, screen, {}});
}

CalendarTestEnv::~CalendarTestEnv() = default;

void CalendarTestEnv::reopenSettings()
{
    auto fresh = std::make_unique<SettingsStore>(settingsPath());
    ProgramValues values = m_context->values;
    m_context.reset(new AppContext{*m_database, *fresh, clock, beeper, messages, screen, values});
    m_settings = std::move(fresh);
}

void CalendarTestEnv::addEntry(const QString& date, const QString& type, const QString& schedType,
                               const QString& alarmTime)
{
    const std::optional<QDate> day = DateText::readDate(date);
    const StoreResult added = m_database->append(
        ScheduleEntry::make(date, day ? DateText::dddd(*day) : QStringLiteral("Monday"), type,
                            QStringLiteral("note"), alarmTime, QStringLiteral("off"), schedType));
    if (!added)
        qFatal("%s", qPrintable(added.error));
}
