#include "alarm/AlarmEngine.h"

#include "alarm/FormAlarm.h"
#include "alarm/FormAlarmList.h"
#include "forms/AppContext.h"
#include "forms/WindowOwner.h"
#include "store/Recurrence.h"
#include "store/ScheduleDatabase.h"

#include <QTimer>

AlarmEngine::AlarmEngine(AppContext& context, WindowOwner& windows)
    : m_ctx(context), m_windows(windows), m_coverage(context.settings), m_fileWatch(context.database.path()),
      m_heartbeat(new QTimer(this))
{
    m_heartbeat->setObjectName(QStringLiteral("AlarmHeartbeat"));
    m_heartbeat->setInterval(1000);
    connect(m_heartbeat, &QTimer::timeout, this, &AlarmEngine::Timer1_Timer);
    // A first start has nothing recorded and rings only what is due from now on.
    if (const std::optional<qint64> covered = m_coverage.recorded())
        m_watch.resumeFrom(*covered);
    loadSnoozes();
    m_listener =
        m_ctx.database.addChangeListener([this](const EntryChanges& changes) { entriesChanged(changes); });
    m_ctx.notifier.setActionHandler([this](quint64 key, NoticeAction action) {
        if (action == NoticeAction::Snooze)
            snooze(key, NotificationSnoozeMinutes);
        else
            dismiss(key);
    });
}

AlarmEngine::~AlarmEngine()
{
    m_ctx.notifier.setActionHandler({});
    m_ctx.database.removeChangeListener(m_listener);
    // The windows go first, while the service is still whole; their closing has nothing left to answer.
    const std::map<quint64, Ringing> ringing = std::move(m_ringing);
    m_ringing.clear();
    for (const auto& entry : ringing)
        delete entry.second.window.data();
}

void AlarmEngine::start()
{
    m_heartbeat->start();
}

void AlarmEngine::stop()
{
    m_heartbeat->stop();
}

bool AlarmEngine::running() const
{
    return m_heartbeat->isActive();
}

void AlarmEngine::Timer1_Timer()
{
    const QDateTime now = m_ctx.clock.now();
    const ScheduleTable& table = scheduleToCheck(now);
    const std::vector<AlarmWatch::Occurrence> occurrences = m_watch.dueOccurrences(table, now, m_ctx.recurrences);
    if (!m_watch.hasChecked())
        return;
    const qint64 current = m_watch.lastCheckedSecond();
    m_coverage.covered(current);

    // The texts are taken before any window opens: an alarm window's load rebuilds the countdown list,
    // which may read the schedule again.
    std::vector<Due> due;
    due.reserve(occurrences.size());
    const EntryIdentities& identities = m_ctx.database.identities();
    for (const AlarmWatch::Occurrence& occurrence : occurrences) {
        const size_t i = occurrence.position;
        Due alarm;
        alarm.uid = i < identities.size() ? identities.uid(i, table.rowId(i)) : QString();
        alarm.subject = occurrence.subject.isEmpty() ? table.text(i, ScheduleField::Subject) : occurrence.subject;
        alarm.note = table.text(i, ScheduleField::Note);
        alarm.dueSecond = occurrence.second;
        alarm.alarmSecond = table.alarmSecond(i);
        due.push_back(std::move(alarm));
    }
    for (Due& again : snoozesDue(now.isValid() ? Recurrence::wallSecond(now) : current))
        due.push_back(std::move(again));
    if (due.empty())
        return;
    // Recorded as covered before anything rings: a run ended abruptly after this must not ring it again at
    // the next start. A record that cannot be written does not keep an alarm from ringing.
    m_coverage.ringing(current);

    if (due.size() > MostWindows) {
        ringTogether(due, current);
        return;
    }
    for (const Due& alarm : due)
        ringAlone(alarm, current);
}

const ScheduleTable& AlarmEngine::scheduleToCheck(const QDateTime& now)
{
    ScheduleDatabase& database = m_ctx.database;
    // The program's own writes are in the table already; another program's show in the folder's report.
    // A read under way in the background is looked for on every tick until its table is in.
    const bool written = m_fileWatch.mayHaveChanged();
    if (!written && ++m_ticksWithoutLook < LookEvery && !database.cachedTable().outdated())
        return database.cachedTable();
    m_ticksWithoutLook = 0;
    const quint64 before = database.cachedTable().changeCount();
    const ScheduleTable& table = database.table();
    // A change the report did not tell of was made at some time since the previous look: the checks since
    // then are looked at again once the fresh table is in.
    if (!written && m_lastLook && (table.changeCount() != before || table.outdated()))
        m_watch.lookAgainFrom(*m_lastLook + 1);
    if (now.isValid())
        m_lastLook = Recurrence::wallSecond(now);
    return table;
}

std::vector<AlarmEngine::Due> AlarmEngine::snoozesDue(qint64 current)
{
    std::vector<Due> due;
    if (m_snoozes.empty())
        return due;
    for (const Snooze& snooze : m_snoozes.takeDue(current)) {
        // Rung once: it is gone from the file before its window opens, so a restart does not ring it again.
        m_ctx.database.dropSnooze(snooze.uid);
        const std::optional<qint64> row = m_ctx.database.rowOf(snooze.uid);
        if (!row || !snoozeStillStands(snooze))
            continue;
        const ScheduleTable& table = m_ctx.database.cachedTable();
        const size_t i = table.indexOf(*row);
        Due alarm;
        alarm.uid = snooze.uid;
        alarm.subject = table.text(i, ScheduleField::Subject);
        alarm.note = table.text(i, ScheduleField::Note);
        alarm.dueSecond = snooze.dueSecond;
        alarm.fromSecond = snooze.fromSecond;
        alarm.alarmSecond = snooze.alarmSecond;
        due.push_back(std::move(alarm));
    }
    return due;
}

