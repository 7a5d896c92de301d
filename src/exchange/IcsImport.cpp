#include "exchange/IcsImport.h"

#include "exchange/EventToEntry.h"
#include "exchange/IcalHandles.h"
#include "exchange/IcsReader.h"
#include "exchange/ImportWriter.h"
#include "store/RuleFile.h"
#include "store/ScheduleDatabase.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>

#include <new>
#include <optional>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("IcsImport", text);
}

// What makes two entries the same for an import: date, alarm second, kind and subject.
QString sameEntryKey(QDate date, qint32 second, ScheduleKind kind, const QString& subject)
{
    return QString::number(date.toJulianDay()) + u'|' + QString::number(second) + u'|' +
           QString::number(int(kind)) + u'|' + subject;
}

// One copy of each short text the entries of a file repeat (dates, days, alarm times, switches, kinds):
// a large file's entries share them rather than each hold its own.
class SharedTexts
{
public:
    void share(ScheduleEntry& entry)
    {
        for (const ScheduleField field : {ScheduleField::Date, ScheduleField::Day, ScheduleField::AlarmTime,
                                          ScheduleField::AlarmOnOff, ScheduleField::Kind}) {
            QString& text = entry[field];
            const auto known = m_texts.constFind(text);
            if (known != m_texts.cend())
                text = *known;
            else
                m_texts.insert(text);
        }
    }
    void clear() { m_texts = {}; }

private:
    QSet<QString> m_texts;
};

// A line about one event; `entry` is the position of the entry it became, if it became one.
struct Notice
{
    QString text;
    std::optional<size_t> entry;
};

// The DTSTAMP line's moment in UTC ("DTSTAMP:20240101T120000Z"); invalid when it has none or it cannot
// be read.
QDateTime stampOf(const QByteArray& line)
{
    const QByteArray value = line.mid(line.lastIndexOf(':') + 1).trimmed();
    QDateTime moment = QDateTime::fromString(QString::fromLatin1(value.chopped(value.endsWith('Z') ? 1 : 0)),
                                             QStringLiteral("yyyyMMdd'T'HHmmss"));
    moment.setTimeZone(QTimeZone::utc());
    return moment;
}

struct Marks
{
    bool simplified = false;
    bool zoneUnknown = false;
    bool alarmMoved = false;
    bool subjectCut = false;
    bool noteCut = false;
    bool ruleKept = false;
};

// The events of the changed occurrences joined to their series, whose entry then keeps its whole event
// (also one whose rule a kind says); a changed occurrence whose series the file does not hold comes in
// as a one-time entry of its own.
template<typename Changed>
void attachChanged(const QHash<QByteArray, std::vector<Changed>>& changed, const QHash<QByteArray, size_t>& series,
                   std::vector<ScheduleEntry>& entries, std::vector<EventIdentity>& identities,
                   std::vector<QByteArray>& rules, std::vector<Marks>& marks, const QTimeZone& local,
                   IcsImport::Result& result)
{
    for (auto it = changed.cbegin(); it != changed.cend(); ++it) {
        const auto master = it.key().isEmpty() ? series.cend() : series.constFind(it.key());
        if (master != series.cend()) {
            QByteArray& rule = rules[*master];
            if (rule.startsWith('\0')) {
                rule.remove(0, 1);
                entries[*master][ScheduleField::Kind] = QString::fromLatin1(RuleFile::RecurringKind);
                marks[*master].ruleKept = true;
            }
            const qsizetype end = rule.lastIndexOf("END:VCALENDAR");
            QByteArray zones;
            QByteArray events;
            for (const Changed& one : it.value()) {
                if (!rule.contains(one.zones) && !zones.contains(one.zones))
                    zones += one.zones;
                events += one.event;
            }
            rule.insert(end, events);
            rule.insert(rule.indexOf("BEGIN:VEVENT"), zones);
            continue;
        }
        for (const Changed& one : it.value()) {
            Ical::Component zones(icalparser_parse_string(EventToEntry::keptCalendar(one.zones, {}).constData()));
            Ical::Component event(icalparser_parse_string(one.event.constData()));
            if (!event)
                continue;
            icalcomponent_remove_property(event.get(),
                                          icalcomponent_get_first_property(event.get(), ICAL_RECURRENCEID_PROPERTY));
            IcsReader::Event alone;
            alone.event = event.get();
            alone.zones = zones.get();
            alone.line = one.line;
            const EventToEntry::Mapped mapped = EventToEntry::map(alone, local);
            if (mapped.outcome != EventToEntry::Outcome::Entry)
                continue;
            --result.changedOccurrences;
            entries.push_back(mapped.entry);
            identities.push_back(mapped.identity);
            // Not the series' UID: the series may come in later, and its entry must not be this one.
            identities.back().uid.clear();
            rules.push_back(QByteArray());
            marks.push_back({mapped.simplified, mapped.zoneUnknown, mapped.alarmMoved, mapped.subjectCut,
                             mapped.noteCut, false});
        }
    }
    // A series nothing was joined to keeps no event beside its entry.
    for (QByteArray& rule : rules) {
        if (rule.startsWith('\0'))
            rule = QByteArray();
    }
}

