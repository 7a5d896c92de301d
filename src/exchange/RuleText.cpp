#include "exchange/RuleText.h"

#include <QCoreApplication>
#include <QLocale>
#include <QStringList>

#include <libical/ical.h>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("RuleText", text);
}

bool isEmpty(const short* values)
{
    return values[0] == ICAL_RECURRENCE_ARRAY_MAX;
}

QString weekdayName(int icalDay)
{
    // libical counts Sunday as 1, Qt Monday as 1.
    const int qtDay = icalDay == 1 ? 7 : icalDay - 1;
    return QLocale(QLocale::English).dayName(qtDay);
}

QString ordinal(int position)
{
    switch (position) {
    case 1:
        return tr("first");
    case 2:
        return tr("second");
    case 3:
        return tr("third");
    case 4:
        return tr("fourth");
    case -1:
        return tr("last");
    case -2:
        return tr("second to last");
    default:
        return QString::number(position) + QStringLiteral(".");
    }
}

QString joined(const QStringList& parts)
{
    if (parts.size() <= 1)
        return parts.value(0);
    return QStringList(parts.mid(0, parts.size() - 1)).join(QStringLiteral(", ")) + tr(" and ") +
           parts.last();
}

// "Monday to Friday", or the days one by one; with their positions in the month when they have them.
QString daysText(const short* days)
{
    QStringList names;
    QList<int> plain;
    for (int i = 0; days[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
        const int day = int(icalrecurrencetype_day_day_of_week(days[i]));
        const int position = icalrecurrencetype_day_position(days[i]);
        if (position == 0)
            plain << day;
        names << (position == 0 ? weekdayName(day)
                                : tr("the %1 %2").arg(ordinal(position), weekdayName(day)));
    }
    std::sort(plain.begin(), plain.end());
    if (plain == QList<int>{2, 3, 4, 5, 6} && names.size() == 5)
        return tr("Monday to Friday");
    return joined(names);
}

QString every(int interval, const QString& one, const QString& many)
{
    if (interval <= 1)
        return tr("every %1").arg(one);
    if (interval == 2)
        return tr("every other %1").arg(one);
    return tr("every %1 %2").arg(interval).arg(many);
}

} // namespace

QString RuleText::dayText(QDate date)
{
    return QLocale(QLocale::English).toString(date, QStringLiteral("d MMMM yyyy"));
}

QString RuleText::describe(const icalrecurrencetype& r, QDate start)
{
    const bool plainParts = isEmpty(r.by_second) && isEmpty(r.by_minute) && isEmpty(r.by_hour) &&
                            isEmpty(r.by_year_day) && isEmpty(r.by_week_no) && isEmpty(r.by_set_pos);
    QString text;
    const int interval = std::max<int>(r.interval, 1);
    switch (r.freq) {
    case ICAL_DAILY_RECURRENCE:
        text = isEmpty(r.by_day) ? every(interval, tr("day"), tr("days"))
                                 : tr("every %1").arg(daysText(r.by_day));
        break;
    case ICAL_WEEKLY_RECURRENCE: {
        const QString days =
            isEmpty(r.by_day) ? QLocale(QLocale::English).dayName(start.dayOfWeek()) : daysText(r.by_day);
        text = interval <= 1 ? tr("every %1").arg(days)
                             : tr("%1 on %2").arg(every(interval, tr("week"), tr("weeks")), days);
        break;
    }
    case ICAL_MONTHLY_RECURRENCE: {
        const QString months = every(interval, tr("month"), tr("months"));
        if (!isEmpty(r.by_day))
            text = tr("on %1 of %2").arg(daysText(r.by_day), months);
        else
            text = tr("on day %1 of %2")
                       .arg(isEmpty(r.by_month_day) ? start.day() : r.by_month_day[0])
                       .arg(months);
        break;
    }
    case ICAL_YEARLY_RECURRENCE:
        text = tr("%1 on %2")
                   .arg(every(interval, tr("year"), tr("years")),
                        QLocale(QLocale::English).toString(start, QStringLiteral("d MMMM")));
        if (!isEmpty(r.by_month) || !isEmpty(r.by_day))
            text.clear();
        break;
    default:
        break;
    }
    if (text.isEmpty() || !plainParts) {
        char* written = icalrecurrencetype_as_string_r(const_cast<icalrecurrencetype*>(&r));
        text = tr("the rule \"%1\"").arg(QString::fromUtf8(written ? written : ""));
        icalmemory_free_buffer(written);
        return text;
    }
    if (!icaltime_is_null_time(r.until))
        text += tr(" until %1").arg(dayText(QDate(r.until.year, r.until.month, r.until.day)));
    if (r.count > 0)
        text += r.count == 1 ? tr(", once") : tr(", %1 times").arg(r.count);
    return text;
}