AlarmNotice AlarmEngine::noticeOf(const Due& due, qint64 current, quint64 key) const
{
    AlarmNotice notice;
    notice.subject = due.subject;
    notice.note = due.note;
    notice.dueDate = Recurrence::wallDate(due.dueSecond);
    notice.dueTime = Recurrence::wallTime(due.dueSecond);
    // An alarm that rings a minute or more after its second says so: the program was not running or the
    // machine slept. A tick that comes a few seconds late is not worth a word.
    notice.late = current - due.dueSecond >= LateAfterSeconds;
    if (due.fromSecond != 0)
        notice.snoozedFrom = Recurrence::wallTime(due.fromSecond);
    notice.key = key;
    return notice;
}

void AlarmEngine::ringAlone(const Due& due, qint64 current)
{
    FormAlarm* alarm = m_windows.newAlarmWindow();
    if (!alarm)
        return;
    const quint64 key = m_nextKey++;
    const AlarmNotice notice = noticeOf(due, current, key);
    m_newFormAlarm = alarm;
    alarm->setSubject(notice.subject);
    alarm->setNote(notice.note);
    alarm->setLateLine(notice.windowLine());
    m_ringing[key] = Ringing{{due}, alarm};
    connect(alarm, &FormAlarm::SnoozeChosen, this, [this, key](int minutes) { snooze(key, minutes); });
    connect(alarm, &QObject::destroyed, this, [this, key] { answered(key); });
    alarm->show();
    m_ctx.notifier.notify(notice);
}

void AlarmEngine::ringTogether(const std::vector<Due>& alarms, qint64 current)
{
    const quint64 key = m_nextKey++;
    auto* list = new FormAlarmList(m_ctx, m_windows); // deletes itself when it closes
    std::vector<FormAlarmList::Row> rows;
    rows.reserve(alarms.size());
    for (const Due& due : alarms) {
        const AlarmNotice notice = noticeOf(due, current, key);
        rows.push_back({notice.subject, notice.dueDate, notice.dueTime, notice.note, notice.windowLine()});
    }
    list->loadIfNeeded();
    list->setRows(rows);
    m_alarmList = list;
    m_ringing[key] = Ringing{alarms, list};
    connect(list, &FormAlarmList::SnoozeChosen, this, [this, key](int minutes) { snooze(key, minutes); });
    connect(list, &QObject::destroyed, this, [this, key] { answered(key); });
    list->show();

    AlarmNotice notice = noticeOf(alarms.front(), current, key);
    notice.count = int(alarms.size());
    m_ctx.notifier.notify(notice);
}

void AlarmEngine::snooze(quint64 key, int minutes)
{
    const auto found = m_ringing.find(key);
    if (found == m_ringing.end() || minutes <= 0)
        return;
    const QDateTime now = m_ctx.clock.now();
    const qint64 current = now.isValid() ? Recurrence::wallSecond(now) : m_watch.lastCheckedSecond();
    for (const Due& due : found->second.alarms) {
        if (due.uid.isEmpty())
            continue;
        const Snooze snooze{due.uid, current + qint64(minutes) * 60,
                            due.fromSecond ? due.fromSecond : due.dueSecond, due.alarmSecond};
        m_snoozes.add(snooze);
        m_ctx.database.keepSnooze(snooze);
    }
    answered(key);
}

void AlarmEngine::dismiss(quint64 key)
{
    answered(key);
}

void AlarmEngine::answered(quint64 key)
{
    const auto found = m_ringing.find(key);
    if (found == m_ringing.end())
        return;
    QPointer<QWidget> window = found->second.window;
    m_ringing.erase(found);
    m_ctx.notifier.withdraw(key);
    if (window)
        window->close();
}

std::vector<quint64> AlarmEngine::ringingKeys() const
{
    std::vector<quint64> keys;
    for (const auto& entry : m_ringing)
        keys.push_back(entry.first);
    return keys;
}

void AlarmEngine::loadSnoozes()
{
    for (const Snooze& snooze : m_ctx.database.snoozes()) {
        // An entry deleted, or changed, while the program was not running takes its snooze with it.
        if (snoozeStillStands(snooze))
            m_snoozes.add(snooze);
        else
            m_ctx.database.dropSnooze(snooze.uid);
    }
}

bool AlarmEngine::snoozeStillStands(const Snooze& snooze) const
{
    const std::optional<qint64> row = m_ctx.database.rowOf(snooze.uid);
    if (!row)
        return false;
    const ScheduleTable& table = m_ctx.database.cachedTable();
    const size_t i = table.indexOf(*row);
    return i < table.size() && table.alarmOn(i) && table.alarmSecond(i) == snooze.alarmSecond;
}

void AlarmEngine::entriesChanged(const EntryChanges& changes)
{
    m_coverage.scheduleChanged();
    if (m_snoozes.empty())
        return;
    for (const EntryChange& change : changes) {
        if (change.kind == EntryChange::Kind::Added)
            continue;
        const std::optional<Snooze> snooze = m_snoozes.find(change.uid);
        if (snooze && (change.kind == EntryChange::Kind::Removed || !snoozeStillStands(*snooze)))
            dropSnooze(change.uid);
    }
}

void AlarmEngine::dropSnooze(const QString& uid)
{
    m_snoozes.drop(uid);
    m_ctx.database.dropSnooze(uid);
}
