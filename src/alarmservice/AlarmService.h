#pragma once

#include "alarmservice/AlarmListener.h"
#include "alarmservice/AlarmNotifications.h"
#include "alarmservice/ScheduleFileWatch.h"
#include "notify/AlarmNotice.h"
#include "settings/AlarmCoverage.h"
#include "store/AlarmWatch.h"
#include "store/EntryChange.h"
#include "store/Snooze.h"

#include <QObject>

#include <map>
#include <vector>

class Clock;
class KeptRecurrences;
class QTimer;
class ScheduleDatabase;
class SettingsStore;

// The program's alarm service, made once for the run beside the schedule and independent of any window:
// its own one-second heartbeat checks which entries and which of their occurrences came due (the main
// window's Timer1 hands its ticks over to the same check), so alarms ring while the main window is
// hidden, folded or not there at all. What came due is told to the listeners (the alarm windows) and to
// the desktop notification; more than MostWindows due together ring as one, under one key. The first
// check goes on from the last second the previous run covered, so that what fell due while the program
// was not running rings at start, late.
//
// Snoozes: an alarm put off from its window or its notification rings again, once, as a new alarm after
// the minutes chosen; the snooze is kept in the schedule file, so it rings late after a restart. Deleting
// the entry, switching its alarm off or changing its alarm time drops it.
class AlarmService : public QObject
{
    Q_OBJECT

public:
    // `recurrences` gives the occurrences of the entries that keep a whole recurrence; none rings without.
    AlarmService(ScheduleDatabase& database, SettingsStore& settings, Clock& clock, AlarmNotifier& notifier,
                 const KeptRecurrences* recurrences);
    ~AlarmService() override;

    // How long after its second an alarm says it rings late.
    static constexpr qint64 LateAfterSeconds = 60;
    // More alarms than this due together ring as one, in one window that lists them.
    static constexpr size_t MostWindows = 5;
    // Ticks between looks at the schedule file when the system reports no write to it: a file system that
    // reports nothing still has another program's change seen within this many seconds.
    static constexpr int LookEvery = 30;

    // Listeners are told in the order they were added, the desktop notification last. A listener that
    // goes before the service takes itself off.
    void addListener(AlarmListener* listener);
    void removeListener(AlarmListener* listener);

    // Starts the heartbeat; the first tick follows a second later.
    void start();
    void stop();
    bool running() const;

    // One alarm check at the clock's time.
    void check();

    const SnoozeBook& snoozes() const { return m_snoozes; }

    // What the window or the notification of a ringing alarm asks for, by the alarm's key.
    void snooze(quint64 key, int minutes);
    void dismiss(quint64 key);
    // The keys of the alarms ringing now (their windows or notifications still out).
    std::vector<quint64> ringingKeys() const;

private:
    // One alarm that came due: the entry, its texts, when it was due and, after a snooze, when it first
    // rang.
    struct Due
    {
        QString uid;
        QString subject;
        QString note;
        qint64 dueSecond = 0;
        qint64 fromSecond = 0; // a snoozed alarm's first ringing; 0 otherwise
        qint32 alarmSecond = 0;
    };

    // The schedule as the tick checks it: the table in memory, looked at in the file only when the file
    // may have been written since the last look.
    const ScheduleTable& scheduleToCheck(const QDateTime& now);
    std::vector<Due> snoozesDue(qint64 current);
    AlarmNotice noticeOf(const Due& due, qint64 current, quint64 key) const;
    void ring(std::vector<Due> alarms, qint64 current);
    // The ringing alarm is answered: what shows it goes.
    void answered(quint64 key);
    std::vector<AlarmListener*> everyListener();
    void loadSnoozes();
    void entriesChanged(const EntryChanges& changes);
    // The entry's alarm no longer stands as it was snoozed: off, at another second, or gone.
    bool snoozeStillStands(const Snooze& snooze) const;
    void dropSnooze(const QString& uid);

    ScheduleDatabase& m_database;
    Clock& m_clock;
    const KeptRecurrences* m_recurrences;
    AlarmWatch m_watch;
    AlarmCoverage m_coverage;
    ScheduleFileWatch m_fileWatch;
    int m_ticksWithoutLook = LookEvery; // the first tick looks, for what was written before the watch began
    std::optional<qint64> m_lastLook; // the wall second of the last look at the file
    SnoozeBook m_snoozes;
    QTimer* m_heartbeat;
    int m_changeListener = 0;
    quint64 m_nextKey = 1;
    std::map<quint64, std::vector<Due>> m_ringing;
    std::vector<AlarmListener*> m_listeners;
    AlarmNotifications m_notifications;
};
