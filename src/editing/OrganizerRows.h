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
// sorted, so a million entries cost twelve bytes a row. An entry that has left the table since shows
// as an empty row until the rows are made again. Whether an entry has gone by is judged at the time the
// rows were made, as it was when the table showed it.
class OrganizerRows : public ListGridRows
{
public:
    // The table as last read. It is asked for on every painted row, so it must not look at the file.
    using TableSource = std::function<const ScheduleTable&()>;

    using Deadline = ListGridOrder::Steps::Deadline;

    explicit OrganizerRows(TableSource table);
    // The rule in words of an entry that keeps a recurrence, shown in the Kind column in place of its
    // stored kind text; empty for the others.
    using RuleWords = std::function<QString(qint64 rowId)>;
    void setRuleWords(RuleWords words) { m_ruleWords = std::move(words); }
    ~OrganizerRows() override;

    void reset(const ScheduleTable& table, const QDateTime& now);

    int count() const override { return int(m_rowIds.size()); }
    ListGridCellDetails cell(int row, int column) const override;
    // The status and alarm pictures read as "past" or "ahead", "alarm on" or "alarm off".
    QString spokenText(int row, int column) const override;
    // Puts the rows in order: at once, or by the order a sort begun for the same column, type and order
    // has made ready, when the table has not changed since.
    std::vector<int> sortBy(int column, ListGridSortType type, ListGridSortOrder order) override;

    // Begins a sort to be worked out a step at a time, so that a million rows never hold the window's
    // thread for long; sortBy() then takes its order. A change of the table meanwhile starts it again.
    void beginSort(int column, ListGridSortType type, ListGridSortOrder order);
    // Works on the sort begun until the deadline, some rows at least; true once its order is ready.
    bool stepSort(Deadline until);
    void cancelSort();
    bool sorting() const;
    // True when the sort begun has its order ready, and the table has not changed since.
    bool sortReady() const;

    // The row's entry's position in the table as last read; the table's size when it has left it.
    size_t positionOf(int row) const;
    // The row id of the row's entry; nothing for a row that is not there.
    std::optional<qint64> rowIdOf(int row) const;
    // The first row whose Date text is this one; 0 when there is none.
    int firstRowDated(const QString& dateText);

private:
    bool isPast(const ScheduleTable& table, size_t position) const;
    int iconOf(const ScheduleTable& table, size_t position, int column) const;

    // Brings every row's position up to date with the table, after writes since the rows were made.
    void refreshPositions(const ScheduleTable& table);
    quint64 sortKey(const ScheduleTable& table, size_t position, int column, ListGridSortType type) const;
    struct SortWork;
    void startSortAgain(const ScheduleTable& table);

    TableSource m_table;
    RuleWords m_ruleWords;
    std::vector<qint64> m_rowIds;
    std::vector<quint32> m_positions;
    quint64 m_positionsFor = 0; // the table's change count the positions were found for
    qint64 m_nowMinute = 0;     // Recurrence::minuteKey of the time the rows were made
    std::unique_ptr<SortWork> m_sort;
};
