#include "sync/EventForm.h"

#include "exchange/EntryToEvent.h"
#include "exchange/EventToEntry.h"
#include "exchange/IcalHandles.h"
#include "exchange/IcsReader.h"
#include "exchange/ImportWriter.h"
#include "exchange/ZoneWriting.h"
#include "exchange/ZoneNames.h"
#include "store/DateText.h"
#include "store/EntryIdentities.h"
#include "store/RuleFile.h"
#include "store/ScheduleKind.h"
#include "store/ScheduleTable.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QRegularExpression>

namespace {

const QString ConflictMark = QStringLiteral(" (conflict)");

QByteArray calendarAround(icalcomponent* event, Ical::Component zone)
{
    Ical::Component calendar(icalcomponent_vanew(ICAL_VCALENDAR_COMPONENT, icalproperty_new_version("2.0"),
                                                 icalproperty_new_prodid("-//Zentravio//Zentravio//EN"),
                                                 nullptr));
    if (zone)
        icalcomponent_add_component(calendar.get(), zone.release());
    icalcomponent_add_component(calendar.get(), event);
    const Ical::Text text(icalcomponent_as_ical_string_r(calendar.get()));
    return QByteArray(text.get());
}

// The event itself, not one of its changed occurrences.
icalcomponent* masterEvent(icalcomponent* calendar)
{
    for (icalcomponent* e = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); e;
         e = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
        if (!icalcomponent_get_first_property(e, ICAL_RECURRENCEID_PROPERTY))
            return e;
    }
    return nullptr;
}

void removeAll(icalcomponent* e, icalproperty_kind kind)
{
    while (icalproperty* p = icalcomponent_get_first_property(e, kind)) {
        icalcomponent_remove_property(e, p);
        icalproperty_free(p);
    }
}

void removeAlarms(icalcomponent* e)
{
    while (icalcomponent* a = icalcomponent_get_first_component(e, ICAL_VALARM_COMPONENT)) {
        icalcomponent_remove_component(e, a);
        icalcomponent_free(a);
    }
}

// How one time of the server's event is written: floating, in UTC, as a date, or in a zone named by its
// TZID, which the calendar describes or the system knows by that name.
struct TimeForm
{
    enum class Kind
    {
        Floating,
        Utc,
        Date,
        Described,
        System
    };
    Kind kind = Kind::Floating;
    QByteArray tzid;
    icaltimezone* described = nullptr;
    QTimeZone system;

    bool operator==(const TimeForm& other) const { return kind == other.kind && tzid == other.tzid; }
};

icaltimetype timeOf(icalproperty* p)
{
    return icalproperty_isa(p) == ICAL_DTEND_PROPERTY ? icalproperty_get_dtend(p) : icalproperty_get_dtstart(p);
}

// Nothing for a zone known neither to the calendar nor to the system.
std::optional<TimeForm> formOf(icalproperty* p, icalcomponent* calendar)
{
    const icaltimetype t = timeOf(p);
    TimeForm form;
    if (t.is_date) {
        form.kind = TimeForm::Kind::Date;
        return form;
    }
    if (icaltime_is_utc(t)) {
        form.kind = TimeForm::Kind::Utc;
        return form;
    }
    icalparameter* tzid = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER);
    if (!tzid)
        return form;
    form.tzid = QByteArray(icalparameter_get_tzid(tzid));
    if ((form.described = icalcomponent_get_timezone(calendar, form.tzid.constData()))) {
        form.kind = TimeForm::Kind::Described;
        return form;
    }
    if (ZoneNames::looksLikePath(form.tzid))
        return std::nullopt;
    if (const auto system = ZoneNames::systemZone(form.tzid)) {
        form.kind = TimeForm::Kind::System;
        form.system = *system;
        return form;
    }
    return std::nullopt;
}

// The form new events of this program take: the local zone by its name, UTC, or floating.
TimeForm localForm(const QTimeZone& local)
{
    TimeForm form;
    if (ZoneWriting::isUtc(local)) {
        form.kind = TimeForm::Kind::Utc;
    } else if (const QByteArray tzid = ZoneWriting::tzid(local); !tzid.isEmpty()) {
        form.kind = TimeForm::Kind::System;
        form.tzid = tzid;
        form.system = local;
    }
    return form;
}

QDateTime utcOf(const icaltimetype& u)
{
    return QDateTime(QDate(u.year, u.month, u.day), QTime(u.hour, u.minute, std::min(u.second, 59)),
                     QTimeZone::utc());
}

