#include "occurrence/RuleWords.h"

#include "exchange/RuleText.h"

#include <QCoreApplication>
#include <QLocale>
#include <QStringList>

#include <libical/ical.h>

#include <algorithm>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("RuleWords", text);
}

bool isEmpty(const short* values)
{
    return values[0] == ICAL_RECURRENCE_ARRAY_MAX;
}

int countOf(const short* values)
{
    int n = 0;
    while (values[n] != ICAL_RECURRENCE_ARRAY_MAX)
        ++n;
    return n;
}

QString dayName(int icalDay)
{
    // libical counts Sunday as 1, Qt Monday as 1.
    return QLocale(QLocale::English).dayName(icalDay == 1 ? 7 : icalDay - 1);
}

QString position(int n)
{
    switch (n) {
    case 1:
        return tr("First");
    case 2:
        return tr("Second");
    case 3:
        return tr("Third");
    case 4:
        return tr("Fourth");
    case 5:
        return tr("Fifth");
    case -1:
        return tr("Last");
    case -2:
        return tr("Second to last");
    default:
        return QString();
    }
}

QString joined(const QStringList& parts)
{
    if (parts.size() <= 1)
        return parts.value(0);
    return QStringList(parts.mid(0, parts.size() - 1)).join(QStringLiteral(", ")) + tr(" and ") + parts.last();
}

// The weekdays without positions, "Monday to Friday" when they are those five; empty when a day has a
// position.
QString plainDays(const short* days)
{
    QList<int> plain;
    for (int i = 0; days[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
        if (icalrecurrencetype_day_position(days[i]) != 0)
            return QString();
        plain << int(icalrecurrencetype_day_day_of_week(days[i]));
    }
    // Monday first, Sunday last, as a week is read.
    std::sort(plain.begin(), plain.end(), [](int a, int b) { return (a + 5) % 7 < (b + 5) % 7; });
    if (plain == QList<int>{2, 3, 4, 5, 6})
        return tr("Monday to Friday");
    QStringList names;
    for (int day : plain)
        names << dayName(day);
    return joined(names);
}

QString everyOther(int interval, const QString& one, const QString& many)
{
    if (interval <= 1)
        return tr("Every %1").arg(one);
    if (interval == 2)
        return tr("Every other %1").arg(one);
    return tr("Every %1 %2").arg(interval).arg(many);
}

QString untilText(const icalrecurrencetype& r, QDate start)
{
    const QDate until(r.until.year, r.until.month, r.until.day);
    const QLocale english(QLocale::English);
    if (until.year() == start.year() || until.year() == start.year() + 1)
        return tr(" until %1").arg(english.toString(until, QStringLiteral("d MMMM")));
    return tr(" until %1").arg(english.toString(until, QStringLiteral("d MMMM yyyy")));
}

QString shaped(const icalrecurrencetype& r, QDate start)
{
    if (!isEmpty(r.by_second) || !isEmpty(r.by_minute) || !isEmpty(r.by_hour) || !isEmpty(r.by_year_day) ||
        !isEmpty(r.by_week_no) || !isEmpty(r.by_set_pos))
        return QString();
    const int interval = std::max<int>(r.interval, 1);
    const QLocale english(QLocale::English);
    switch (r.freq) {
    case ICAL_DAILY_RECURRENCE:
        if (!isEmpty(r.by_month) || !isEmpty(r.by_month_day))
            return QString();
        if (isEmpty(r.by_day))
            return interval == 1 ? tr("Daily") : everyOther(interval, tr("day"), tr("days"));
        if (interval == 1 && !plainDays(r.by_day).isEmpty())
            return tr("Every %1").arg(plainDays(r.by_day));
        return QString();
    case ICAL_WEEKLY_RECURRENCE: {
        if (!isEmpty(r.by_month) || !isEmpty(r.by_month_day))
            return QString();
        const QString days = isEmpty(r.by_day) ? english.dayName(start.dayOfWeek()) : plainDays(r.by_day);
        if (days.isEmpty())
            return QString();
        if (interval <= 2)
            return (interval == 1 ? tr("Every %1") : tr("Every other %1")).arg(days);
        return tr("Every %1 weeks on %2").arg(interval).arg(days);
    }
    case ICAL_MONTHLY_RECURRENCE: {
        if (!isEmpty(r.by_month))
            return QString();
        const QString months = interval == 1 ? tr("the month")
                                             : (interval == 2 ? tr("every other month")
                                                              : tr("every %1 months").arg(interval));
        if (!isEmpty(r.by_day)) {
            if (countOf(r.by_day) != 1 || !isEmpty(r.by_month_day))
                return QString();
            const QString nth = position(icalrecurrencetype_day_position(r.by_day[0]));
            if (nth.isEmpty())
                return QString();
            return tr("%1 %2 of %3").arg(nth, dayName(int(icalrecurrencetype_day_day_of_week(r.by_day[0]))),
                                         months);
        }
        if (countOf(r.by_month_day) > 1)
            return QString();
        const int day = isEmpty(r.by_month_day) ? start.day() : r.by_month_day[0];
        if (day == -1)
            return tr("Last day of %1").arg(months);
        if (day < 1)
            return QString();
        return tr("Day %1 of %2").arg(day).arg(months);
    }
    case ICAL_YEARLY_RECURRENCE: {
        const QString years = interval == 1 ? QString() : (interval == 2 ? tr(" every other year")
                                                                         : tr(" every %1 years").arg(interval));
        if (isEmpty(r.by_day) && isEmpty(r.by_month_day) && countOf(r.by_month) <= 1) {
            const int month = isEmpty(r.by_month) ? start.month() : r.by_month[0];
            return tr("Every %1%2")
                .arg(english.toString(QDate(2000, month, std::min(start.day(), QDate(2000, month, 1)
                                                                               .daysInMonth())),
                                      QStringLiteral("d MMMM")),
                     years);
        }
        if (countOf(r.by_day) == 1 && countOf(r.by_month) == 1 && isEmpty(r.by_month_day)) {
            const QString nth = position(icalrecurrencetype_day_position(r.by_day[0]));
            if (nth.isEmpty())
                return QString();
            return tr("%1 %2 of %3%4")
                .arg(nth, dayName(int(icalrecurrencetype_day_day_of_week(r.by_day[0]))),
                     english.monthName(r.by_month[0]), years);
        }
        return QString();
    }
    default:
        return QString();
    }
}

} // namespace

QString RuleWords::of(const QByteArray& rule, QDate start)
{
    icalrecurrencetype r = icalrecurrencetype_from_string(rule.constData());
    if (r.freq == ICAL_NO_RECURRENCE)
        return tr("The rule \"%1\"").arg(QString::fromUtf8(rule));
    QString text = shaped(r, start);
    if (text.isEmpty()) {
        text = RuleText::describe(r, start);
        if (!text.isEmpty())
            text[0] = text[0].toUpper();
        return text;
    }
    if (!icaltime_is_null_time(r.until))
        text += untilText(r, start);
    if (r.count > 0)
        text += r.count == 1 ? tr(", once") : tr(", %1 times").arg(r.count);
    return text;
}
