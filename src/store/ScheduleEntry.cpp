#include "store/ScheduleEntry.h"

#include <QCoreApplication>

namespace {

constexpr std::array<ScheduleFieldInfo, ScheduleFieldCount> Fields = {{
    {"Date", 50, "date"},
    {"Day", 50, "weekday"},
    {"Type", 50, "subject"},
    {"Note", 250, "note"},
    {"AlarmTime", 50, "alarm time"},
    {"AlarmOnOff", 50, "alarm switch"},
    {"SchedType", 50, "recurrence kind"},
}};

} // namespace

const ScheduleFieldInfo& fieldInfo(ScheduleField field)
{
    return Fields[size_t(field)];
}

std::optional<ScheduleField> fieldByName(QStringView name)
{
    for (int i = 0; i < ScheduleFieldCount; ++i) {
        if (name.compare(QLatin1String(Fields[size_t(i)].name), Qt::CaseInsensitive) == 0)
            return ScheduleField(i);
    }
    return std::nullopt;
}

bool ScheduleEntry::operator==(const ScheduleEntry& other) const
{
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].isNull() != other.fields[i].isNull() || fields[i] != other.fields[i])
            return false;
    }
    return true;
}

ScheduleEntry ScheduleEntry::make(const QString& date, const QString& day, const QString& subject,
                                  const QString& note, const QString& alarmTime, const QString& alarmOnOff,
                                  const QString& kind)
{
    ScheduleEntry e;
    e.fields = {date, day, subject, note, alarmTime, alarmOnOff, kind};
    return e;
}

qsizetype characterCount(const QString& text)
{
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!text.at(i).isLowSurrogate())
            ++count;
    }
    return count;
}

QString validationError(const ScheduleEntry& entry)
{
    for (int i = 0; i < ScheduleFieldCount; ++i) {
        const QString& text = entry.fields[size_t(i)];
        const ScheduleFieldInfo& info = Fields[size_t(i)];
        if (text.isNull())
            continue;
        if (text.isEmpty())
            return QCoreApplication::translate("ScheduleEntry", "The %1 cannot be empty.")
                .arg(QLatin1String(info.description));
        const qsizetype length = characterCount(text);
        if (length > info.size)
            return QCoreApplication::translate("ScheduleEntry",
                                               "The %1 is %2 characters long, but it can hold at most %3.")
                .arg(QLatin1String(info.description))
                .arg(length)
                .arg(info.size);
    }
    return {};
}
