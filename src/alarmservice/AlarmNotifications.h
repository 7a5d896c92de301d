#pragma once

#include "alarmservice/AlarmListener.h"

class AlarmService;

// The desktop notification beside each ringing alarm's window: one for an alarm alone, one for alarms
// that ring together (the first one's texts, with their count). What the user does on it goes to the
// service by the alarm's key.
class AlarmNotifications : public AlarmListener
{
public:
    AlarmNotifications(AlarmNotifier& notifier, AlarmService& service);
    ~AlarmNotifications() override;
    AlarmNotifications(const AlarmNotifications&) = delete;
    AlarmNotifications& operator=(const AlarmNotifications&) = delete;

    // The snooze a notification's "Snooze 10 minutes" asks for.
    static constexpr int SnoozeMinutes = 10;

    void alarmRings(const RingingAlarm& alarm) override;
    void alarmAnswered(quint64 key) override;

private:
    AlarmNotifier& m_notifier;
};
