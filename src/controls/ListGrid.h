#pragma once

#include "controls/ListGridCell.h"
#include "controls/ListGridSort.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class IconList;
class ListGridHeader;
class ListGridModel;
class ListGridRows;
class QItemSelection;
class QTableView;

// A list with column headers and rows of plain-text cells, for the schedule lists. Rows and columns
// are numbered from 1 everywhere in its interface, as the windows count them. Rows are selected whole,
// one at a time. It scrolls a list of a million rows smoothly because only the rows on screen are ever
// drawn; a column can take its texts from a function instead of from its cells, and the rows themselves
// can come from a source that holds them, so that the grid holds nothing per row.
class ListGrid : public QWidget
{
    Q_OBJECT

public:
    explicit ListGrid(QWidget* parent = nullptr);
    ~ListGrid() override;

    // Cell and header icons are positions in this list, from 0. The list is not owned.
    void setImageList(IconList* icons);
    IconList* ImageList() const;

    // Columns appear left to right in the order they are added. width is in pixels.
    void AddColumn(const QString& key, const QString& header, int alignment = ListGridAlignment::Left,
                   int icon = -1, int width = 100);
    int Columns() const;
    int ColumnWidth(int column) const;
    void setColumnWidth(int column, int width);
    QString ColumnKey(int column) const;
    void setColumnKey(int column, const QString& key);
    QString ColumnTag(int column) const;
    void setColumnTag(int column, const QString& tag);

    // Writes one cell's text, alignment and icon; its colour stays. Writing the row right after the
    // last one adds that row. Nothing else adds rows: a row further on, or a column that does not exist,
    // is not written.
    void CellDetails(int row, int column, const QString& text, int alignment, int icon = -1);
    ListGridCell Cell(int row, int column) const;
    void setCellForeColor(int row, int column, quint32 bgrColour);
    quint32 CellForeColor(int row, int column) const;
    int Rows() const;

    // Appends count rows at once, their cells empty: for columns that take their texts from a source.
    void AddEmptyRows(int count);
    // Appends `count` rows at once: `fill` writes the cells of each (row counted from 1; `cells` holds one
    // cell per column, column 1 first). The view hears of all of them in one notice, so a table of a
    // great many rows is filled without a notice for every cell.
    void AppendRows(int count,
                    const std::function<void(int row, std::vector<ListGridCellDetails>& cells)>& fill);
    // Removes that row and every row after it. A removed selection leaves no row selected.
    void RemoveRowsFrom(int row);

    // From now on the rows are the source's, which the grid keeps: its cells are asked for only when a
    // row is painted, read or sorted, and nothing is held for a row here. Null goes back to rows held
    // here; Clear() ends the source as well. While a source gives the rows, writing cells and adding or
    // removing rows does nothing.
    void setRowSource(std::unique_ptr<ListGridRows> source);
    ListGridRows* rowSource() const;
    // The source's count changed: rows are added or dropped at the end, as RemoveRowsFrom() drops them.
    void rowCountChanged();
    // Removes every row, and with columnsToo every column as well.
    void Clear(bool columnsToo);

    // 0 when no row is selected. Selecting a row shows it; setSelectedRow(0) selects none.
    int SelectedRow() const;
    void setSelectedRow(int row);

    // The selected row's colours, as 0x00BBGGRR values.
    quint32 HighlightBackColor() const { return m_highlightBack; }
    void setHighlightBackColor(quint32 bgrColour);
    quint32 HighlightForeColor() const { return m_highlightFore; }
    void setHighlightForeColor(quint32 bgrColour);

    // Sort() reorders whole rows by key 1 of the sort definition. The selected row moves with its row
    // and keeps its selection; SelectionChange is not sent for that.
    ListGridSort& SortObject() { return m_sort; }
    void Sort();

    // While a column has a source, its texts come from source(row) (row from 1) whenever a row of it is
    // painted, read through Cell() or sorted by, and its stored texts are not used. A source that reads
    // other cells of its row keeps following its row through sorts. An empty function ends it.
    void setColumnTextSource(int column, std::function<QString(int row)> source);
    // Repaints the part of the column on screen, so that its source is asked again for those rows only.
    void refreshColumn(int column);

    QTableView* view() const { return m_view; }

signals:
    void ColumnClick(int column);
    // Sent while the user drags a column's edge; a handler that sets cancel keeps the old width. The
    // handler writes through the reference, so it must be connected directly.
    void ColumnWidthChanging(int column, int width, bool& cancel);
    // Sent when another row becomes selected by a click, a key or setSelectedRow; column is the one
    // clicked or current.
    void SelectionChange(int row, int column);

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyPalette();
    void applyFontMetrics();
    void resizeColumnQuietly(int logicalIndex, int width);
    void forgetSelectionFrom(int row);
    void onSectionResized(int logicalIndex, int oldSize, int newSize);
    void onSelectionChanged();

    ListGridModel* m_model;
    QTableView* m_view;
    ListGridHeader* m_header;
    ListGridSort m_sort;
    quint32 m_highlightBack = 0x800000;
    quint32 m_highlightFore = 0xFFFFFF;
    int m_lastSelectedRow = 0;
    bool m_resizingQuietly = false;
    bool m_selectingQuietly = false;
};
