#include "support/WindowTestEnv.h"

#include "forms/DesignFonts.h"
#include "store/DateText.h"
#include "store/ScheduleEntry.h"

WindowTestEnv::WindowTestEnv(const QDateTime& now) : clock(now)
{
    // The windows are measured in the faces the program itself loads.
    static const bool fontsLoaded = [] {
        DesignFonts::load();
        return true;
    }();
    Q_UNUSED(fontsLoaded);
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
    m_context.reset(
        new AppContext{*m_database, *m_settings, clock, beeper, messages, screen, {}, notifications});
    m_occurrences = std::make_unique<ScheduleOccurrences>(*m_database);
    m_context->recurrences = m_occurrences.get();
}

WindowTestEnv::~WindowTestEnv()
{
    m_windows.reset();
}

ProgramWindows& WindowTestEnv::windows()
{
    if (!m_windows)
        m_windows = std::make_unique<ProgramWindows>(*m_context);
    return *m_windows;
}

void WindowTestEnv::closeWindows()
{
    m_windows.reset();
}

void WindowTestEnv::reopenSettings()
{
    m_windows.reset();
    auto fresh = std::make_unique<SettingsStore>(settingsPath());
    ProgramValues values = m_context->values;
    m_context.reset(
        new AppContext{*m_database, *fresh, clock, beeper, messages, screen, values, notifications});
    m_context->recurrences = m_occurrences.get();
    m_settings = std::move(fresh);
}

void WindowTestEnv::addEntry(const QString& date, const QString& type, const QString& schedType,
                             const QString& alarmTime, const QString& alarmOnOff, const QString& note)
{
    const std::optional<QDate> day = DateText::readDate(date);
    const StoreResult added =
        m_database->append(ScheduleEntry::make(date, day ? DateText::dddd(*day) : QStringLiteral("Monday"),
                                               type, note, alarmTime, alarmOnOff, schedType));
    if (!added)
        qFatal("%s", qPrintable(added.error));
}
