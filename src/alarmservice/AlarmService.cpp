#include "alarmservice/AlarmService.h"

#include "store/Clock.h"
#include "store/Recurrence.h"
#include "store/ScheduleDatabase.h"

#include <QTimer>

#include <algorithm>

AlarmService::AlarmService(ScheduleDatabase& database, SettingsStore& settings, Clock& clock,
                           AlarmNotifier& notifier, const KeptRecurrences* recurrences)
    : m_database(database), m_clock(clock), m_recurrences(recurrences), m_coverage(settings),
      m_fileWatch(database.path()), m_heartbeat(new QTimer(this)), m_notifications(notifier, *this)
{
    m_heartbeat->setObjectName(QStringLiteral("AlarmHeartbeat"));
    m_heartbeat->setInterval(1000);
    connect(m_heartbeat, &QTimer::timeout, this, &AlarmService::check);
    // A first start has nothing recorded and rings only what is due from now on.
    if (const std::optional<qint64> covered = m_coverage.recorded())
        m_watch.resumeFrom(*covered);
    loadSnoozes();
    m_changeListener =
        m_database.addChangeListener([this](const EntryChanges& changes) { entriesChanged(changes); });
}

AlarmService::~AlarmService()
{
    m_database.removeChangeListener(m_changeListener);
}

void AlarmService::addListener(AlarmListener* listener)
{
    if (listener && std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
        m_listeners.push_back(listener);
}

void AlarmService::removeListener(AlarmListener* listener)
{
    std::erase(m_listeners, listener);
}

std::vector<AlarmListener*> AlarmService::everyListener()
{
    // A copy: a listener told of an alarm may open a window whose load adds or takes off another.
    std::vector<AlarmListener*> listeners = m_listeners;
    listeners.push_back(&m_notifications);
    return listeners;
}

void AlarmService::start()
{
    m_heartbeat->start();
}

void AlarmService::stop()
{
    m_heartbeat->stop();
}

bool AlarmService::running() const
{
    return m_heartbeat->isActive();
}

void AlarmService::check()
{
    const QDateTime now = m_clock.now();
    const ScheduleTable& table = scheduleToCheck(now);
    const std::vector<AlarmWatch::Occurrence> occurrences = m_watch.dueOccurrences(table, now, m_recurrences);
    if (!m_watch.hasChecked())
        return;
    const qint64 current = m_watch.lastCheckedSecond();
    m_coverage.covered(current);

    // The texts are taken before any window opens: an alarm window's load rebuilds the countdown list,
    // which may read the schedule again.
    std::vector<Due> due;
    due.reserve(occurrences.size());
    const EntryIdentities& identities = m_database.identities();
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
        ring(std::move(due), current);
        return;
    }
    for (Due& alarm : due)
        ring({std::move(alarm)}, current);
}

const ScheduleTable& AlarmService::scheduleToCheck(const QDateTime& now)
{
    ScheduleDatabase& database = m_database;
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

std::vector<AlarmService::Due> AlarmService::snoozesDue(qint64 current)
{
    std::vector<Due> due;
    if (m_snoozes.empty())
        return due;
    for (const Snooze& snooze : m_snoozes.takeDue(current)) {
        // Rung once: it is gone from the file before its window opens, so a restart does not ring it again.
        m_database.dropSnooze(snooze.uid);
        const std::optional<qint64> row = m_database.rowOf(snooze.uid);
        if (!row || !snoozeStillStands(snooze))
            continue;
        const ScheduleTable& table = m_database.cachedTable();
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

AlarmNotice AlarmService::noticeOf(const Due& due, qint64 current, quint64 key) const
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

void AlarmService::ring(std::vector<Due> alarms, qint64 current)
{
    RingingAlarm ringing;
    ringing.key = m_nextKey++;
    for (const Due& due : alarms)
        ringing.alarms.push_back(noticeOf(due, current, ringing.key));
    m_ringing[ringing.key] = std::move(alarms);
    for (AlarmListener* listener : everyListener())
        listener->alarmRings(ringing);
}

void AlarmService::snooze(quint64 key, int minutes)
{
    const auto found = m_ringing.find(key);
    if (found == m_ringing.end() || minutes <= 0)
        return;
    const QDateTime now = m_clock.now();
    const qint64 current = now.isValid() ? Recurrence::wallSecond(now) : m_watch.lastCheckedSecond();
    for (const Due& due : found->second) {
        if (due.uid.isEmpty())
            continue;
        const Snooze snooze{due.uid, current + qint64(minutes) * 60,
                            due.fromSecond ? due.fromSecond : due.dueSecond, due.alarmSecond};
        m_snoozes.add(snooze);
        m_database.keepSnooze(snooze);
    }
    answered(key);
}

void AlarmService::dismiss(quint64 key)
{
    answered(key);
}

void AlarmService::answered(quint64 key)
{
    if (m_ringing.erase(key) == 0)
        return;
    for (AlarmListener* listener : everyListener())
        listener->alarmAnswered(key);
}

std::vector<quint64> AlarmService::ringingKeys() const
{
    std::vector<quint64> keys;
    for (const auto& entry : m_ringing)
        keys.push_back(entry.first);
    return keys;
}

void AlarmService::loadSnoozes()
{
    for (const Snooze& snooze : m_database.snoozes()) {
        // An entry deleted, or changed, while the program was not running takes its snooze with it.
        if (snoozeStillStands(snooze))
            m_snoozes.add(snooze);
        else
            m_database.dropSnooze(snooze.uid);
    }
}

bool AlarmService::snoozeStillStands(const Snooze& snooze) const
{
    const std::optional<qint64> row = m_database.rowOf(snooze.uid);
    if (!row)
        return false;
    const ScheduleTable& table = m_database.cachedTable();
    const size_t i = table.indexOf(*row);
    return i < table.size() && table.alarmOn(i) && table.alarmSecond(i) == snooze.alarmSecond;
}

void AlarmService::entriesChanged(const EntryChanges& changes)
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

void AlarmService::dropSnooze(const QString& uid)
{
    m_snoozes.drop(uid);
    m_database.dropSnooze(uid);
}