// The moment a time of the event stands for; a floating time or a date is read as local.
QDateTime momentOf(icaltimetype t, const TimeForm& form, const QTimeZone& local)
{
    const QDate date(t.year, t.month, t.day);
    const QTime time = t.is_date ? QTime(0, 0) : QTime(t.hour, t.minute, std::min(t.second, 59));
    switch (form.kind) {
    case TimeForm::Kind::Floating:
    case TimeForm::Kind::Date:
        return QDateTime(date, time, local);
    case TimeForm::Kind::Utc:
        return QDateTime(date, time, QTimeZone::utc());
    case TimeForm::Kind::System:
        return QDateTime(date, time, form.system);
    case TimeForm::Kind::Described:
        t.zone = form.described;
        return utcOf(icaltime_convert_to_zone(t, icaltimezone_get_utc_timezone()));
    }
    return {};
}

icaltimetype fieldsOf(const QDateTime& wall)
{
    icaltimetype t = icaltime_null_time();
    t.year = wall.date().year();
    t.month = wall.date().month();
    t.day = wall.date().day();
    t.hour = wall.time().hour();
    t.minute = wall.time().minute();
    t.second = wall.time().second();
    return t;
}

// The moment written as a time of the given form; for a date, the local date.
icaltimetype timeIn(const QDateTime& moment, const TimeForm& form, const QTimeZone& local)
{
    switch (form.kind) {
    case TimeForm::Kind::Floating:
        return fieldsOf(moment.toTimeZone(local));
    case TimeForm::Kind::Date: {
        icaltimetype t = icaltime_null_time();
        const QDate date = moment.toTimeZone(local).date();
        t.year = date.year();
        t.month = date.month();
        t.day = date.day();
        t.is_date = 1;
        return t;
    }
    case TimeForm::Kind::Utc: {
        icaltimetype t = fieldsOf(moment.toUTC());
        t.zone = icaltimezone_get_utc_timezone();
        return t;
    }
    case TimeForm::Kind::System:
        return fieldsOf(moment.toTimeZone(form.system));
    case TimeForm::Kind::Described: {
        icaltimetype utc = fieldsOf(moment.toUTC());
        utc.zone = icaltimezone_get_utc_timezone();
        icaltimetype there = icaltime_convert_to_zone(utc, form.described);
        there.zone = nullptr;
        return there;
    }
    }
    return icaltime_null_time();
}

icalproperty* timeProperty(icalproperty_kind kind, const icaltimetype& t, const TimeForm& form)
{
    icalproperty* p = kind == ICAL_DTEND_PROPERTY ? icalproperty_new_dtend(t) : icalproperty_new_dtstart(t);
    if (!form.tzid.isEmpty() && form.kind != TimeForm::Kind::Utc && form.kind != TimeForm::Kind::Date)
        icalproperty_add_parameter(p, icalparameter_new_tzid(form.tzid.constData()));
    return p;
}

// Whether the entry's kind depends on the day its start falls on, so that the start cannot be written on
// another day than the local one (in a zone where it falls on the day before, a weekday rule would pick
// the wrong days, a monthly one the wrong day of the month).
bool kindKeepsItsDay(ScheduleKind kind)
{
    return kind == ScheduleKind::MondayToFriday || kind == ScheduleKind::Monthly;
}

