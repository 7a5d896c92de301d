#pragma once

#include <QDate>
#include <QString>
#include <QTime>

#include <functional>
#include <optional>

// What the user is told when an entry's alarm rings: its subject and note, the day and second it was due
// (as the wall clock reads them) and whether it rings late, after the program was not running or the
// machine was asleep.
struct AlarmNotice
{
    QString subject;
    QString note;
    QDate dueDate;
    QTime dueTime;
    bool late = false;
    // When the alarm first rang, for an alarm that rings again after a snooze.
    std::optional<QTime> snoozedFrom;
    // Tells this ringing alarm from every other of the run, so that an action on its notification
    // reaches it; 0 for none.
    quint64 key = 0;
    // How many alarms the notice stands for: more than one when they came due together and share a
    // window; the subject and note are then the first one's.
    int count = 1;

    // "Due: December 05, 2026 09:00:00 AM", or "Late: due December 05, 2026 09:00:00 AM".
    QString dueLine() const;
    // "Snoozed from 10:00:00 AM" for an alarm that rings again after a snooze, then "; late, due ..."
    // when it rings late; empty for any other alarm.
    QString snoozedLine() const;
    // The line an alarm window shows under the note: the snoozed line, or the late one, or none.
    QString windowLine() const;
};

// What the user did on an alarm's notification.
enum class NoticeAction
{
    Snooze, // "Snooze 10 minutes"
    Dismiss
};

// Sends an alarm to the user beside its window. The one that sends nothing stands in where there is no
// way to send one.
class AlarmNotifier
{
public:
    virtual ~AlarmNotifier() = default;
    virtual void notify(const AlarmNotice& notice);
    // Takes back the notification of the alarm with this key, when it is still shown.
    virtual void withdraw(quint64 key);

    // Whoever rings the alarms hears here, on the window's thread, what the user did on a notification.
    using ActionHandler = std::function<void(quint64 key, NoticeAction action)>;
    void setActionHandler(ActionHandler handler) { m_actionHandler = std::move(handler); }
    // The user acted on the notification of the alarm with this key.
    void invokeAction(quint64 key, NoticeAction action);

    static AlarmNotifier& none();

private:
    ActionHandler m_actionHandler;
};
