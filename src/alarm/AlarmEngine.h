#pragma once

#include "alarm/FormAlarm.h"
#include "store/AlarmWatch.h"

#include <QPointer>

class WindowOwner;
struct AppContext;

// The alarm check of the main window's one-second tick: every entry whose alarm came due since the
// previous tick gets an alarm window of its own, in table order. Which entries are due is the watch's
// decision; this class only opens the windows.
class AlarmEngine
{
public:
    AlarmEngine(AppContext& context, WindowOwner& windows);

    void Timer1_Timer();

    // The alarm window opened last; windows opened earlier stay open on their own.
    FormAlarm* NewFormAlarm() const { return m_newFormAlarm; }

private:
    AppContext& m_ctx;
    WindowOwner& m_windows;
    AlarmWatch m_watch;
    QPointer<FormAlarm> m_newFormAlarm;
};
