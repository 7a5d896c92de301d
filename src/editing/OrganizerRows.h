#pragma once

#include "controls/ListGridRows.h"
#include "store/ScheduleTable.h"

#include <QDateTime>

#include <functional>
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

    explicit OrganizerRows(TableSource table);

    void reset(const ScheduleTable& table, const QDateTime& now);

    int count() const override { return int(m_rowIds.size()); }
    ListGridCellDetails cell(int row, int column) const override;
    std::vector<int> sortBy(int column, ListGridSortType type, ListGridSortOrder order) override;

    // The row's entry's position in the table as last read; the table's size when it has left it.
    size_t positionOf(int row) const;
    // The first row whose Date text is this one; 0 when there is none.
    int firstRowDated(const QString& dateText);

private:
    bool isPast(const ScheduleTable& table, size_t position) const;
    int iconOf(const ScheduleTable& table, size_t position, int column) const;
    // Brings every row's position up to date with the table, after writes since the rows were made.
    void refreshPositions(const ScheduleTable& table);
    std::vector<quint64> numberKeys(const ScheduleTable& table, int column, ListGridSortType type) const;
    std::vector<int> textOrder(const ScheduleTable& table, int column, bool descending) const;

    TableSource m_table;
    std::vector<qint64> m_rowIds;
    std::vector<quint32> m_positions;
    quint64 m_positionsFor = 0; // the table's change count the positions were found for
    qint32 m_nowDateKey = 0;
    qint32 m_nowMinute = 0;
};
