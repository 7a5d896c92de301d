#pragma once

#include "notify/AlarmNotice.h"

#include <vector>

// Alarms that came due together under one key: one alone, or more than the service's MostWindows that
// share one window and one notification. Every notice carries the key.
struct RingingAlarm
{
    quint64 key = 0;
    std::vector<AlarmNotice> alarms;

    bool together() const { return alarms.size() > 1; }
};

// What shows a ringing alarm to the user (its window, its desktop notification): the alarm service tells
// it when alarms ring and when one was answered anywhere, and hears back by key what the user did.
class AlarmListener
{
public:
    virtual ~AlarmListener() = default;

    virtual void alarmRings(const RingingAlarm& alarm) = 0;
    // The alarm was snoozed or dismissed, here or elsewhere: what still shows it goes.
    virtual void alarmAnswered(quint64 key) = 0;
};
