#include "store/DayMarking.h"

#include "store/DateText.h"
#include "store/Recurrence.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <map>

namespace DayMarking {

void MarkDays(const ScheduleTable& table, MonthGrid& grid, GridTag tag, const QDateTime& now,
              const KeptRecurrences* kept)
{
    // Each cell's date is read once from its month, caption and year; entries are then matched against
    // the shown month by their parsed dates instead of formatting texts per cell.
    std::array<std::vector<size_t>, 32> cellsOfDay;
    int shownMonth = 0, shownYear = 0;
    for (size_t j = 0; j < grid.cells.size(); ++j) {
        const std::optional<QDate> date = DateText::readDate(
            DateText::cellDateText(grid.monthIndex + 1, grid.cells[j].caption, grid.yearText));
        if (!date)
            continue;
        cellsOfDay[size_t(date->day())].push_back(j);
        shownMonth = date->month();
        shownYear = date->year();
    }
    if (shownMonth == 0)
        return;

    const bool organizer = tag == GridTag::FormOrganizer;
    std::array<bool, 32> settled{};
    size_t daysSettled = 0;
    auto mark = [&](int day, BgrColor colour) {
        settled[size_t(day)] = true;
        // A day the month does not have (a monthly entry on the 31st) settles no cell.
        if (!cellsOfDay[size_t(day)].empty())
            ++daysSettled;
        for (size_t j : cellsOfDay[size_t(day)]) {
            grid.cells[j].foreColor = colour;
            if (organizer)
                grid.cells[j].bold = true;
        }
    };

    // One comparison per entry finds the few that can fall in the shown month; only those are looked at.
    // A cell takes the colour of the last entry in walk order that marks it, so the walk goes backwards
    // and a day is settled by the first entry found for it; it stops once every shown day is settled,
    // which in a long diary full of recurring entries is long before its start.
    const qint32 oneTimeKey = ScheduleTable::oneTimeMarkKey(shownYear, shownMonth);
    const qint32 yearlyKey = shownMonth;
    const qint32* keys = table.markKeys();
    const auto daysShown =
        size_t(std::count_if(cellsOfDay.begin(), cellsOfDay.end(),
                             [](const std::vector<size_t>& cells) { return !cells.empty(); }));
    for (size_t i = table.size(); i-- > 0 && daysSettled < daysShown;) {
        const qint32 key = keys[i];
        if (key != oneTimeKey && key != yearlyKey && key != ScheduleTable::MonthlyMarkKey)
            continue;
        const PackedDate stored = table.date(i);
        if (settled[stored.day])
            continue;
        if (key == ScheduleTable::MonthlyMarkKey || key == yearlyKey) {
            mark(stored.day, Bgr::RecurringBlue);
        } else if (organizer) {
            mark(stored.day, Bgr::OneTimeGreen);
        } else {
            const qint32 second = table.alarmSecond(i);
            if (second == ScheduleTable::NoTime)
                continue; // an entry without a readable time cannot be told past or not
            const bool past =
                Recurrence::IsPast(stored.toDate(), QTime::fromMSecsSinceStartOfDay(second * 1000), now);
            mark(stored.day, past ? Bgr::PastOrange : Bgr::OneTimeGreen);
        }
    }

    if (!kept)
        return;
    const QDate monthStart(shownYear, shownMonth, 1);
    const QDate monthEnd = monthStart.addMonths(1).addDays(-1);
    for (const KeptRecurrences::Occurring& o : kept->onDays(monthStart, monthEnd)) {
        for (QDate d = std::max(o.firstDay, monthStart); d <= std::min(o.lastDay, monthEnd); d = d.addDays(1)) {
            if (!settled[size_t(d.day())])
                mark(d.day(), Bgr::RecurringBlue);
        }
    }
}

void MarkToday(MonthGrid& grid, GridTag tag, QDate today)
{
    bool yearOk = false;
    const int year = grid.yearText.toInt(&yearOk);
    if (!yearOk || year != today.year() || grid.monthIndex + 1 != today.month())
        return;
    const QString day = QString::number(today.day());
    for (DayCell& cell : grid.cells) {
        if (cell.caption != day)
            continue;
        cell.foreColor = Bgr::Red;
        if (tag == GridTag::FormOrganizer)
            cell.bold = true;
    }
}

QString DayHint::shownSubject(const QString& subject)
{
    qsizetype length = subject.size();
    const bool cut = length > MaxSubjectLength;
    if (cut) {
        length = MaxSubjectLength;
        // A character outside the basic plane takes two units; it is left out whole rather than halved.
        if (subject.at(length - 1).isHighSurrogate())
            --length;
    }
    QString shown = subject.left(length);
    for (QChar& c : shown) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line ||
            category == QChar::Separator_Paragraph)
            c = u' ';
    }
    if (cut)
        shown += u'\u2026';
    return shown;
}

