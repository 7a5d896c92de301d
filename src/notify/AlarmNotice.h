#pragma once

#include <QDate>
#include <QString>
#include <QTime>

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

    // "Due: December 05, 2026 09:00:00 AM", or "Late: due December 05, 2026 09:00:00 AM".
    QString dueLine() const;
};

// Sends an alarm to the user beside its window. The one that sends nothing stands in where there is no
// way to send one.
class AlarmNotifier
{
public:
    virtual ~AlarmNotifier() = default;
    virtual void notify(const AlarmNotice& notice);

    static AlarmNotifier& none();
};
