#include "editing/OrganizerRows.h"

#include "controls/IconList.h"
#include "controls/ListGridOrder.h"
#include "controls/ListGridSortKey.h"
#include "editing/OrganizerColumns.h"
#include "store/DateText.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <optional>
#include <string>

namespace {

using OrganizerColumns::Column;

constexpr qint32 dateKey(int year, int month, int day)
{
    return year * 512 + month * 32 + day;
}

// The Julian day of a Gregorian date, as QDate counts it, without making a QDate for each of a million
// entries; a sort compares these with the days read from texts in other spellings.
constexpr qint64 julianDay(qint64 year, qint64 month, qint64 day)
{
    const qint64 a = (14 - month) / 12;
    const qint64 y = year + 4800 - a;
    const qint64 m = month + 12 * a - 3;
    return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

int twoDigits(std::string_view text, size_t at)
{
    const char tens = text[at];
    const char ones = text[at + 1];
    if (tens < '0' || tens > '9' || ones < '0' || ones > '9')
        return -1;
    return (tens - '0') * 10 + (ones - '0');
}

// The minute of an "hh:mm:ss AM" time, the form the program writes, read straight from its bytes; any
// other spelling is left to the general reading.
std::optional<qint64> storedFormMinute(std::string_view text)
{
    if (text.size() != 11 || text[2] != ':' || text[5] != ':' || text[8] != ' ' ||
        (text[10] != 'M' && text[10] != 'm'))
        return std::nullopt;
    const int hour = twoDigits(text, 0);
    const int minute = twoDigits(text, 3);
    const int second = twoDigits(text, 6);
    const char half = char(text[9] & ~0x20);
    if (hour < 1 || hour > 12 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        (half != 'A' && half != 'P'))
        return std::nullopt;
    return qint64((hour % 12 + (half == 'P' ? 12 : 0)) * 60 + minute);
}

} // namespace

OrganizerRows::OrganizerRows(TableSource table) : m_table(std::move(table)) {}

void OrganizerRows::reset(const ScheduleTable& table, const QDateTime& now)
{
    m_rowIds.resize(table.size());
    m_positions.resize(table.size());
    for (size_t i = 0; i < table.size(); ++i) {
        m_rowIds[i] = table.rowId(i);
        m_positions[i] = quint32(i);
    }
    m_positionsFor = table.changeCount();
    const QDate today = now.date();
    m_nowDateKey = dateKey(today.year(), today.month(), today.day());
    m_nowMinute = now.time().hour() * 60 + now.time().minute();
}

size_t OrganizerRows::positionOf(int row) const
{
    const ScheduleTable& table = m_table();
    if (row < 1 || size_t(row) > m_rowIds.size())
        return table.size();
    const size_t i = size_t(row - 1);
    const size_t guess = m_positions[i];
    if (table.changeCount() == m_positionsFor)
        return std::min(guess, table.size());
    if (guess < table.size() && table.rowId(guess) == m_rowIds[i])
        return guess;
    return table.indexOf(m_rowIds[i]);
}

bool OrganizerRows::isPast(const ScheduleTable& table, size_t position) const
{
    // An entry whose date or time cannot be read is shown as still ahead rather than greyed.
    const PackedDate date = table.date(position);
    const qint32 second = table.alarmSecond(position);
    if (!date.isValid() || second == ScheduleTable::NoTime)
        return false;
    const qint32 day = dateKey(date.year, date.month, date.day);
    return day < m_nowDateKey || (day == m_nowDateKey && second / 60 <= m_nowMinute);
}

int OrganizerRows::iconOf(const ScheduleTable& table, size_t position, int column) const
{
    if (column == Column::Status)
        return isPast(table, position) ? IconList::EntryPast : IconList::EntryAhead;
    if (column == Column::Timer) {
        const std::string_view word = table.utf8(position, ScheduleField::AlarmOnOff);
        const bool on = word.size() == 2 && (word[0] | 0x20) == 'o' && (word[1] | 0x20) == 'n';
        return on ? IconList::AlarmOn : IconList::AlarmOff;
    }
    return -1;
}

ListGridCellDetails OrganizerRows::cell(int row, int column) const
{
    ListGridCellDetails cell;
    if (column < Column::Status || column > Column::Event)
        return cell;
    const OrganizerColumns::Design& design = OrganizerColumns::design(column);
    cell.alignment = design.alignment;
    const ScheduleTable& table = m_table();
    const size_t position = positionOf(row);
    if (position >= table.size())
        return cell;
    if (column == Column::Status || column == Column::Timer)
        cell.icon = iconOf(table, position, column);
    else
        cell.text = table.text(position, design.field);
    if (column < Column::Event && isPast(table, position))
        cell.foreColor = OrganizerColumns::PastForeColor;
    return cell;
}

int OrganizerRows::firstRowDated(const QString& dateText)
{
    const ScheduleTable& table = m_table();
    refreshPositions(table);
    // A text in the "mm/dd/yyyy" form is found by its packed date among the entries stored in that form,
    // without making a text for each row; any other text is compared as it stands.
    const std::optional<QDate> date = DateText::readDate(dateText);
    const bool storedForm = date && DateText::mmddyyyy(*date) == dateText;
    const PackedDate packed = storedForm ? PackedDate::from(*date) : PackedDate();
    const QByteArray bytes = dateText.toUtf8();
    const std::string_view wanted(bytes.constData(), size_t(bytes.size()));
    for (size_t i = 0; i < m_positions.size(); ++i) {
        const size_t position = m_positions[i];
        if (position >= table.size())
            continue;
        const bool found = storedForm ? table.dateIsCanonical(position) && table.date(position) == packed
                                      : table.utf8(position, ScheduleField::Date) == wanted;
        if (found)
            return int(i + 1);
    }
    return 0;
}

void OrganizerRows::refreshPositions(const ScheduleTable& table)
{
    if (table.changeCount() == m_positionsFor)
        return;
    for (size_t i = 0; i < m_rowIds.size(); ++i)
        m_positions[i] = quint32(positionOf(int(i + 1)));
    m_positionsFor = table.changeCount();
}

std::vector<int> OrganizerRows::sortBy(int column, ListGridSortType type, ListGridSortOrder order)
{
    if (column < Column::Status || column > Column::Event)
        return {};
    const ScheduleTable& table = m_table();
    refreshPositions(table);
    const bool descending = order == ListGridSortOrder::Descending;
    const std::vector<int> sorted = type == ListGridSortType::Text
                                        ? textOrder(table, column, descending)
                                        : ListGridOrder::byKeys(numberKeys(table, column, type), descending);
    std::vector<qint64> rowIds(sorted.size());
    std::vector<quint32> positions(sorted.size());
    for (size_t i = 0; i < sorted.size(); ++i) {
        rowIds[i] = m_rowIds[size_t(sorted[i])];
        positions[i] = m_positions[size_t(sorted[i])];
    }
    m_rowIds = std::move(rowIds);
    m_positions = std::move(positions);
    return sorted;
}

// Keys that order the rows as the grid orders such cells: a picture's number, the day of a date, the
// minute of a time. Zero is a cell that reads as none, which comes first.
std::vector<quint64> OrganizerRows::numberKeys(const ScheduleTable& table, int column,
                                               ListGridSortType type) const
{
    const ScheduleField field = OrganizerColumns::design(column).field;
    const bool showsText = column != Column::Status && column != Column::Timer;
    const auto keyAt = [&](size_t position) -> quint64 {
        std::optional<qint64> key;
        if (type == ListGridSortType::Icon) {
            key = iconOf(table, position, column);
        } else if (!showsText) {
            return 0;
        } else if (type == ListGridSortType::Date) {
            const PackedDate date = table.date(position);
            if (field == ScheduleField::Date && table.dateIsCanonical(position))
                key = julianDay(date.year, date.month, date.day);
            else
                key = ListGridSortKey::day(table.text(position, field));
        } else {
            if (field == ScheduleField::AlarmTime)
                key = storedFormMinute(table.utf8(position, field));
            if (!key)
                key = ListGridSortKey::minute(table.text(position, field));
        }
        return key && *key >= -1 ? quint64(*key + 1) : 0;
    };
    // Worked out in the table's order, the order its arrays lie in memory, then handed to the rows,
    // which an earlier sort has shuffled.
    std::vector<quint64> byPosition(table.size());
    for (size_t position = 0; position < table.size(); ++position)
        byPosition[position] = keyAt(position);
    std::vector<quint64> keys(m_positions.size(), 0);
    for (size_t i = 0; i < keys.size(); ++i) {
        if (m_positions[i] < table.size())
            keys[i] = byPosition[m_positions[i]];
    }
    return keys;
}

// The rows ordered by their texts, compared as case-folded strings.
std::vector<int> OrganizerRows::textOrder(const ScheduleTable& table, int column, bool descending) const
{
    std::vector<ListGridOrder::RowText> texts;
    texts.reserve(m_positions.size());
    if (column == Column::Status || column == Column::Timer) {
        for (size_t i = 0; i < m_positions.size(); ++i)
            texts.push_back({{}, int(i)});
        return ListGridOrder::byFoldedTexts(std::move(texts), descending);
    }
    // The texts are handed over in the table's order, the order they lie in memory.
    std::vector<int> rowAt(table.size(), -1);
    for (size_t i = 0; i < m_positions.size(); ++i) {
        if (m_positions[i] < table.size())
            rowAt[m_positions[i]] = int(i);
        else
            texts.push_back({{}, int(i)});
    }
    const ScheduleField field = OrganizerColumns::design(column).field;
    // A date or time made again from its parsed value is only lent until the next one is made.
    const bool lent = field == ScheduleField::Date || field == ScheduleField::AlarmTime;
    std::vector<std::string> kept;
    kept.reserve(lent ? m_positions.size() : 0);
    for (size_t position = 0; position < table.size(); ++position) {
        if (rowAt[position] < 0)
            continue;
        std::string_view text = table.utf8(position, field);
        if (lent)
            text = kept.emplace_back(text);
        texts.push_back({text, rowAt[position]});
    }
    return ListGridOrder::byFoldedTexts(std::move(texts), descending);
}