// The start and end of the server's event moved to the entry's new local time, each in its own zone; the
// event keeps its length. Where its zone would put a day-bound start on another day, the start is written
// in the local zone instead. False when a time of the event cannot be read.
bool moveTimes(icalcomponent* calendar, icalcomponent* e, const QDateTime& moment, ScheduleKind kind,
               const QTimeZone& local, const QDateTime& stamp)
{
    icalproperty* startProperty = icalcomponent_get_first_property(e, ICAL_DTSTART_PROPERTY);
    const std::optional<TimeForm> startForm = startProperty ? formOf(startProperty, calendar) : std::nullopt;
    if (!startForm)
        return false;
    const icaltimetype oldStart = timeOf(startProperty);
    icalproperty* endProperty = icalcomponent_get_first_property(e, ICAL_DTEND_PROPERTY);
    std::optional<TimeForm> endForm = endProperty ? formOf(endProperty, calendar) : std::nullopt;
    if (endProperty && !endForm)
        return false;

    TimeForm form = *startForm;
    const bool dayOnly = form.kind == TimeForm::Kind::Date;
    if (dayOnly && moment.toTimeZone(local).time() != QTime(0, 0))
        form = localForm(local);
    else if (!dayOnly && kindKeepsItsDay(kind) &&
             timeIn(moment, form, local).day != moment.toTimeZone(local).date().day())
        form = localForm(local);
    const icaltimetype newStart = timeIn(moment, form, local);
    icalproperty* newEnd = nullptr;
    if (endProperty) {
        const icaltimetype oldEnd = timeOf(endProperty);
        const TimeForm endIn = *endForm == *startForm || endForm->kind == TimeForm::Kind::Date ? form : *endForm;
        if (startForm->kind == TimeForm::Kind::Date && endForm->kind == TimeForm::Kind::Date &&
            form.kind == TimeForm::Kind::Date) {
            const qint64 days = QDate(oldStart.year, oldStart.month, oldStart.day)
                                    .daysTo(QDate(oldEnd.year, oldEnd.month, oldEnd.day));
            const QDate endDate = QDate(newStart.year, newStart.month, newStart.day).addDays(days);
            icaltimetype t = newStart;
            t.year = endDate.year();
            t.month = endDate.month();
            t.day = endDate.day();
            newEnd = timeProperty(ICAL_DTEND_PROPERTY, t, endIn);
        } else {
            const qint64 length =
                momentOf(oldStart, *startForm, local).secsTo(momentOf(oldEnd, *endForm, local));
            newEnd = timeProperty(ICAL_DTEND_PROPERTY, timeIn(moment.addSecs(length), endIn, local), endIn);
        }
    }
    removeAll(e, ICAL_DTSTART_PROPERTY);
    removeAll(e, ICAL_DTEND_PROPERTY);
    icalcomponent_add_property(e, timeProperty(ICAL_DTSTART_PROPERTY, newStart, form));
    if (newEnd)
        icalcomponent_add_property(e, newEnd);
    // A zone the calendar does not describe yet (the local one, taken in by the move) is added last: the
    // calendar's zones move in memory when one is added, and the times above were read by them.
    if (form.kind == TimeForm::Kind::System && form.system == local &&
        !icalcomponent_get_timezone(calendar, form.tzid.constData())) {
        const int year = moment.date().year();
        if (Ical::Component zone = ZoneWriting::describe(local, year, std::max(year, stamp.date().year())))
            icalcomponent_add_component(calendar, zone.release());
    }
    return true;
}

QString textOf(const char* text)
{
    return QString::fromUtf8(text ? text : "");
}

bool isLineBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' || c == QChar(0x85) || c == QChar(0x2028) ||
           c == QChar(0x2029);
}

// How many UTF-16 units the line break at `i` takes ("\r\n" two), looking forward or, from `i` as the
// end, backward; 0 when there is none.
int breakAt(const QString& text, qsizetype i, bool backward)
{
    if (backward) {
        if (i < 1 || !isLineBreak(text.at(i - 1)))
            return 0;
        return i >= 2 && text.at(i - 1) == u'\n' && text.at(i - 2) == u'\r' ? 2 : 1;
    }
    if (i >= text.size() || !isLineBreak(text.at(i)))
        return 0;
    return text.at(i) == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n' ? 2 : 1;
}

// Walks the server's text and a text of the entry side by side while they say the same, a line break
// matching any line break (editors change their kind) and, when the entry joined the lines, a space.
// Returns where each walk stopped; walking backward, the ends are where it must stop at the latest.
struct Walked
{
    qsizetype server = 0;
    qsizetype entry = 0;
};


Walked walk(const QString& server, qsizetype s, qsizetype serverEnd, const QString& entry, qsizetype n,
            qsizetype entryEnd, bool joinedLines, bool backward)
{
    const qsizetype step = backward ? -1 : 1;
    const auto inside = [&](qsizetype at, qsizetype end) { return backward ? at > end : at < end; };
    while (inside(s, serverEnd) && inside(n, entryEnd)) {
        if (const int serverBreak = breakAt(server, s, backward)) {
            int entryBreak = breakAt(entry, n, backward);
            if (entryBreak == 0 && joinedLines && entry.at(backward ? n - 1 : n) == u' ')
                entryBreak = 1;
            const qsizetype nextS = s + step * serverBreak;
            const qsizetype nextN = n + step * entryBreak;
            if (entryBreak == 0 || (backward ? nextS < serverEnd || nextN < entryEnd
                                             : nextS > serverEnd || nextN > entryEnd))
                break;
            s = nextS;
            n = nextN;
            continue;
        }
        if (server.at(backward ? s - 1 : s) != entry.at(backward ? n - 1 : n))
            break;
        s += step;
        n += step;
    }
    return {s, n};
}

bool alarmOn(const ScheduleEntry& entry)
{
    return entry[ScheduleField::AlarmOnOff].compare(QLatin1String("on"), Qt::CaseInsensitive) == 0;
}

