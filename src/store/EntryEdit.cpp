#include "store/EntryEdit.h"

#include "store/DateText.h"
#include "store/EntryInput.h"

namespace {

std::string_view view(const QByteArray& bytes)
{
    return std::string_view(bytes.constData(), size_t(bytes.size()));
}

// The texts in the form the table keeps them, worked out once for a whole walk.
struct Wanted
{
    QByteArray date, subject, note, time;
    QString kind;
    std::optional<QDate> day;
    std::optional<QTime> second;
    PackedDate packedDay;

    explicit Wanted(const EntryTexts& texts)
        : date(texts.date.toUtf8()), subject(texts.subject.toUtf8()), note(texts.note.toUtf8()),
          time(texts.alarmTime.toUtf8()), kind(texts.kind), day(DateText::readDate(texts.date)),
          second(DateText::readTime(texts.alarmTime)), packedDay(day ? PackedDate::from(*day) : PackedDate())
    {}

    bool matches(const ScheduleTable& table, size_t i) const
    {
        // A date that reads as a day matches exactly the entries whose date reads as that day, which
        // the table holds parsed: a look at four bytes passes over nearly every entry of a long walk.
        if (day)
            return table.date(i) == packedDay && textsMatch(table, i);
        const std::string_view storedDate = table.utf8(i, ScheduleField::Date);
        return storedDate == view(date) && textsMatch(table, i);
    }

    bool textsMatch(const ScheduleTable& table, size_t i) const
    {
        // The free texts first: they tell entries apart soonest.
        if (table.utf8(i, ScheduleField::Subject) != view(subject) ||
            table.utf8(i, ScheduleField::Note) != view(note))
            return false;
        if (table.text(i, ScheduleField::Kind).compare(kind, Qt::CaseInsensitive) != 0)
            return false;
        const std::string_view storedTime = table.utf8(i, ScheduleField::AlarmTime);
        return storedTime == view(time) || (second && DateText::readTime(storedTime) == second);
    }
};

} // namespace

namespace EntryEdit {

bool matches(const ScheduleTable& table, size_t i, const EntryTexts& texts)
{
    return i < table.size() && Wanted(texts).matches(table, i);
}

size_t findFrom(const ScheduleTable& table, const EntryTexts& texts, size_t from)
{
    const Wanted wanted(texts);
    for (size_t i = from; i < table.size(); ++i) {
        if (wanted.matches(table, i))
            return i;
    }
    return table.size();
}

bool isComplete(const EntryTexts& panel)
{
    // Spaces alone say nothing; they count as no text.
    using EntryInput::isBlank;
    return !isBlank(panel.date) && !isBlank(panel.alarmTime) && !isBlank(panel.subject) &&
           !isBlank(panel.note) && !isBlank(panel.kind);
}

QString storedTimeText(const QString& time)
{
    const std::optional<QTime> read = DateText::readTime(time);
    return read ? DateText::timeText(*read) : time;
}

ScheduleEntry rewritten(const ScheduleEntry& stored, const EntryTexts& panel)
{
    ScheduleEntry entry = stored;
    entry[ScheduleField::Date] = panel.date;
    const std::optional<QDate> day = DateText::readDate(panel.date);
    entry[ScheduleField::Day] = day ? DateText::dddd(*day) : QString();
    entry[ScheduleField::Subject] = panel.subject;
    entry[ScheduleField::Note] = panel.note;
    entry[ScheduleField::AlarmTime] = storedTimeText(panel.alarmTime);
    entry[ScheduleField::Kind] = panel.kind;
    return entry;
}

QString toggledSwitch(const QString& onOff)
{
    return onOff == QLatin1String("on") ? QStringLiteral("off") : QStringLiteral("on");
}

} // namespace EntryEdit
