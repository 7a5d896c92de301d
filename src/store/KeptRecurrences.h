#pragma once

#include <QDateTime>
#include <QString>

#include <algorithm>
#include <optional>
#include <vector>

class OccurrencesKnown;

// What the day markings, the day hint, the year view and the countdown list learn of the entries that
// keep a whole recurrence beside them (RuleFile): when their occurrences fall, in local time. The
// window-free occurrence library answers it; the store only asks.
class KeptRecurrences
{
public:
    virtual ~KeptRecurrences() = default;

    struct Occurring
    {
        qint64 rowId = 0;
        QDateTime start; // local time
        QDate firstDay;  // the local days it spans
        QDate lastDay;
        QString subject; // a changed occurrence's own
    };
    // Whether the entry of this row keeps a recurrence: its own stored date then counts for nothing.
    virtual bool keeps(qint64 rowId) const = 0;
    // Every occurrence that touches the local days first to last, ordered by start.
    virtual std::vector<Occurring> onDays(QDate first, QDate last) const = 0;

    // How many occurrences touch each local day from first to last (the first number is `first`'s). Days
    // whose occurrences are still being worked out off the window's thread count none for now; known()
    // tells when they are in.
    virtual std::vector<int> counts(QDate first, QDate last) const
    {
        std::vector<int> each(first.isValid() && last >= first ? size_t(first.daysTo(last) + 1) : 0);
        for (const Occurring& o : onDays(first, last)) {
            for (QDate d = std::max(o.firstDay, first); d <= std::min(o.lastDay, last); d = d.addDays(1))
                ++each[size_t(first.daysTo(d))];
        }
        return each;
    }
    // The first `listed` occurrences touching the day, ordered by start, and how many there are; as
    // counts(), none for now while the day's are worked out.
    struct Day
    {
        std::vector<Occurring> first;
        size_t count = 0;
    };
    virtual Day onDay(QDate day, size_t listed) const
    {
        Day found;
        found.first = onDays(day, day);
        found.count = found.first.size();
        if (found.first.size() > listed)
            found.first.resize(listed);
        return found;
    }
    // Tells when occurrences asked for earlier are known; null when every answer is whole at once.
    virtual const OccurrencesKnown* known() const { return nullptr; }
    // Grows whenever what counts() and onDay() answer changed without a change of the schedule's table.
    virtual quint64 knownCount() const { return 0; }

    // The start of the entry's first occurrence after the moment; nothing when its series has ended.
    virtual std::optional<QDateTime> nextStart(qint64 rowId, const QDateTime& after) const = 0;
    // The rule in words ("Every other Tuesday"); empty when the row keeps none.
    virtual QString words(qint64 rowId) const = 0;

    // One alarm of one occurrence, at a second of the local wall clock (Recurrence::wallSecond).
    struct Alarm
    {
        qint64 rowId = 0;
        qint64 second = 0;
        QString subject; // a changed occurrence's own
    };
    // The alarms after the wall second `from` up to `to`, included, ordered by second. Asked for stretch
    // after stretch, each answer costs as much as the alarms it holds, however many entries recur.
    virtual std::vector<Alarm> alarmsBetween(qint64 from, qint64 to) const = 0;
};
