#include "alarm/RingingWindows.h"

#include "alarmservice/AlarmService.h"
#include "forms/WindowOwner.h"

RingingWindows::RingingWindows(AppContext& context, WindowOwner& windows, AlarmService& service)
    : m_ctx(context), m_windows(windows), m_service(service)
{
    m_service.addListener(this);
}

RingingWindows::~RingingWindows()
{
    m_service.removeListener(this);
    const std::map<quint64, QPointer<QWidget>> open = std::move(m_open);
    m_open.clear();
    for (const auto& entry : open)
        delete entry.second.data();
}

void RingingWindows::alarmRings(const RingingAlarm& alarm)
{
    if (alarm.together())
        ringTogether(alarm);
    else if (!alarm.alarms.empty())
        ringAlone(alarm.alarms.front());
}

void RingingWindows::ringAlone(const AlarmNotice& notice)
{
    FormAlarm* alarm = m_windows.newAlarmWindow();
    if (!alarm)
        return;
    const quint64 key = notice.key;
    m_newFormAlarm = alarm;
    alarm->setSubject(notice.subject);
    alarm->setNote(notice.note);
    alarm->setLateLine(notice.windowLine());
    m_open[key] = alarm;
    // The service is the connections' context: a window that outlives it has nothing left to answer.
    AlarmService& service = m_service;
    QObject::connect(alarm, &FormAlarm::SnoozeChosen, &service,
                     [&service, key](int minutes) { service.snooze(key, minutes); });
    QObject::connect(alarm, &QObject::destroyed, &service, [&service, key] { service.dismiss(key); });
    alarm->show();
}

void RingingWindows::ringTogether(const RingingAlarm& ringing)
{
    const quint64 key = ringing.key;
    auto* list = new FormAlarmList(m_ctx, m_windows); // deletes itself when it closes
    std::vector<FormAlarmList::Row> rows;
    rows.reserve(ringing.alarms.size());
    for (const AlarmNotice& notice : ringing.alarms)
        rows.push_back({notice.subject, notice.dueDate, notice.dueTime, notice.note, notice.windowLine()});
    list->loadIfNeeded();
    list->setRows(rows);
    m_alarmList = list;
    m_open[key] = list;
    AlarmService& service = m_service;
    QObject::connect(list, &FormAlarmList::SnoozeChosen, &service,
                     [&service, key](int minutes) { service.snooze(key, minutes); });
    QObject::connect(list, &QObject::destroyed, &service, [&service, key] { service.dismiss(key); });
    list->show();
}

void RingingWindows::alarmAnswered(quint64 key)
{
    const auto found = m_open.find(key);
    if (found == m_open.end())
        return;
    const QPointer<QWidget> window = found->second;
    m_open.erase(found);
    if (window)
        window->close();
}
