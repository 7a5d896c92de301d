#pragma once

#include "controls/ListGridCell.h"
#include "controls/ListGridRows.h"
#include "controls/ListGridSort.h"

#include <QAbstractTableModel>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class IconList;

// The rows and columns behind a list grid. Rows and columns are counted from 0 here; the grid turns
// the windows' numbers from 1 into these. A column may take its texts from a source function instead
// of its cells, asked only for the rows a view paints or a caller reads; and the rows may come from a
// source instead of being held here at all.
class ListGridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // Whether a cell's text ends in "..." when it does not fit (bool).
    static constexpr int ElideRole = Qt::UserRole + 1;

    struct Column
    {
        QString key;
        QString header;
        QString tag;
        int alignment = ListGridAlignment::Left;
        int icon = -1;
        std::function<QString(int row)> source; // row from 1
    };

    explicit ListGridModel(QObject* parent = nullptr);
    ~ListGridModel() override;

    void setIconList(IconList* icons);
    IconList* iconList() const;

    int rows() const { return m_source ? m_sourceRows : int(m_rows.size()); }
    int columns() const { return int(m_columns.size()); }

    void addColumn(Column column);
    // Null outside the columns.
    Column* column(int column);
    const Column* column(int column) const;
    void setTextSource(int column, std::function<QString(int row)> source);

    // Writes one cell. Writing the row just after the last appends that row; other rows outside the
    // grid, and columns outside it, are not written. Returns whether the cell was written.
    bool writeCell(int row, int column, const QString& text, int alignment, int icon);
    void setForeColor(int row, int column, quint32 bgrColour);
    // An empty cell outside the grid.
    ListGridCell cell(int row, int column) const;
    QString text(int row, int column) const;

    // Appends count rows of empty cells at once, for a column whose texts come from a source. Such a row
    // holds no cells of its own until one of them is written, so a list of a million rows stays small.
    void appendEmptyRows(int count);
    // Appends `count` rows whose cells `fill` writes (row counted from 0, one cell per column), with one
    // notice to the view for all of them.
    void appendRows(int count,
                    const std::function<void(int row, std::vector<ListGridCellDetails>& cells)>& fill);
    void removeRowsFrom(int row);
    void clear(bool columnsToo);

    // Reorders whole rows by one column; equal keys keep their order either way.
    void sortRows(int column, ListGridSortType type, ListGridSortOrder order);

    // From now on the rows are the source's (null goes back to rows held here, none at first).
    // The rows held until now are dropped; so is the source on clear(). While a source gives the rows,
    // cells are not written here and rows are neither appended nor removed but follow its count.
    void setRowSource(std::unique_ptr<ListGridRows> source);
    ListGridRows* rowSource() const { return m_source.get(); }
    // The source's count changed: rows are added or dropped at the end to match it.
    void sourceCountChanged();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // A view asks for every role of a cell at once when it paints it; the cell is looked up only once.
    void multiData(const QModelIndex& index, QModelRoleDataSpan roleDataSpan) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    using StoredCell = ListGridCellDetails;
    // A row appended empty holds no cells (every cell reads as an empty one) until one is written.
    using Row = std::vector<StoredCell>;

    const StoredCell* storedCell(int row, int column) const;
    // The cell as shown, its text from the column's source when it has one and withText is set (a
    // source is asked only for what is painted or read); nothing outside the grid.
    std::optional<ListGridCellDetails> shownCell(int row, int column, bool withText = true) const;
    QVariant roleData(const ListGridCellDetails& cell, int role) const;
    // The cell to write to; a row appended empty gets its cells now.
    StoredCell& writableCell(int row, int column);
    QIcon iconAt(int position) const;
    // Moves the selection and current row with their rows; the rows held here move as well.
    void applyOrder(const std::vector<int>& order);

    QPointer<IconList> m_icons;
    std::vector<Column> m_columns;
    std::vector<Row> m_rows;
    std::unique_ptr<ListGridRows> m_source;
    int m_sourceRows = 0;
};