IcsImport::Result taken(ScheduleDatabase& database, QIODevice& device, const QTimeZone& local,
                        const IcsImport::Options& options)
{
    IcsImport::Result result;
    const ScheduleTable& table = database.table();
    QSet<QString> present;
    present.reserve(qsizetype(table.size()));
    for (size_t i = 0; i < table.size(); ++i)
        present.insert(sameEntryKey(table.date(i).toDate(), table.alarmSecond(i), table.kind(i),
                                    table.text(i, ScheduleField::Subject)));

    std::vector<ScheduleEntry> entries;
    std::vector<EventIdentity> identities;
    std::vector<QByteArray> rules;
    // The changed occurrences, by the UID of their series, kept until the series is known: the file may
    // hold them before it.
    struct ChangedOccurrence
    {
        QByteArray zones;
        QByteArray event;
        qint64 line = 0;
    };
    QHash<QByteArray, std::vector<ChangedOccurrence>> changed;
    QHash<QByteArray, size_t> series;
    // What each entry's event lost or moved on its way in, counted once the entries written are known.
    std::vector<Marks> marks;
    // The lines about events, in the file's order, told once the entries written are known: an event
    // already in the schedule changed nothing, so nothing is said of it.
    std::vector<Notice> notices;
    SharedTexts shared;
    const auto take = [&](const IcsReader::Event& event) -> std::optional<IcsReader::Failure> {
        const EventToEntry::Mapped mapped = EventToEntry::map(event, local);
        ++result.events;
        if (!mapped.note.isEmpty() && options.notice)
            notices.push_back({mapped.note, mapped.outcome == EventToEntry::Outcome::Entry
                                                ? std::optional<size_t>(entries.size())
                                                : std::nullopt});
        switch (mapped.outcome) {
        case EventToEntry::Outcome::LeftOut:
            ++result.leftOut;
            return std::nullopt;
        case EventToEntry::Outcome::NoStart:
            ++result.noStart;
            return std::nullopt;
        case EventToEntry::Outcome::ChangedOccurrence:
            ++result.changedOccurrences;
            changed[mapped.identity.uid].push_back({EventToEntry::zonesOf(event.event, event.zones),
                                                    EventToEntry::eventText(event.event), event.line});
            return std::nullopt;
        case EventToEntry::Outcome::NoOccurrence:
            ++result.noOccurrence;
            return std::nullopt;
        case EventToEntry::Outcome::Entry:
            break;
        }
        // Events the file holds twice both come in, as the schedule may hold two identical entries. An
        // event with a UID is matched by it instead, when the import writes by identity.
        const bool byIdentity = !options.writer && !mapped.identity.uid.isEmpty();
        if (!byIdentity && present.contains(sameEntryKey(mapped.date, mapped.second, mapped.kind,
                                                         mapped.entry[ScheduleField::Subject]))) {
            ++result.present;
            if (!notices.empty() && notices.back().entry == entries.size())
                notices.pop_back();
            return std::nullopt;
        }
        if (!mapped.identity.uid.isEmpty() && !mapped.rule.isEmpty())
            series.insert(mapped.identity.uid, entries.size());
        entries.push_back(mapped.entry);
        shared.share(entries.back());
        identities.push_back(mapped.identity);
        // An event its organizer versions is compared by its versions alone; for the many feeds that
        // give none, the moment the file was made and what the event says tell a later version.
        if (!icalcomponent_get_first_property(event.event, ICAL_SEQUENCE_PROPERTY) &&
            !icalcomponent_get_first_property(event.event, ICAL_LASTMODIFIED_PROPERTY)) {
            identities.back().stamp = stampOf(event.stampText);
            identities.back().content = event.digest;
        }
        rules.push_back(mapped.ruleKept ? mapped.rule : QByteArray());
        // A series whose rule one of the five kinds says keeps its event too, in case a changed
        // occurrence of it follows; a leading zero byte, which no calendar text holds, marks it as not
        // kept unless one does.
        if (!mapped.ruleKept && !mapped.rule.isEmpty())
            rules.back() = QByteArray(1, '\0') + mapped.rule;
        marks.push_back({mapped.simplified, mapped.zoneUnknown, mapped.alarmMoved, mapped.subjectCut,
                         mapped.noteCut, mapped.ruleKept});
        return std::nullopt;
    };
    if (const auto failure = IcsReader::read(device, take, options.progress)) {
        IcsImport::Result refused;
        refused.error = failure->reason;
        refused.line = failure->line;
        return refused;
    }
    // The lines about events that never became entries are told however the write ends.
    const auto tell = [&](const std::vector<bool>& written) {
        for (const Notice& notice : notices) {
            if (!notice.entry || (*notice.entry < written.size() && written[*notice.entry]))
                options.notice(notice.text);
        }
    };
    present.clear();
    shared.clear();
    attachChanged(changed, series, entries, identities, rules, marks, local, result);

    ImportWriter::Outcome written;
    if (options.writer) {
        written.stored = options.writer(database, entries, identities);
        written.added = qint64(entries.size());
    } else {
        written = ImportWriter::write(database, entries, std::move(identities), rules);
    }
    if (!written.stored) {
        tell({});
        result.error = written.stored.error;
        return result;
    }
    result.ok = true;
    result.added = written.added;
    result.updated = written.updated;
    result.present += written.present;
    // An event already in the schedule changed nothing, so nothing of it was cut, moved or simplified.
    std::vector<bool> wroteEntry(marks.size(), true);
    for (const size_t skipped : written.skipped) {
        marks[skipped] = {};
        wroteEntry[skipped] = false;
    }
    tell(wroteEntry);
    for (const Marks& m : marks) {
        result.simplified += m.simplified;
        result.unknownZones += m.zoneUnknown;
        result.alarmsMoved += m.alarmMoved;
        result.subjectsCut += m.subjectCut;
        result.notesCut += m.noteCut;
        result.rulesKept += m.ruleKept;
    }
    return result;
}

} // namespace

IcsImport::Result IcsImport::run(ScheduleDatabase& database, const QString& path, const QTimeZone& local,
                                 const Options& options)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Result result;
        result.error = tr("%1 cannot be read: %2.").arg(QDir::toNativeSeparators(path), file.errorString());
        return result;
    }
    return run(database, file, local, options);
}

IcsImport::Result IcsImport::run(ScheduleDatabase& database, const QString& path, const QTimeZone& local)
{
    return run(database, path, local, Options{});
}

IcsImport::Result IcsImport::run(ScheduleDatabase& database, QIODevice& device, const QTimeZone& local,
                                 const Options& options)
{
    // A file larger than the memory left is refused in words, with the schedule as it was.
    try {
        return taken(database, device, local, options);
    } catch (const std::bad_alloc&) {
        Result result;
        result.error = tr("there is not enough memory to import this file");
        return result;
    }
}
