#pragma once

#include <QtGlobal>

#include <optional>

class SettingsStore;

// The last second the alarm check covered, kept in the settings (group "Alarms", value "LastCovered", as
// the local date and time "2026-12-05T09:00:00"), so that the next start rings what fell due while the
// program was not running. The settings file is written to disk on every change, so the tick's seconds
// are written at most once a minute, and the last one when the run ends.
class AlarmCoverage
{
public:
    static constexpr qint64 WriteEvery = 60;

    explicit AlarmCoverage(SettingsStore& store);
    // Writes the last covered second when it was not written yet.
    ~AlarmCoverage();
    AlarmCoverage(const AlarmCoverage&) = delete;
    AlarmCoverage& operator=(const AlarmCoverage&) = delete;

    // The wall second (Recurrence::wallSecond) the previous run covered last; none on a first start or
    // when what is stored reads as no date and time.
    std::optional<qint64> recorded() const;

    // The check has covered up to this wall second. Written when it is the first of the run or a minute
    // or more from the one written last (either way: the clock may have been set back).
    void covered(qint64 second);
    // Writes the last covered second now unless it is already written; false when it could not be.
    bool flush();

private:
    bool write(qint64 second);

    SettingsStore& m_store;
    std::optional<qint64> m_latest;
    std::optional<qint64> m_tried;
    std::optional<qint64> m_written;
};
