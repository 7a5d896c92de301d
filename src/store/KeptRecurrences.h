#pragma once

#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

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
