#include "alarm/AlarmEngine.h"

#include "alarm/FormAlarm.h"
#include "forms/AppContext.h"
#include "forms/WindowOwner.h"
#include "notify/AlarmNotice.h"
#include "store/Recurrence.h"
#include "store/ScheduleDatabase.h"

#include <vector>

AlarmEngine::AlarmEngine(AppContext& context, WindowOwner& windows)
    : m_ctx(context), m_windows(windows), m_coverage(context.settings)
{
    // A first start has nothing recorded and rings only what is due from now on.
    if (const std::optional<qint64> covered = m_coverage.recorded())
        m_watch.resumeFrom(*covered);
}

void AlarmEngine::Timer1_Timer()
{
    const ScheduleTable& table = m_ctx.database.table();
    const std::vector<AlarmWatch::Occurrence> occurrences = m_watch.dueOccurrences(table, m_ctx.clock.now());
    if (!m_watch.hasChecked())
        return;
    const qint64 current = m_watch.lastCheckedSecond();
    m_coverage.covered(current);

    // The texts are taken before any window opens: an alarm window's load rebuilds the countdown list,
    // which may read the schedule again.
    std::vector<AlarmNotice> due;
    for (const AlarmWatch::Occurrence& occurrence : occurrences) {
        AlarmNotice notice;
        notice.subject = table.text(occurrence.position, ScheduleField::Type);
        notice.note = table.text(occurrence.position, ScheduleField::Note);
        notice.dueDate = Recurrence::wallDate(occurrence.second);
        notice.dueTime = Recurrence::wallTime(occurrence.second);
        // An alarm that rings a minute or more after its second says so: the program was not running or
        // the machine slept. A tick that comes a few seconds late is not worth a word.
        notice.late = current - occurrence.second >= LateAfterSeconds;
        due.push_back(std::move(notice));
    }

    for (const AlarmNotice& notice : due) {
        FormAlarm* alarm = m_windows.newAlarmWindow();
        if (!alarm)
            return;
        m_newFormAlarm = alarm;
        alarm->setSubject(notice.subject);
        alarm->setNote(notice.note);
        alarm->setLateLine(notice.late ? notice.dueLine() : QString());
        alarm->show();
        m_ctx.notifier.notify(notice);
    }
}
