#include "editing/OrganizerRows.h"

#include "controls/IconList.h"
#include "controls/ListGridOrder.h"
#include "controls/ListGridSortKey.h"
#include "editing/OrganizerColumns.h"
#include "editing/OrganizerOrder.h"
#include "store/DateText.h"
#include "store/Recurrence.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <numeric>
#include <optional>
#include <string>
#include <unordered_map>

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
    cancelSort();
    m_rowIds.resize(table.size());
    m_positions.resize(table.size());
    m_order.resize(table.size());
    for (size_t i = 0; i < table.size(); ++i)
        m_rowIds[i] = table.rowId(i);
    std::iota(m_positions.begin(), m_positions.end(), 0);
    std::iota(m_order.begin(), m_order.end(), 0);
    m_positionsFor = table.changeCount();
    m_nowMinute = Recurrence::minuteKey(now);
}

std::optional<qint64> OrganizerRows::rowIdOf(int row) const
{
    if (row < 1 || size_t(row) > m_order.size())
        return std::nullopt;
    return m_rowIds[m_order[size_t(row - 1)]];
}

size_t OrganizerRows::positionOf(int row) const
{
    const ScheduleTable& table = m_table();
    if (row < 1 || size_t(row) > m_order.size())
        return table.size();
    return positionOfSlot(table, m_order[size_t(row - 1)]);
}

size_t OrganizerRows::positionOfSlot(const ScheduleTable& table, size_t slot) const
{
    const size_t guess = m_positions[slot];
    if (table.changeCount() == m_positionsFor)
        return std::min(guess, table.size());
    if (guess < table.size() && table.rowId(guess) == m_rowIds[slot])
        return guess;
    return table.indexOf(m_rowIds[slot]);
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
    // After writes since the rows were made, every slot's position is found once, not on every click.
    if (table.changeCount() != m_positionsFor) {
        for (size_t slot = 0; slot < m_positions.size(); ++slot)
            m_positions[slot] = quint32(positionOfSlot(table, slot));
        m_positionsFor = table.changeCount();
    }
    // A text in the "mm/dd/yyyy" form is found by its packed date among the entries stored in that form,
    // without making a text for each row; any other text is compared as it stands.
    const std::optional<QDate> date = DateText::readDate(dateText);
    const bool storedForm = date && DateText::mmddyyyy(*date) == dateText;
    const PackedDate packed = storedForm ? PackedDate::from(*date) : PackedDate();
    const QByteArray bytes = dateText.toUtf8();
    const std::string_view wanted(bytes.constData(), size_t(bytes.size()));
    for (size_t i = 0; i < m_order.size(); ++i) {
        const size_t position = positionOfSlot(table, m_order[i]);
        if (position >= table.size())
            continue;
        const bool found = storedForm ? table.dateIsCanonical(position) && table.date(position) == packed
                                      : table.utf8(position, ScheduleField::Date) == wanted;
        if (found)
            return int(i + 1);
    }
    return 0;
}

// A sort under way. First the slots' positions are brought up to date with the table, where it changed
// since the rows were made; then each round the keys are handed over a step at a time and the round is
// worked out on another thread, which owns the job while it works and lets go of it when done.
struct OrganizerRows::SortWork
{
    enum class Phase
    {
        Positions,
        Keys,
        Working,
        Ready
    };

    struct Job
    {
        Job(size_t count, bool byText, bool descending) : order(count, byText, descending)
        {
        }
        OrganizerOrder order;
        std::atomic<bool> working{false};
        std::atomic<bool> cancelled{false};
    };

    int column = 0;
    ListGridSortType type = ListGridSortType::Text;
    ListGridSortOrder order = ListGridSortOrder::Ascending;
    quint64 changeCount = 0;
    Phase phase = Phase::Positions;
    size_t at = 0;
    std::shared_ptr<Job> job;
    // The folded texts of the rows whose texts are not plain ASCII or are a rule in words, made once in
    // the first round rather than again in every round: each slot (ascending, as the first round goes)
    // with the place of its text among the different texts, which are few when they are rules in words.
    std::vector<std::pair<quint32, quint32>> foldedOf;
    std::vector<std::string> folded;
    std::unordered_map<std::string, quint32> foldedPlaces;

    const std::string* foldedText(quint32 slot) const
    {
        const auto found = std::lower_bound(foldedOf.begin(), foldedOf.end(), std::make_pair(slot, quint32(0)));
        return found != foldedOf.end() && found->first == slot ? &folded[found->second] : nullptr;
    }

    void keepFolded(quint32 slot, std::string text)
    {
        const auto [place, added] = foldedPlaces.try_emplace(std::move(text), quint32(folded.size()));
        if (added)
            folded.push_back(place->first);
        foldedOf.emplace_back(slot, place->second);
    }
    std::vector<int> moves;
    std::vector<quint32> newOrder;

    bool same(int c, ListGridSortType t, ListGridSortOrder o) const
    {
        return c == column && t == type && o == order;
    }

    void dropJob()
    {
        if (job)
            job->cancelled = true;
        job.reset();
    }
};

OrganizerRows::~OrganizerRows()
{
    cancelSort();
}

void OrganizerRows::beginSort(int column, ListGridSortType type, ListGridSortOrder order)
{
    cancelSort();
    m_sort = std::make_unique<SortWork>();
    m_sort->column = std::clamp(column, int(Column::Status), int(Column::Event));
    m_sort->type = type;
    m_sort->order = order;
    startSortAgain(m_table());
}

