#pragma once

#include "occurrence/RecurringEvent.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>

#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

// Where every view and the alarm check learn when the entries that keep a whole recurrence take place:
// the schedule's kept rules by row, each read once when first asked for, with the days and times of their
// occurrences in local time. The next alarm of every entry is kept in order of its moment, so that an
// alarm check looks at the earliest only, however many rules the schedule holds.
class OccurrenceSource
{
public:
    // Takes the kept rules of the whole schedule in place of those it had; a rule whose text did not
    // change keeps what was worked out for it.
    void setRules(const QHash<qint64, QByteArray>& rules);
    void setRule(qint64 rowId, const QByteArray& text);
    void removeRule(qint64 rowId);
    void clear();

    bool hasRule(qint64 rowId) const { return m_rules.contains(rowId); }
    size_t size() const { return size_t(m_rules.size()); }
    // The entry's event, read on first use; null when the row keeps no rule or its text cannot be read.
    const RecurringEvent* event(qint64 rowId) const;

    struct Found
    {
        qint64 rowId = 0;
        Occurrence occurrence;
    };
    // Every occurrence of every rule that touches the local days first to last, ordered by start.
    std::vector<Found> onDays(QDate first, QDate last) const;
    // The entry's first occurrence that starts after the moment. The answer is kept, so asking again with
    // a later moment before that occurrence costs nothing.
    std::optional<Occurrence> nextAfter(qint64 rowId, const QDateTime& moment) const;
    // The rule in words ("Every other Tuesday"); empty when the row keeps no rule.
    QString words(qint64 rowId) const;

    // One alarm of one occurrence.
    struct Alarm
    {
        qint64 rowId = 0;
        QDateTime at;
        Occurrence occurrence;
    };
    // The alarms whose moment is after `from` and no later than `to`, ordered by moment: every alarm of
    // an event rings, each occurrence's at its own moment (a moved occurrence's at its new time, none of a
    // cancelled one). An event without alarms of its own rings at each occurrence's start.
    std::vector<Alarm> alarmsBetween(const QDateTime& from, const QDateTime& to);

private:
    struct Kept
    {
        QByteArray text;
        mutable std::shared_ptr<const RecurringEvent> event; // read on first use
        mutable bool unreadable = false;
        mutable std::optional<Occurrence> next; // the next occurrence after nextFrom
        mutable QDateTime nextFrom;
    };
    // The first alarm moment of the entry after the moment, with its occurrence.
    std::optional<Alarm> alarmAfter(qint64 rowId, const QDateTime& moment) const;
    void queue(qint64 rowId, const QDateTime& after);
    void unqueue(qint64 rowId);

    QHash<qint64, Kept> m_rules;
    // Each entry's next alarm, by its moment (milliseconds since the epoch), from m_queuedAfter on.
    std::set<std::pair<qint64, qint64>> m_alarmQueue;
    QHash<qint64, qint64> m_queuedAt;
    QDateTime m_queuedAfter;
};
