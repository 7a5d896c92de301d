#pragma once

#include "store/KeptRecurrences.h"
#include "store/ScheduleTable.h"

#include <QDateTime>

#include <optional>
#include <set>
#include <utility>
#include <vector>

// Decides, on every tick of the main window, which entries must open an alarm window, so that every
// alarm second of the wall clock is looked at exactly once. Ticks come late, twice in one second or
// after a suspend, and the wall clock may be set forward or back; the watch covers the whole stretch
// since its previous check and remembers what already rang, by row id, so that nothing is missed and
// nothing rings twice. It keeps no positions between checks: the table may change in between, and a
// table read afresh after another program's change makes it look again at what it checked while the
// old table was known to be outdated.
class AlarmWatch
{
public:
    // How far back, in seconds, a check after a long gap still looks: alarms of the 31 days before now
    // ring late, older ones are let go. A clock set years forward must not open every old entry.
    static constexpr qint64 MaxCatchUp = 31 * 86400;
    // How long, in seconds, rung alarms are remembered: a day and two hours, more than any daylight-saving
    // step or change of time zone takes the clock back. A step back further than this is a correction of
    // a clock that was wrong, and what it rang in its wrong "future" is forgotten so it rings when that
    // time truly comes.
    static constexpr qint64 RememberFor = 26 * 3600;

    // The positions, in walk order, of the entries that have an alarm due since the previous check,
    // each listed once however many of its days the stretch held. The first check after start or reset()
    // looks at the current second only.
    std::vector<size_t> due(const ScheduleTable& table, const QDateTime& now,
                            const KeptRecurrences* kept = nullptr);

    // An alarm that came due: the entry's position and the wall second (Recurrence::wallSecond) it was
    // due at.
    struct Occurrence
    {
        size_t position;
        qint64 second;
        QString subject{}; // a changed occurrence's own subject; empty for the entry's
    };
    // As due(), with the second each alarm was due at: an entry due on several days of the stretch is
    // listed once, for its latest day, so that its window can say when it was due. The entries that keep
    // a recurrence ring at each of their occurrences' alarms, which `kept` gives, when their switch is on.
    std::vector<Occurrence> dueOccurrences(const ScheduleTable& table, const QDateTime& now,
                                           const KeptRecurrences* kept = nullptr);

    // Goes on from a second an earlier run of the program covered, as if its check had been the previous
    // one: the next check rings what fell due since then (MaxCatchUp at most), late.
    void resumeFrom(qint64 coveredSecond);

    // The checks since this second may have used a table that lacked another program's change: the first
    // check with a table that is not outdated looks at that stretch again (no further back than the rung
    // alarms are remembered, so nothing rings twice).
    void lookAgainFrom(qint64 second);

    // Forgets every check and every rung alarm, as at start.
    void reset();

    // The wall second (Recurrence::wallSecond) of the previous check; meaningless before the first.
    qint64 lastCheckedSecond() const { return m_lastSecond; }
    bool hasChecked() const { return m_checked; }
    // How many rung alarms are remembered against a step back of the clock.
    size_t rememberedCount() const { return m_rung.size(); }

private:
    // A rung alarm: its wall second and the row id of its entry.
    using Ringing = std::pair<qint64, qint64>;

    void forgetRungBefore(qint64 second);
    void collect(const ScheduleTable& table, qint64 from, qint64 to, std::vector<Occurrence>& due);
    void collectKept(const ScheduleTable& table, const KeptRecurrences& kept, qint64 from, qint64 to,
                     std::vector<Occurrence>& due);

    bool m_checked = false;
    qint64 m_lastSecond = 0;
    // The first second checked against a table known to be outdated: once the fresh table is in, the
    // stretch from here is looked at again, so that an alarm another program added is not missed while
    // its change was being read. The rung alarms keep that second look from ringing anything twice.
    std::optional<qint64> m_outdatedFrom;
    std::set<Ringing> m_rung;
};
