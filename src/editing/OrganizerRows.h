#pragma once

#include "controls/ListGridOrder.h"
#include "controls/ListGridRows.h"
#include "store/ScheduleTable.h"

#include <QDateTime>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The organizer's rows: one for every entry the table held when they were made, in walk order until
// sorted. A row holds its entry's row id, so it keeps its entry through sorts and through later writes;
// its texts, pictures and grey are read from the table as last read whenever the row is painted, read or
// sorted, so a million entries cost sixteen bytes a row. An entry that has left the table since shows
// as an empty row until the rows are made again. Whether an entry has gone by is judged at the time the
// rows were made, as it was when the table showed it.
//
// A long table is sorted away from the window's thread: that thread only hands over the keys of the
// rows a few milliseconds at a time (see OrganizerOrder), the rows keep their old order meanwhile, and
// they take the new one whole once it is ready. A write meanwhile starts the sort again, so that the
// order taken is always the order of the table as it is.
class OrganizerRows : public ListGridRows
{
public:
    // The table as last read. It is asked for on every painted row, so it must not look at the file.
    using TableSource = std::function<const ScheduleTable&()>;

    using Deadline = ListGridOrder::Steps::Deadline;

    explicit OrganizerRows(TableSource table);
    // The rule in words of an entry that keeps a recurrence, shown in the Kind column in place of its
    // stored kind text; empty for the others. Asked only for rows painted, read or sorted by that column.
    using RuleWords = std::function<QString(qint64 rowId)>;
    void setRuleWords(RuleWords words) { m_ruleWords = std::move(words); }
    ~OrganizerRows() override;

    void reset(const ScheduleTable& table, const QDateTime& now);

    int count() const override { return int(m_order.size()); }
    ListGridCellDetails cell(int row, int column) const override;
    // The status and alarm pictures read as "past" or "ahead", "alarm on" or "alarm off".
    QString spokenText(int row, int column) const override;
    // Puts the rows in order: at once, or by the order a sort begun for the same column, type and order
    // has made ready, when the table has not changed since.
    std::vector<int> sortBy(int column, ListGridSortType type, ListGridSortOrder order) override;

    // Begins a sort to be worked out away from the window's thread; stepSort() hands it the keys, and
    // sortBy() then takes its order. A change of the table meanwhile starts it again.
    void beginSort(int column, ListGridSortType type, ListGridSortOrder order);
    // Hands the sort begun the keys it needs until the deadline, some rows at least, and starts the
    // next round of its work on another thread; true once its order is ready.
    bool stepSort(Deadline until);
    void cancelSort();
    bool sorting() const;
    // True when the sort begun has its order ready, and the table has not changed since.
    bool sortReady() const;
    // True while the sort begun waits for its other thread, with nothing for this one to do.
    bool sortAwaitsWork() const;

    // The row's entry's position in the table as last read; the table's size when it has left it.
    size_t positionOf(int row) const;
    // The row id of the row's entry; nothing for a row that is not there.
    std::optional<qint64> rowIdOf(int row) const;
    // The first row whose Date text is this one; 0 when there is none.
    int firstRowDated(const QString& dateText);

private:
    bool isPast(const ScheduleTable& table, size_t position) const;
    int iconOf(const ScheduleTable& table, size_t position, int column) const;
    size_t positionOfSlot(const ScheduleTable& table, size_t slot) const;

    quint64 sortKey(const ScheduleTable& table, size_t position, int column, ListGridSortType type) const;
    struct SortWork;
    void startSortAgain(const ScheduleTable& table);
    void giveKey(SortWork& work, const ScheduleTable& table, quint32 slot);
    // Runs the sort's present round: on another thread, or on this one when `here` is set.
    void runRound(SortWork& work, bool here);

    TableSource m_table;
    RuleWords m_ruleWords;
    // A row's slot is its entry's place when the rows were made; the slots' ids and positions stay in
    // that order, and m_order says which slot each row shows, so that a sort only swaps m_order.
    std::vector<qint64> m_rowIds;
    std::vector<quint32> m_positions;
    std::vector<quint32> m_order;
    quint64 m_positionsFor = 0; // the table's change count the positions were found for
    qint64 m_nowMinute = 0;     // Recurrence::minuteKey of the time the rows were made
    std::unique_ptr<SortWork> m_sort;
};
