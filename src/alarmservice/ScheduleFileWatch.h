#pragma once

#include <QString>

// Tells the alarm check whether the schedule file may have been written since it last asked, without
// looking at the file: the system reports every write, creation, removal and renaming in the file's folder
// that concerns the file or its journal, and asking costs one read of that report. Asking the file itself
// (locking it, reading its change count, looking for a journal) takes several calls into the system on
// every tick.
class ScheduleFileWatch
{
public:
    explicit ScheduleFileWatch(const QString& schedulePath);
    ~ScheduleFileWatch();
    ScheduleFileWatch(const ScheduleFileWatch&) = delete;
    ScheduleFileWatch& operator=(const ScheduleFileWatch&) = delete;

    // False when the system could not watch the folder; every question is then answered "maybe".
    bool watching() const { return m_fd >= 0; }
    // Whether the file may have been written since the previous question (or since the watch began).
    bool mayHaveChanged();

private:
    bool concernsSchedule(const char* name) const;

    int m_fd = -1;
    QByteArray m_fileName;
};
