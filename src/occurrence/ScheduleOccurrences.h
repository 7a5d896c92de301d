#pragma once

#include "occurrence/OccurrenceDays.h"
#include "occurrence/OccurrenceSource.h"
#include "store/KeptRecurrences.h"
#include "store/OccurrencesKnown.h"

#include <map>
#include <memory>

class ScheduleDatabase;

// The occurrences of the schedule's kept recurrences, kept up to date with the schedule file: the rules
// are taken in again whenever the table changed, each rule read anew only when its text did. The days each
// rule's occurrences touch are worked out a year at a time into an index (OccurrenceDays) that the month
// grid, the year view and the day hint ask; kept up to date rule by rule as rules change.
class ScheduleOccurrences : public KeptRecurrences
{
public:
    explicit ScheduleOccurrences(ScheduleDatabase& database);
    ~ScheduleOccurrences() override;

    bool keeps(qint64 rowId) const override;
    std::vector<Occurring> onDays(QDate first, QDate last) const override;
    std::vector<int> counts(QDate first, QDate last) const override;
    Day onDay(QDate day, size_t listed) const override;
    const OccurrencesKnown* known() const override { return &m_known; }
    quint64 knownCount() const override { return m_knownCount; }
    std::optional<QDateTime> nextStart(qint64 rowId, const QDateTime& after) const override;
    std::vector<Alarm> alarmsBetween(qint64 from, qint64 to) const override;
    QString words(qint64 rowId) const override { return source().words(rowId); }

    // The source itself, up to date, for the alarm check and the organizer.
    OccurrenceSource& source() const;

    // Works each year's index out on the program's thread pool instead of when first asked, so that the
    // window's thread never waits for it: until it is in, the year's days count no occurrences.
    void setWorkOffThread(bool off) { m_offThread = off; }
    // Whether no year's index is being worked out.
    bool settled() const;
    // How many years' indexes are kept at once; the one asked for longest ago is let go first, but never one
    // a view asked for since the views last repainted (they would ask again, and it would come again).
    static constexpr size_t KeptYears = 3;
    // Up to this many changed rules are taken into the kept indexes at once; more work the year out anew.
    static constexpr size_t FewChanges = 64;

private:
    struct Year
    {
        std::shared_ptr<OccurrenceDays> days; // null until first worked out
        bool working = false;
        bool stale = false; // too many rules changed since: worked out anew when next asked
        quint64 askedAt = 0;
        quint64 askedWhenKnown = 0; // knownCount when last asked: since the views last repainted, it is in use
    };
    struct Handover; // what the workers share with this object

    const OccurrenceDays* year(int y) const;
    void work(int y) const;
    void arrived(int y, std::shared_ptr<OccurrenceDays> days, const std::vector<quint32>& versions) const;
    void takeChanges(const std::vector<qint64>& rows) const;
    // Takes the changed slots into the year's index, or marks the indexes stale when they are many.
    void refresh(std::vector<quint32> changedSlots, Year& year, int y) const;
    void letGoOfOldYears() const;

    ScheduleDatabase& m_database;
    mutable OccurrenceSource m_source;
    mutable quint64 m_changeCount = 0;
    mutable quint64 m_rulesChanges = 0;
    mutable bool m_taken = false;

    // Each rule's slot in the indexes, and how often the rule in a slot changed.
    mutable QHash<qint64, quint32> m_slotOf;
    mutable std::vector<qint64> m_rowOf; // 0 for a free slot
    mutable std::vector<quint32> m_versions;
    mutable std::vector<quint32> m_free;
    mutable std::map<int, Year> m_years;
    mutable quint64 m_asks = 0;
    mutable quint64 m_knownCount = 0;
    mutable OccurrencesKnown m_known;
    bool m_offThread = false;
    std::shared_ptr<Handover> m_handover;
};
