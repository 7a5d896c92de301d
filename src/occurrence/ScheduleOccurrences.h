#pragma once

#include "occurrence/OccurrenceSource.h"
#include "store/KeptRecurrences.h"

class ScheduleDatabase;

// The occurrences of the schedule's kept recurrences, kept up to date with the schedule file: the rules
// are taken in again whenever the table changed, each rule read anew only when its text did.
class ScheduleOccurrences : public KeptRecurrences
{
public:
    explicit ScheduleOccurrences(ScheduleDatabase& database) : m_database(database) {}

    bool keeps(qint64 rowId) const override;
    std::vector<Occurring> onDays(QDate first, QDate last) const override;
    std::optional<QDateTime> nextStart(qint64 rowId, const QDateTime& after) const override;
    std::vector<Alarm> alarmsBetween(qint64 from, qint64 to) const override;
    QString words(qint64 rowId) const override { return source().words(rowId); }

    // The source itself, up to date, for the alarm check and the organizer.
    OccurrenceSource& source() const;

private:
    ScheduleDatabase& m_database;
    mutable OccurrenceSource m_source;
    mutable quint64 m_changeCount = 0;
    mutable quint64 m_rulesChanges = 0;
    mutable bool m_taken = false;
};
