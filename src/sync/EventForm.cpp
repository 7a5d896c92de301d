#include "sync/EventForm.h"

#include "exchange/EntryToEvent.h"
#include "exchange/EventToEntry.h"
#include "exchange/IcalHandles.h"
#include "exchange/IcsReader.h"
#include "exchange/ImportWriter.h"
#include "store/DateText.h"
#include "store/EntryIdentities.h"
#include "store/RuleFile.h"
#include "store/ScheduleKind.h"
#include "store/ScheduleTable.h"

#include <QCryptographicHash>

namespace {

const QString ConflictMark = QStringLiteral(" (conflict)");

QByteArray calendarAround(icalcomponent* event)
{
    Ical::Component calendar(icalcomponent_vanew(ICAL_VCALENDAR_COMPONENT, icalproperty_new_version("2.0"),
                                                 icalproperty_new_prodid("-//Zentravio//Zentravio//EN"),
                                                 nullptr));
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

icaltimetype utcTime(const QDateTime& moment)
{
    const QDateTime utc = moment.toUTC();
    icaltimetype t = icaltime_null_time();
    t.year = utc.date().year();
    t.month = utc.date().month();
    t.day = utc.date().day();
    t.hour = utc.time().hour();
    t.minute = utc.time().minute();
    t.second = utc.time().second();
    t.zone = icaltimezone_get_utc_timezone();
    return t;
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
    IcsReader::read(data, [&](const IcsReader::Event& event) -> std::optional<IcsReader::Failure> {
        if (event.event && icalcomponent_get_first_property(event.event, ICAL_RECURRENCEID_PROPERTY)) {
            changedOccurrences = true;
            return std::nullopt;
        }
        if (incoming.held)
            return std::nullopt;
        const EventToEntry::Mapped mapped = EventToEntry::map(event, local);
        if (mapped.outcome != EventToEntry::Outcome::Entry)
            return std::nullopt;
        ruleKept = mapped.ruleKept;
        recurs = !mapped.rule.isEmpty();
        incoming.held = true;
        incoming.entry = mapped.entry;
        // Whatever the entry could not keep of the event makes it a narrowed form of it.
        const bool narrowed = mapped.simplified || mapped.subjectCut || mapped.noteCut ||
                              mapped.zoneUnknown || mapped.alarmMoved;
        incoming.form = narrowed ? SyncLedger::Form::Simplified : SyncLedger::Form::Whole;
        incoming.version = ImportWriter::versionText(mapped.identity);
        return std::nullopt;
    });
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
                               const QDateTime& stamp)
{
    EntryToEvent::Event event = EntryToEvent::eventOf(table, i, stamp, &identities);
    if (event.outcome != EntryToEvent::Outcome::Written)
        return {};
    return calendarAround(event.component.release());
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
    if ((timing || alarm) && before.form != SyncLedger::Form::Whole)
        return {Written::KeptHere, {}};

    if (subject) {
        removeAll(e, ICAL_SUMMARY_PROPERTY);
        icalcomponent_add_property(
            e, icalproperty_new_summary(now[ScheduleField::Subject].toUtf8().constData()));
    }
    if (note) {
        removeAll(e, ICAL_DESCRIPTION_PROPERTY);
        icalcomponent_add_property(
            e, icalproperty_new_description(now[ScheduleField::Note].toUtf8().constData()));
    }
    if (timing || alarm) {
        // The entry's own event, made as a new one would be, lends its start, rule and reminder; the
        // server's event keeps its length.
        ScheduleTable one;
        one.append(1, now);
        Ical::Component fresh(EntryToEvent::eventOf(one, 0, stamp, nullptr).component.release());
        if (!fresh)
            return {Written::KeptHere, {}};
        if (timing) {
            const icaltimetype oldStart = icalcomponent_get_dtstart(e);
            icalproperty* endProperty = icalcomponent_get_first_property(e, ICAL_DTEND_PROPERTY);
            const bool hasEnd = endProperty != nullptr;
            const icaldurationtype length =
                hasEnd ? icaltime_subtract(icalproperty_get_dtend(endProperty), oldStart)
                       : icaldurationtype_null_duration();
            removeAll(e, ICAL_DTSTART_PROPERTY);
            removeAll(e, ICAL_DTEND_PROPERTY);
            const icaltimetype start = icalcomponent_get_dtstart(fresh.get());
            icalcomponent_add_property(e, icalproperty_new_dtstart(start));
            if (hasEnd)
                icalcomponent_add_property(e, icalproperty_new_dtend(icaltime_add(start, length)));
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
    icalcomponent_add_property(e, icalproperty_new_dtstamp(utcTime(stamp)));
    removeAll(e, ICAL_LASTMODIFIED_PROPERTY);
    icalcomponent_add_property(e, icalproperty_new_lastmodified(utcTime(stamp)));
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
