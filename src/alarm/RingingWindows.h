#pragma once

#include "alarm/FormAlarm.h"
#include "alarm/FormAlarmList.h"
#include "alarmservice/AlarmListener.h"

#include <QPointer>

#include <map>

class AlarmService;
class WindowOwner;
struct AppContext;

// The windows of the ringing alarms, a listener of the alarm service: an alarm alone opens an alarm
// window of its own, alarms that ring together open one window that lists them. A snooze chosen in one,
// or its closing, goes back to the service by the alarm's key; an alarm answered elsewhere (on its
// notification) closes its window.
class RingingWindows : public AlarmListener
{
public:
    RingingWindows(AppContext& context, WindowOwner& windows, AlarmService& service);
    // The windows still ringing close with it; the service hears of each.
    ~RingingWindows() override;
    RingingWindows(const RingingWindows&) = delete;
    RingingWindows& operator=(const RingingWindows&) = delete;

    void alarmRings(const RingingAlarm& alarm) override;
    void alarmAnswered(quint64 key) override;

    // The alarm window opened last; windows opened earlier stay open on their own.
    FormAlarm* NewFormAlarm() const { return m_newFormAlarm; }
    // The window that lists alarms due together, opened last.
    FormAlarmList* alarmList() const { return m_alarmList; }

private:
    void ringAlone(const AlarmNotice& notice);
    void ringTogether(const RingingAlarm& alarm);

    AppContext& m_ctx;
    WindowOwner& m_windows;
    AlarmService& m_service;
    std::map<quint64, QPointer<QWidget>> m_open;
    QPointer<FormAlarm> m_newFormAlarm;
    QPointer<FormAlarmList> m_alarmList;
};
