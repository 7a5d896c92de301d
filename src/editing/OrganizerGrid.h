#pragma once

#include "editing/OrganizerColumns.h"
#include "editing/OrganizerRows.h"
#include "store/EntryEdit.h"

#include <QDateTime>
#include <QObject>

#include <chrono>
#include <memory>
#include <optional>

class IconList;
class ListGrid;
class QFont;
class QTimer;

// The organizer's table of every entry: one row per entry in walk order, eight columns (status and
// alarm pictures, date, weekday, subject, note, alarm time, kind), past entries greyed. Each row keeps
// its entry's row id, by which the window acts on exactly that entry. A header click sorts by that column, ascending then
// descending; the columns cannot be widened or narrowed.
class OrganizerGrid : public QObject
{
    Q_OBJECT

public:
    using Column = OrganizerColumns::Column;
    using enum OrganizerColumns::Column;
    static constexpr quint32 PastForeColor = OrganizerColumns::PastForeColor;

    // Gives the grid its pictures and takes over its header clicks and column widths. The rows read
    // the table as last read from `table` whenever they are painted, so it must not look at the file.
    OrganizerGrid(ListGrid* grid, OrganizerRows::TableSource table);
    // How the rows name the rule of an entry that keeps a recurrence.
    void setRuleWords(OrganizerRows::RuleWords words) { m_ruleWords = std::move(words); }
    ~OrganizerGrid() override;

    ListGrid* grid() const { return m_grid; }
    IconList* ImgList() const { return m_icons.get(); }

    // Adds the eight columns and a row for every entry of the table.
    void SetupGrid(const ScheduleTable& table, const QDateTime& now);
    // Removes rows and columns, then sets the grid up again from the table.
    void rebuild(const ScheduleTable& table, const QDateTime& now);

    // Sorts by the column, ascending on the first click and descending on the next. A table of many
    // rows is sorted in steps between the window's events, under the wait cursor, and takes its new
    // order when the sort is done; another click meanwhile sorts by that one instead.
    void ColumnClick(int column);
    // True while a sort is being worked out in steps.
    bool sorting() const;

    // From this many rows on, a sort is worked out in steps.
    static constexpr int SortInStepsFrom = 20000;

    // The first row whose date is the "mm/dd/yyyy" text; 0 when there is none.
    int rowOfDate(const QString& dateText);
    // The row id of the row's entry; nothing for a row that is not there.
    std::optional<qint64> rowIdOf(int row) const;

    // The Day column's width: its design width, or wider where the longest weekday name needs it.
    static int dayColumnWidth(const QFont& font);
    // What a cell takes beside its text, both sides together.
    static constexpr int CellMargins = 8;

    // Whether an entry whose date and alarm time are these texts has gone by.
    static bool isPast(const QString& dateText, const QString& timeText, const QDateTime& now);

private:
    // The longest the window's thread works on a sort before it looks at its events again.
    static constexpr std::chrono::milliseconds SortStep{6};

    void stepSort();
    void endSortSteps();

    ListGrid* m_grid;
    QTimer* m_sortSteps = nullptr;
    std::unique_ptr<IconList> m_icons;
    OrganizerRows::TableSource m_table;
    OrganizerRows* m_rows = nullptr; // the grid's rows, which it keeps
    OrganizerRows::RuleWords m_ruleWords;
};
