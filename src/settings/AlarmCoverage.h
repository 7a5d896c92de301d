#pragma once

#include <QtGlobal>

#include <optional>

class SettingsStore;

// The last second the alarm check covered, kept in the settings (group "Alarms", value "LastCovered", as
// the local date and time "2026-12-05T09:00:00"), so that the next start rings what fell due while the
// program was not running, and nothing that already rang.
//
// Writing the settings file waits for the disk, so an ordinary tick writes nothing: the record is written
// before any alarm rings (a run that ends abruptly right after must not ring it again at the next start),
// after the schedule changed (an entry moved into the past stretch must not ring late at the next start),
// when the clock was set back, every WriteEvery seconds at most otherwise, and when the run ends. An older
// record is safe: what lies between it and the end of the run rang nothing, and nothing there was changed.
class AlarmCoverage
{
public:
    // A record this old keeps the look back of the next start short.
    static constexpr qint64 WriteEvery = 60 * 60;
    // A clock set back this far is written at once, so that the next start does not skip ahead.
    static constexpr qint64 StepBack = 60;

    explicit AlarmCoverage(SettingsStore& store);
    // Writes the last covered second when it was not written yet.
    ~AlarmCoverage();
    AlarmCoverage(const AlarmCoverage&) = delete;
    AlarmCoverage& operator=(const AlarmCoverage&) = delete;

    // The wall second (Recurrence::wallSecond) the previous run covered last; none on a first start or
    // when what is stored reads as no date and time.
    std::optional<qint64> recorded() const;

    // The check has covered up to this wall second. Written when it is the first of the run, after a
    // change of the schedule, when the clock went back StepBack or more, or WriteEvery after the one tried
    // last.
    void covered(qint64 second);
    // Alarms due up to this second are about to ring: the second is written first, whatever was written
    // before. False when it could not be written (the alarms ring all the same).
    bool ringing(qint64 second);
    // The schedule changed: the next covered second is written.
    void scheduleChanged() { m_writeNext = true; }
    // Writes the last covered second now unless it is already written; false when it could not be.
    bool flush();

private:
    bool write(qint64 second);

    SettingsStore& m_store;
    std::optional<qint64> m_latest;
    std::optional<qint64> m_tried;
    std::optional<qint64> m_written;
    bool m_writeNext = false;
};