void OrganizerRows::startSortAgain(const ScheduleTable& table)
{
    SortWork& work = *m_sort;
    work.dropJob();
    work.changeCount = table.changeCount();
    work.phase = table.changeCount() == m_positionsFor ? SortWork::Phase::Keys : SortWork::Phase::Positions;
    work.at = 0;
    work.foldedOf.clear();
    work.folded.clear();
    work.foldedPlaces.clear();
    work.moves.clear();
    work.newOrder.clear();
    const bool byText = work.type == ListGridSortType::Text;
    work.job = std::make_shared<SortWork::Job>(m_order.size(), byText, work.order == ListGridSortOrder::Descending);
}

void OrganizerRows::cancelSort()
{
    if (m_sort)
        m_sort->dropJob();
    m_sort.reset();
}

bool OrganizerRows::sorting() const
{
    return m_sort && m_sort->phase != SortWork::Phase::Ready;
}

bool OrganizerRows::sortReady() const
{
    return m_sort && m_sort->phase == SortWork::Phase::Ready && m_sort->changeCount == m_table().changeCount();
}

bool OrganizerRows::sortAwaitsWork() const
{
    return m_sort && m_sort->phase == SortWork::Phase::Working && m_sort->job &&
           m_sort->job->working.load(std::memory_order_acquire);
}

void OrganizerRows::giveKey(SortWork& work, const ScheduleTable& table, quint32 slot)
{
    OrganizerOrder& order = work.job->order;
    const size_t position = positionOfSlot(table, slot);
    if (work.type != ListGridSortType::Text) {
        order.setKey(slot, position < table.size() ? sortKey(table, position, work.column, work.type) : 0);
        return;
    }
    const size_t offset = order.offset();
    if (!order.everySlotNeeded() && !work.foldedOf.empty()) {
        if (const std::string* kept = work.foldedText(slot)) {
            order.setKey(slot, OrganizerOrder::chunk(*kept, offset));
            return;
        }
    }
    const bool showsText = work.column != Column::Status && work.column != Column::Timer;
    if (position >= table.size() || !showsText) {
        order.setKey(slot, OrganizerOrder::Chunk());
        return;
    }
    const ScheduleField field = OrganizerColumns::design(work.column).field;
    std::string_view text = table.utf8(position, field);
    QString words;
    if (field == ScheduleField::Kind && m_ruleWords && table.kind(position) == ScheduleKind::Unknown)
        words = m_ruleWords(table.rowId(position));
    const bool ascii = words.isEmpty() && std::all_of(text.begin(), text.end(), [](char c) { return quint8(c) < 0x80; });
    if (ascii) {
        order.setKey(slot, OrganizerOrder::asciiChunk(text, offset));
        return;
    }
    // The rest: the folded text made once and kept while the sort needs it.
    const QString shown = words.isEmpty() ? QString::fromUtf8(text.data(), qsizetype(text.size())) : words;
    const QByteArray bytes = shown.toCaseFolded().toUtf8();
    const std::string_view folded(bytes.constData(), size_t(bytes.size()));
    order.setKey(slot, OrganizerOrder::chunk(folded, offset));
    if (order.chunk(folded, offset).more)
        work.keepFolded(slot, std::string(folded));
}

void OrganizerRows::runRound(SortWork& work, bool here)
{
    std::shared_ptr<SortWork::Job> job = work.job;
    work.phase = SortWork::Phase::Working;
    if (here) {
        job->order.runRound(job->cancelled);
        return;
    }
    job->working.store(true, std::memory_order_release);
    QThreadPool::globalInstance()->start([job] {
        job->order.runRound(job->cancelled);
        job->working.store(false, std::memory_order_release);
    });
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
    const bool here = until == Deadline::max();
    // A step reads the clock every thousand rows or so; a row's key is a few reads of the table.
    ListGridOrder::StepBudget budget(until, 1024);
    for (;;) {
        switch (work.phase) {
        case SortWork::Phase::Positions:
            if (!budget.each(work.at, m_positions.size(),
                             [&](size_t slot) { m_positions[slot] = quint32(positionOfSlot(table, slot)); }))
                return false;
            m_positionsFor = table.changeCount();
            work.at = 0;
            work.phase = SortWork::Phase::Keys;
            break;
        case SortWork::Phase::Keys: {
            OrganizerOrder& order = work.job->order;
            if (order.everySlotNeeded()) {
                // The rows' present order is handed over beside the keys, a step at a time too.
                if (!budget.each(work.at, m_positions.size(), [&](size_t slot) {
                        order.setRowSlot(slot, m_order[slot]);
                        giveKey(work, table, quint32(slot));
                    }))
                    return false;
            } else {
                const std::vector<quint32>& needed = order.needed();
                if (!budget.each(work.at, needed.size(), [&](size_t k) { giveKey(work, table, needed[k]); }))
                    return false;
            }
            work.at = 0;
            runRound(work, here);
            break;
        }
        case SortWork::Phase::Working: {
            const std::shared_ptr<SortWork::Job>& job = work.job;
            if (job->working.load(std::memory_order_acquire))
                return false;
            if (!job->order.done()) {
                work.phase = SortWork::Phase::Keys;
                break;
            }
            work.newOrder = job->order.takeSlots();
            work.moves = job->order.takeMoves();
            work.job.reset();
            work.foldedOf = {};
            work.folded = {};
            work.foldedPlaces = {};
            work.phase = SortWork::Phase::Ready;
            break;
        }
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
    std::vector<int> moves = std::move(m_sort->moves);
    m_order = std::move(m_sort->newOrder);
    m_sort.reset();
    return moves;
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