QString DayHint::text() const
{
    QString line =
        QString::number(count) + QStringLiteral(" Entries: ") + subjects.join(QStringLiteral(", "));
    if (more() > 0)
        line += QStringLiteral(", and %1 more").arg(more());
    return line;
}

DayHint dayHint(const ScheduleTable& table, const QString& dateText, const KeptRecurrences* kept)
{
    DayHint hint;
    auto add = [&](size_t i) {
        // An entry that keeps a recurrence is named by its occurrences instead.
        if (kept && kept->keeps(table.rowId(i)))
            return;
        if (hint.subjects.size() < DayHint::MaxSubjects)
            hint.subjects << DayHint::shownSubject(table.text(i, ScheduleField::Subject));
        ++hint.count;
    };

    // When the date text is itself in the stored form, the entries stored in that form on that date are
    // looked up; any other text is compared as it is.
    const std::optional<QDate> date = DateText::readDate(dateText);
    if (date && DateText::mmddyyyy(*date) == dateText) {
        for (size_t i : table.storedOn(PackedDate::from(*date)))
            add(i);
    } else {
        const QByteArray wanted = dateText.toUtf8();
        const std::string_view wantedView(wanted.constData(), size_t(wanted.size()));
        for (size_t i = 0; i < table.size(); ++i) {
            if (!table.isNull(i, ScheduleField::Date) && table.utf8(i, ScheduleField::Date) == wantedView)
                add(i);
        }
    }
    if (kept && date) {
        const QLocale english(QLocale::English);
        for (const KeptRecurrences::Occurring& o : kept->onDays(*date, *date)) {
            if (hint.subjects.size() < DayHint::MaxSubjects) {
                // One that began on an earlier day says so by its date.
                const QString when = o.start.date() == *date
                                         ? english.toString(o.start.time(), QStringLiteral("h:mm AP"))
                                         : english.toString(o.start, QStringLiteral("d MMM h:mm AP"));
                hint.subjects << DayHint::shownSubject(when + u' ' + o.subject);
            }
            ++hint.count;
        }
    }
    return hint;
}

namespace {

// "Saturday, 7 March 2026, 2 entries": the day in the long form and how many entries fall on it, of which
// `occurring` are occurrences of entries that keep a recurrence.
QString spokenDay(const ScheduleTable& table, QDate date, const KeptRecurrences* kept, size_t occurring)
{
    size_t entries = occurring;
    for (size_t i : table.storedOn(PackedDate::from(date)))
        entries += kept && kept->keeps(table.rowId(i)) ? 0 : 1;
    const QString count = entries == 0   ? QStringLiteral("no entries")
                          : entries == 1 ? QStringLiteral("1 entry")
                                         : QStringLiteral("%1 entries").arg(entries);
    return DateText::namedFormat(date, DateText::LongDate) + QStringLiteral(", ") + count;
}

} // namespace

void DescribeDays(const ScheduleTable& table, MonthGrid& grid, QDate today, const KeptRecurrences* kept)
{
    std::vector<std::optional<QDate>> dates;
    dates.reserve(grid.cells.size());
    QDate first;
    QDate last;
    for (const DayCell& cell : grid.cells) {
        dates.push_back(cell.visible ? DateText::readDate(DateText::cellDateText(grid.monthIndex + 1, cell.caption,
                                                                                 grid.yearText))
                                     : std::nullopt);
        if (const std::optional<QDate>& date = dates.back()) {
            first = first.isValid() ? std::min(first, *date) : *date;
            last = last.isValid() ? std::max(last, *date) : *date;
        }
    }
    // The recurrences are asked once for the whole grid, not once a day: each asking walks every rule.
    std::map<QDate, size_t> occurring;
    if (kept && first.isValid()) {
        for (const KeptRecurrences::Occurring& o : kept->onDays(first, last)) {
            for (QDate d = std::max(o.firstDay, first); d <= std::min(o.lastDay, last); d = d.addDays(1))
                ++occurring[d];
        }
    }
    for (size_t c = 0; c < grid.cells.size(); ++c) {
        DayCell& cell = grid.cells[c];
        const std::optional<QDate>& date = dates[c];
        if (!date) {
            cell.spokenName.clear();
            cell.isToday = false;
            continue;
        }
        const auto found = occurring.find(*date);
        cell.spokenName = spokenDay(table, *date, kept, found == occurring.end() ? 0 : found->second);
        cell.isToday = *date == today;
    }
}

QString SpokenDay(const ScheduleTable& table, QDate date, const KeptRecurrences* kept)
{
    return spokenDay(table, date, kept, kept ? kept->onDays(date, date).size() : 0);
}

QString DaySummary(const ScheduleTable& table, const QString& dateText, const KeptRecurrences* kept)
{
    return dayHint(table, dateText, kept).text();
}

} // namespace DayMarking