// Date, time and kind: what the event's start and rule say.
bool sameTiming(const ScheduleEntry& a, const ScheduleEntry& b)
{
    return DateText::readDate(a[ScheduleField::Date]) == DateText::readDate(b[ScheduleField::Date]) &&
           DateText::readTime(a[ScheduleField::AlarmTime]) ==
               DateText::readTime(b[ScheduleField::AlarmTime]) &&
           kindOf(a[ScheduleField::Kind]) == kindOf(b[ScheduleField::Kind]);
}

} // namespace

EventForm::Incoming EventForm::read(const QByteArray& data, const QTimeZone& local)
{
    Incoming incoming;
    bool ruleKept = false;
    bool recurs = false;
    bool changedOccurrences = false;
    const auto refused = IcsReader::read(data, [&](const IcsReader::Event& event) -> std::optional<IcsReader::Failure> {
        if (event.event && icalcomponent_get_first_property(event.event, ICAL_RECURRENCEID_PROPERTY)) {
            changedOccurrences = true;
            return std::nullopt;
        }
        if (incoming.held)
            return std::nullopt;
        const EventToEntry::Mapped mapped = EventToEntry::map(event, local);
        if (mapped.outcome != EventToEntry::Outcome::Entry) {
            // What the import says of it, without the line of a file there is none of.
            if (incoming.reason.isEmpty())
                incoming.reason = QString(mapped.note).remove(QRegularExpression(QStringLiteral("^line \\d+ ")));
            return std::nullopt;
        }
        ruleKept = mapped.ruleKept;
        recurs = !mapped.rule.isEmpty();
        incoming.held = true;
        incoming.entry = mapped.entry;
        incoming.reason.clear();
        incoming.timingNarrowed = mapped.simplified || mapped.zoneUnknown || mapped.alarmMoved;
        // Whatever the entry could not keep of the event makes it a narrowed form of it.
        const bool narrowed = incoming.timingNarrowed || mapped.subjectCut || mapped.noteCut;
        incoming.form = narrowed ? SyncLedger::Form::Simplified : SyncLedger::Form::Whole;
        incoming.version = ImportWriter::versionText(mapped.identity);
        return std::nullopt;
    });
    if (!incoming.held && incoming.reason.isEmpty())
        incoming.reason = refused ? refused->reason
                                  : QCoreApplication::translate("EventForm", "it holds no event");
    // The event's whole recurrence stays with the entry, the server's object as it came.
    if (incoming.held && (ruleKept || (recurs && changedOccurrences))) {
        incoming.rule = data;
        incoming.entry[ScheduleField::Kind] = QString::fromLatin1(RuleFile::RecurringKind);
    }
    return incoming;
}

QString EventForm::digest(const ScheduleEntry& entry)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const QString& field : entry.fields) {
        hash.addData(QByteArrayView("\x1f", 1));
        hash.addData(field.isNull() ? QByteArrayView("\x1e", 1) : QByteArrayView(field.toUtf8()));
    }
    return QString::fromLatin1(hash.result().toBase64());
}

QString EventForm::sameEntryKey(const ScheduleEntry& entry)
{
    const auto date = DateText::readDate(entry[ScheduleField::Date]);
    const auto time = DateText::readTime(entry[ScheduleField::AlarmTime]);
    return QString::number(date ? date->toJulianDay() : 0) + u'|' +
           QString::number(time ? time->msecsSinceStartOfDay() / 1000 : -1) + u'|' +
           QString::number(int(kindOf(entry[ScheduleField::Kind]))) + u'|' + entry[ScheduleField::Subject];
}

QByteArray EventForm::newEvent(const ScheduleTable& table, size_t i, const EntryIdentities& identities,
                               const QDateTime& stamp, const QTimeZone& local)
{
    EntryToEvent::Event event = EntryToEvent::eventOf(table, i, stamp, &identities, local);
    if (event.outcome != EntryToEvent::Outcome::Written)
        return {};
    const int year = table.date(i).toDate().year();
    return calendarAround(event.component.release(),
                          EntryToEvent::zoneOf(local, year, std::max(year, stamp.date().year())));
}

QString EventForm::editedText(const QString& full, const QString& shown, const QString& now, bool joinedLines)
{
    const Walked seen = walk(full, 0, full.size(), shown, 0, shown.size(), joinedLines, false);
    // Not a view of the server's text, or the whole of it: the edit says all of it.
    if (seen.entry != shown.size() || seen.server == full.size())
        return now;
    const Walked before = walk(full, 0, seen.server, now, 0, now.size(), joinedLines, false);
    const Walked after =
        walk(full, seen.server, before.server, now, now.size(), before.entry, joinedLines, true);
    return full.left(before.server) + now.mid(before.entry, after.entry - before.entry) +
           full.mid(after.server);
}

