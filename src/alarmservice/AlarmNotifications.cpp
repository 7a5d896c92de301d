#include "alarmservice/AlarmNotifications.h"

#include "alarmservice/AlarmService.h"

AlarmNotifications::AlarmNotifications(AlarmNotifier& notifier, AlarmService& service) : m_notifier(notifier)
{
    m_notifier.setActionHandler([&service](quint64 key, NoticeAction action) {
        if (action == NoticeAction::Snooze)
            service.snooze(key, SnoozeMinutes);
        else
            service.dismiss(key);
    });
}

AlarmNotifications::~AlarmNotifications()
{
    m_notifier.setActionHandler({});
}

void AlarmNotifications::alarmRings(const RingingAlarm& alarm)
{
    if (alarm.alarms.empty())
        return;
    AlarmNotice notice = alarm.alarms.front();
    notice.count = int(alarm.alarms.size());
    m_notifier.notify(notice);
}

void AlarmNotifications::alarmAnswered(quint64 key)
{
    m_notifier.withdraw(key);
}
