#pragma once

#include "alarm/FormAlarm.h"
#include "settings/AlarmCoverage.h"
#include "store/AlarmWatch.h"

#include <QPointer>

class WindowOwner;
struct AppContext;

// The alarm check of the main window's one-second tick: every entry whose alarm came due since the
// previous tick gets an alarm window of its own, in table order, and a desktop notification. Which
// entries are due is the watch's decision; this class opens the windows. The first check goes on from
// the last second the previous run covered, so that what fell due while the program was not running
// rings at start, late.
class AlarmEngine
{
public:
    AlarmEngine(AppContext& context, WindowOwner& windows);

    // How long after its second an alarm window says it rings late.
    static constexpr qint64 LateAfterSeconds = 60;

    void Timer1_Timer();

    // The alarm window opened last; windows opened earlier stay open on their own.
    FormAlarm* NewFormAlarm() const { return m_newFormAlarm; }

private:
    AppContext& m_ctx;
    WindowOwner& m_windows;
    AlarmWatch m_watch;
    AlarmCoverage m_coverage;
    QPointer<FormAlarm> m_newFormAlarm;
};
