#pragma once

#include <QHash>
#include <QString>
#include <QtGlobal>

#include <map>
#include <optional>
#include <vector>

// An alarm put off by the user: it rings again, once, as a new alarm at its due second. Seconds are wall
// seconds (Recurrence::wallSecond). The alarm second of the entry when it was snoozed is kept, so that
// an edit of the entry's time can be told from other edits.
struct Snooze
{
    QString uid;
    qint64 dueSecond = 0;
    qint64 fromSecond = 0; // when the alarm first rang: "Snoozed from ..."
    qint32 alarmSecond = 0;

    bool operator==(const Snooze&) const = default;
};

// The snoozes waiting to ring, one for each entry, in the order they come due, so that a tick looks at
// the first one only however many are waiting.
class SnoozeBook
{
public:
    // Replaces the entry's earlier snooze.
    void add(const Snooze& snooze);
    // False when the entry had none.
    bool drop(const QString& uid);
    std::optional<Snooze> find(const QString& uid) const;

    // Takes out and returns the snoozes due at `second` or before, in the order they came due. One
    // comparison when none is due.
    std::vector<Snooze> takeDue(qint64 second);

    size_t size() const { return m_byUid.size(); }
    bool empty() const { return m_byUid.empty(); }
    std::vector<Snooze> all() const;

private:
    using Queue = std::multimap<qint64, Snooze>;
    Queue m_queue;
    QHash<QString, Queue::iterator> m_byUid;
};
