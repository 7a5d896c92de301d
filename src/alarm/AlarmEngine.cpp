#include "alarm/AlarmEngine.h"

#include "alarm/FormAlarm.h"
#include "forms/AppContext.h"
#include "forms/WindowOwner.h"
#include "store/ScheduleDatabase.h"

#include <utility>
#include <vector>

AlarmEngine::AlarmEngine(AppContext& context, WindowOwner& windows) : m_ctx(context), m_windows(windows) {}

void AlarmEngine::Timer1_Timer()
{
    const ScheduleTable& table = m_ctx.database.table();
    // The texts are taken before any window opens: an alarm window's load rebuilds the countdown list,
    // which may read the schedule again.
    std::vector<std::pair<QString, QString>> due;
    for (size_t position : m_watch.due(table, m_ctx.clock.now()))
        due.emplace_back(table.text(position, ScheduleField::Type),
                         table.text(position, ScheduleField::Note));

    for (const auto& [subject, note] : due) {
        FormAlarm* alarm = m_windows.newAlarmWindow();
        if (!alarm)
            return;
        m_newFormAlarm = alarm;
        alarm->setSubject(subject);
        alarm->setNote(note);
        alarm->show();
    }
}
