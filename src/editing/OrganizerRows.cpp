#include "editing/OrganizerRows.h"

#include "controls/IconList.h"
#include "controls/ListGridOrder.h"
#include "controls/ListGridSortKey.h"
#include "editing/OrganizerColumns.h"
#include "store/DateText.h"
#include "store/Recurrence.h"

#include <QCoreApplication>

#include <algorithm>
#include <optional>
#include <string>

namespace {

using OrganizerColumns::Column;

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
    m_nowMinute = Recurrence::minuteKey(now);
}

std::optional<qint64> OrganizerRows::rowIdOf(int row) const
{
    if (row < 1 || size_t(row) > m_rowIds.size())
        return std::nullopt;
    return m_rowIds[size_t(row - 1)];
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
    return Recurrence::minuteKey(date, second) <= m_nowMinute;
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

QString OrganizerRows::spokenText(int row, int column) const
{
    if (column != Column::Status && column != Column::Timer)
        return {};
    const ScheduleTable& table = m_table();
    const size_t position = positionOf(row);
    if (position >= table.size())
        return {};
    switch (iconOf(table, position, column)) {
    case IconList::EntryPast:
        return QCoreApplication::translate("OrganizerRows", "past");
    case IconList::EntryAhead:
        return QCoreApplication::translate("OrganizerRows", "ahead");
    case IconList::AlarmOn:
        return QCoreApplication::translate("OrganizerRows", "alarm on");
    case IconList::AlarmOff:
        return QCoreApplication::translate("OrganizerRows", "alarm off");
    default:
        return {};
    }
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
    if (design.field == ScheduleField::Kind && m_ruleWords && table.kind(position) == ScheduleKind::Unknown) {
        const QString words = m_ruleWords(table.rowId(position));
        if (!words.isEmpty())
            cell.text = words;
    }
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

// A sort under way. Numbers: each entry's key worked out in the table's order, the order its arrays lie
// in memory, then handed to the rows, which an earlier sort has shuffled; texts: the rows' texts
// handed over in the table's order, the order they lie in memory. Then the order itself.
struct OrganizerRows::SortWork
{
    enum class Phase
    {
        KeysByPosition,
        KeysOfRows,
        RowsByPosition,
        TextsByPosition,
        Order,
        Rearrange,
        Ready
    };

    int column = 0;
    ListGridSortType type = ListGridSortType::Text;
    ListGridSortOrder order = ListGridSortOrder::Ascending;
    quint64 changeCount = 0;
    Phase phase = Phase::KeysByPosition;
    size_t at = 0;
    std::vector<quint64> byPosition;
    std::vector<quint64> keys;
    std::vector<int> rowAt;
    std::vector<ListGridOrder::RowText> texts;
    std::vector<std::string> kept;
    std::optional<ListGridOrder::Steps> steps;
    std::vector<int> result;
    std::vector<qint64> rowIds;
    std::vector<quint32> positions;

    bool same(int c, ListGridSortType t, ListGridSortOrder o) const
    {
        return c == column && t == type && o == order;
    }
};

OrganizerRows::~OrganizerRows() = default;

void OrganizerRows::beginSort(int column, ListGridSortType type, ListGridSortOrder order)
{
    m_sort = std::make_unique<SortWork>();
    m_sort->column = std::clamp(column, int(Column::Status), int(Column::Event));
    m_sort->type = type;
    m_sort->order = order;
    startSortAgain(m_table());
}

void OrganizerRows::startSortAgain(const ScheduleTable& table)
{
    refreshPositions(table);
    SortWork& work = *m_sort;
    work.changeCount = table.changeCount();
    work.phase = work.type == ListGridSortType::Text ? SortWork::Phase::RowsByPosition
                                                     : SortWork::Phase::KeysByPosition;
    work.at = 0;
    work.byPosition.clear();
    work.keys.clear();
    work.rowAt.clear();
    work.texts.clear();
    work.kept.clear();
    work.steps.reset();
    work.result.clear();
    work.rowIds.clear();
    work.positions.clear();
}

void OrganizerRows::cancelSort()
{
    m_sort.reset();
}

bool OrganizerRows::sorting() const
{
    return m_sort && m_sort->phase != SortWork::Phase::Ready;
}

bool OrganizerRows::sortReady() const
{
    return m_sort && m_sort->phase == SortWork::Phase::Ready &&
           m_sort->changeCount == m_table().changeCount();
}

bool OrganizerRows::stepSort(Deadline until)
{
    if (!m_sort)
        return true;
    const ScheduleTable& table = m_table();
    SortWork& work = *m_sort;
    // The order is of the table as it was; a write meanwhile (or another program's change taken in)
    // starts it again.
    if (table.changeCount() != work.changeCount)
        startSortAgain(table);
    ListGridOrder::StepBudget budget(until);
    const ScheduleField field = OrganizerColumns::design(work.column).field;
    const bool showsText = work.column != Column::Status && work.column != Column::Timer;
    const bool descending = work.order == ListGridSortOrder::Descending;
    for (;;) {
        switch (work.phase) {
        case SortWork::Phase::KeysByPosition:
            work.byPosition.resize(table.size());
            if (!budget.each(work.at, table.size(), [&](size_t position) {
                    work.byPosition[position] = sortKey(table, position, work.column, work.type);
                }))
                return false;
            work.keys.assign(m_positions.size(), 0);
            work.at = 0;
            work.phase = SortWork::Phase::KeysOfRows;
            break;
        case SortWork::Phase::KeysOfRows:
            if (!budget.each(work.at, m_positions.size(), [&](size_t row) {
                    if (m_positions[row] < table.size())
                        work.keys[row] = work.byPosition[m_positions[row]];
                }))
                return false;
            work.byPosition = {};
            work.steps = ListGridOrder::Steps::byKeys(std::move(work.keys), descending);
            work.phase = SortWork::Phase::Order;
            break;
        case SortWork::Phase::RowsByPosition:
            if (work.at == 0) {
                work.rowAt.assign(table.size(), -1);
                work.texts.reserve(m_positions.size());
            }
            if (!budget.each(work.at, m_positions.size(), [&](size_t row) {
                    const size_t position = m_positions[row];
                    if (position < table.size() && showsText)
                        work.rowAt[position] = int(row);
                    else
                        work.texts.push_back({{}, int(row)});
                }))
                return false;
            work.at = 0;
            work.phase = SortWork::Phase::TextsByPosition;
            break;
        case SortWork::Phase::TextsByPosition: {
            // A date or time made again from its parsed value is only lent until the next one is made.
            const bool lent = field == ScheduleField::Date || field == ScheduleField::AlarmTime;
            if (lent && work.at == 0)
                work.kept.reserve(m_positions.size());
            if (!budget.each(work.at, work.rowAt.size(), [&](size_t position) {
                    if (work.rowAt[position] < 0)
                        return;
                    std::string_view text = table.utf8(position, field);
                    if (lent)
                        text = work.kept.emplace_back(text);
                    work.texts.push_back({text, work.rowAt[position]});
                }))
                return false;
            work.rowAt = {};
            work.steps = ListGridOrder::Steps::byFoldedTexts(std::move(work.texts), descending);
            work.phase = SortWork::Phase::Order;
            break;
        }
        case SortWork::Phase::Order:
            if (!work.steps->step(until))
                return false;
            work.result = work.steps->takeOrder();
            work.steps.reset();
            work.kept = {};
            work.rowIds.reserve(work.result.size());
            work.positions.reserve(work.result.size());
            work.at = 0;
            work.phase = SortWork::Phase::Rearrange;
            break;
        case SortWork::Phase::Rearrange:
            // The rows' ids and positions in their new order, ready to be swapped in.
            if (!budget.each(work.at, work.result.size(), [&](size_t k) {
                    work.rowIds.push_back(m_rowIds[size_t(work.result[k])]);
                    work.positions.push_back(m_positions[size_t(work.result[k])]);
                }))
                return false;
            work.phase = SortWork::Phase::Ready;
            break;
        case SortWork::Phase::Ready:
            return true;
        }
    }
}

std::vector<int> OrganizerRows::sortBy(int column, ListGridSortType type, ListGridSortOrder order)
{
    if (column < Column::Status || column > Column::Event)
        return {};
    if (!sortReady() || !m_sort->same(column, type, order)) {
        beginSort(column, type, order);
        stepSort(Deadline::max());
    }
    std::vector<int> sorted = std::move(m_sort->result);
    m_rowIds = std::move(m_sort->rowIds);
    m_positions = std::move(m_sort->positions);
    m_sort.reset();
    return sorted;
}

// The key that orders an entry as the grid orders such cells: a picture's number, the day of a date,
// the minute of a time. Zero is a cell that reads as none, which comes first.
quint64 OrganizerRows::sortKey(const ScheduleTable& table, size_t position, int column,
                               ListGridSortType type) const
{
    const ScheduleField field = OrganizerColumns::design(column).field;
    std::optional<qint64> key;
    if (type == ListGridSortType::Icon) {
        key = iconOf(table, position, column);
    } else if (column == Column::Status || column == Column::Timer) {
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
}