EventForm::Patch EventForm::patched(const QByteArray& serverData, const ScheduleEntry& now,
                                    const QTimeZone& local, const QDateTime& stamp)
{
    const Incoming before = read(serverData, local);
    Ical::Component calendar(icalparser_parse_string(serverData.constData()));
    icalcomponent* e = calendar ? masterEvent(calendar.get()) : nullptr;
    if (!before.held || !e)
        return {Written::KeptHere, {}};

    const bool subject = now[ScheduleField::Subject] != before.entry[ScheduleField::Subject];
    const bool note = now[ScheduleField::Note] != before.entry[ScheduleField::Note];
    const bool timing = !sameTiming(now, before.entry);
    const bool alarm = alarmOn(now) != alarmOn(before.entry);
    if (!subject && !note && !timing && !alarm)
        return {Written::Unchanged, {}};
    // A narrowed event's start and rule are the server's to keep: the entry shows them only in part.
    if ((timing || alarm) && before.timingNarrowed)
        return {Written::KeptHere, {}};

    if (subject) {
        const QString text = editedText(textOf(icalcomponent_get_summary(e)), before.entry[ScheduleField::Subject],
                                        now[ScheduleField::Subject], true);
        removeAll(e, ICAL_SUMMARY_PROPERTY);
        icalcomponent_add_property(e, icalproperty_new_summary(text.toUtf8().constData()));
    }
    if (note) {
        const QString text = editedText(textOf(icalcomponent_get_description(e)),
                                        before.entry[ScheduleField::Note], now[ScheduleField::Note], false);
        removeAll(e, ICAL_DESCRIPTION_PROPERTY);
        icalcomponent_add_property(e, icalproperty_new_description(text.toUtf8().constData()));
    }
    if (timing || alarm) {
        // The entry's own event, made as a new one would be, lends its start, rule and reminder; the
        // server's event keeps its length.
        ScheduleTable one;
        one.append(1, now);
        Ical::Component fresh(EntryToEvent::eventOf(one, 0, stamp, nullptr, local).component.release());
        if (!fresh)
            return {Written::KeptHere, {}};
        if (timing) {
            const QDateTime moment(*DateText::readDate(now[ScheduleField::Date]),
                                   *DateText::readTime(now[ScheduleField::AlarmTime]), local);
            if (!moveTimes(calendar.get(), e, moment, kindOf(now[ScheduleField::Kind]), local, stamp))
                return {Written::KeptHere, {}};
            for (const icalproperty_kind rule :
                 {ICAL_RRULE_PROPERTY, ICAL_RDATE_PROPERTY, ICAL_EXDATE_PROPERTY})
                removeAll(e, rule);
            if (icalproperty* rule = icalcomponent_get_first_property(fresh.get(), ICAL_RRULE_PROPERTY))
                icalcomponent_add_property(e, icalproperty_new_clone(rule));
        }
        if (alarm) {
            removeAlarms(e);
            if (icalcomponent* reminder =
                    icalcomponent_get_first_component(fresh.get(), ICAL_VALARM_COMPONENT))
                icalcomponent_add_component(e, icalcomponent_new_clone(reminder));
        }
        const int sequence = icalcomponent_get_sequence(e);
        icalcomponent_set_sequence(e, sequence < 0 ? 1 : sequence + 1);
    }
    removeAll(e, ICAL_DTSTAMP_PROPERTY);
    icalcomponent_add_property(e, icalproperty_new_dtstamp(EntryToEvent::utcTime(stamp)));
    removeAll(e, ICAL_LASTMODIFIED_PROPERTY);
    icalcomponent_add_property(e, icalproperty_new_lastmodified(EntryToEvent::utcTime(stamp)));
    const Ical::Text text(icalcomponent_as_ical_string_r(calendar.get()));
    return {Written::Patched, QByteArray(text.get())};
}

ScheduleEntry EventForm::conflictCopy(const ScheduleEntry& entry)
{
    ScheduleEntry copy = entry;
    QString subject = entry[ScheduleField::Subject];
    const qsizetype room = fieldInfo(ScheduleField::Subject).size - characterCount(ConflictMark);
    while (characterCount(subject) > room)
        subject.chop(subject.back().isLowSurrogate() ? 2 : 1);
    copy[ScheduleField::Subject] = subject + ConflictMark;
    return copy;
}
