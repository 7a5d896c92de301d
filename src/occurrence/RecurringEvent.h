#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTimeZone>

#include <memory>
#include <optional>
#include <vector>

struct icalcomponent_impl;
using icalcomponent = icalcomponent_impl;
struct _icaltimezone;
using icaltimezone = _icaltimezone;

// One occurrence of an entry, in local time.
struct Occurrence
{
    QDateTime start;
    QDateTime end; // equal to start for an event without length
    bool allDay = false;
    // Where the rule puts the occurrence, as a second of the event's own wall clock (the day's Julian day
    // number * 86400 + the second of the day): what tells it apart from the entry's other occurrences,
    // also when it was moved.
    qint64 ruleSecond = 0;
    bool changed = false; // it was moved or given other texts
    QString subject;
    QString note;

    // The local days it falls on: from its start's day to the day its end falls in (an end at midnight
    // belongs to the day before).
    QDate firstDay() const { return start.date(); }
    QDate lastDay() const;
};

// An event with its whole recurrence, read from its iCalendar text (a VCALENDAR with the zones it uses,
// the series' VEVENT and the VEVENTs of its changed or cancelled occurrences), and the occurrences it has.
// The rule is walked by libical, in the event's own wall clock, and each occurrence is then placed in
// local time through its zone, so that it keeps its hour across a daylight-saving change.
class RecurringEvent
{
public:
    ~RecurringEvent();
    RecurringEvent(RecurringEvent&&) noexcept;
    RecurringEvent& operator=(RecurringEvent&&) noexcept;

    // Nothing, with the reason in `error`, when the text holds no event with a readable start.
    static std::optional<RecurringEvent> read(const QByteArray& text, QString* error = nullptr);

    // Every occurrence whose time touches [from, to), ordered by start: one that starts before `to` and
    // ends after `from`, or starts at `from`.
    std::vector<Occurrence> between(const QDateTime& from, const QDateTime& to) const;
    // The occurrences touching the local days first to last, both included.
    std::vector<Occurrence> onDays(QDate first, QDate last) const;
    // The first occurrence that starts after the moment; nothing when the series has ended.
    std::optional<Occurrence> firstAfter(const QDateTime& moment) const;
    // The series' first occurrence.
    std::optional<Occurrence> first() const;

    // The seconds from an occurrence's start at which its display and sound alarms ring, ordered; empty
    // when it has none.
    const std::vector<qint64>& alarmOffsets() const { return m_alarmOffsets; }

    const QString& subject() const { return m_subject; }
    const QString& note() const { return m_note; }
    // The rule in words: "Every other Tuesday", "Last Thursday of the month", "Daily, 5 times".
    QString words() const;
    bool allDay() const { return m_allDay; }
    // The event's own zone; invalid when its times are floating or it lasts whole days.
    const QTimeZone& zone() const { return m_zone; }

private:
    RecurringEvent();

    struct Wall; // a time of the event's own wall clock
    struct Changed
    {
        qint64 ruleSecond = 0;
        bool cancelled = false;
        QDateTime start;
        QDateTime end;
        bool allDay = false;
        QString subject;
        QString note;
    };

    QDateTime toLocal(qint64 wallSecond) const;
    qint64 wallOf(const QDateTime& local) const;
    Occurrence made(qint64 wallSecond) const;
    // The rule's (and the extra dates') times from first to last second of the event's wall clock.
    std::vector<qint64> ruleSeconds(qint64 first, qint64 last) const;

    std::unique_ptr<icalcomponent, void (*)(icalcomponent*)> m_calendar;
    QByteArray m_rule;       // the RRULE as written; empty when there is none
    qint64 m_start = 0;      // the DTSTART, as a second of the event's wall clock
    qint64 m_length = 0;     // seconds from start to end
    qint64 m_until = 0;      // the rule's UNTIL as a second of the wall clock, 0 when none
    bool m_allDay = false;
    bool m_floating = false;
    QTimeZone m_zone;
    icaltimezone* m_described = nullptr; // the zone the file describes, when the system does not know it
    std::vector<qint64> m_extra;         // RDATEs
    std::vector<qint64> m_excluded;      // EXDATEs (whole days when the event lasts whole days)
    std::vector<Changed> m_changed;
    std::vector<qint64> m_alarmOffsets;
    QString m_subject;
    QString m_note;
};
