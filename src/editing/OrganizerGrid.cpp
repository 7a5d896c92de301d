#include "editing/OrganizerGrid.h"

#include "controls/IconList.h"
#include "controls/ListGrid.h"
#include "store/DateText.h"
#include "store/Recurrence.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QTimer>

namespace {

const QString Descending = QStringLiteral("DESC");

} // namespace

OrganizerGrid::OrganizerGrid(ListGrid* grid, OrganizerRows::TableSource table)
    : QObject(grid), m_grid(grid), m_icons(IconList::scheduleIcons()), m_table(std::move(table))
{
    connect(m_grid, &ListGrid::ColumnClick, this, &OrganizerGrid::ColumnClick);
    m_sortSteps = new QTimer(this);
    m_sortSteps->setObjectName(QStringLiteral("SortSteps"));
    m_sortSteps->setInterval(0);
    connect(m_sortSteps, &QTimer::timeout, this, &OrganizerGrid::stepSort);
    // The widths are part of the layout: a drag on a column edge is always refused.
    connect(
        m_grid, &ListGrid::ColumnWidthChanging, this, [](int, int, bool& cancel) { cancel = true; },
        Qt::DirectConnection);
}

// The grid may be gone already (this object is its child); it holds the pictures through a guarded
// pointer, so they may go without telling it.
OrganizerGrid::~OrganizerGrid()
{
    endSortSteps();
}

int OrganizerGrid::dayColumnWidth(const QFont& font)
{
    const QFontMetrics metrics(font);
    int widest = 0;
    // A week of days gives every weekday name in the language the days are written in.
    for (QDate day(2026, 12, 7); day < QDate(2026, 12, 14); day = day.addDays(1))
        widest = qMax(widest, metrics.horizontalAdvance(DateText::dddd(day)));
    // The cell keeps a margin of a few pixels either side of its text.
    return qMax(OrganizerColumns::design(Day).width, widest + CellMargins);
}

void OrganizerGrid::SetupGrid(const ScheduleTable& table, const QDateTime& now)
{
    m_grid->setImageList(m_icons.get());
    for (const OrganizerColumns::Design& column : OrganizerColumns::Designs) {
        const int width = &column == &OrganizerColumns::design(Day) ? dayColumnWidth(m_grid->font()) : column.width;
        m_grid->AddColumn(QLatin1String(column.key), QLatin1String(column.header), ListGridAlignment::Left,
                          -1, width);
    }
    // The grid holds nothing for a row: a million entries would otherwise be nine texts each.
    auto rows = std::make_unique<OrganizerRows>(m_table);
    rows->setRuleWords(m_ruleWords);
    rows->reset(table, now);
    m_rows = rows.get();
    m_grid->setRowSource(std::move(rows));
}

void OrganizerGrid::rebuild(const ScheduleTable& table, const QDateTime& now)
{
    endSortSteps();
    m_rows = nullptr; // the grid lets go of its rows
    m_grid->Clear(true);
    SetupGrid(table, now);
}

void OrganizerGrid::ColumnClick(int column)
{
    if (column < 1 || column > m_grid->Columns())
        return;
    ListGridSort& sort = m_grid->SortObject();
    sort.Clear();
    sort.setSortColumn(1, column);
    if (!m_grid->ColumnTag(column).isEmpty()) {
        m_grid->setColumnTag(column, QString());
        sort.setSortOrder(1, int(ListGridSortOrder::Descending));
    } else {
        m_grid->setColumnTag(column, Descending);
        sort.setSortOrder(1, int(ListGridSortOrder::Ascending));
    }
    const QString key = m_grid->ColumnKey(column);
    ListGridSortType type = ListGridSortType::Text;
    for (const OrganizerColumns::Design& design : OrganizerColumns::Designs) {
        if (key == QLatin1String(design.key))
            type = design.sortType;
    }
    sort.setSortType(1, int(type));

    const ListGridSort::Key wanted = sort.key(1);
    if (m_grid->Rows() < SortInStepsFrom || !m_rows) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        m_grid->Sort();
        QGuiApplication::restoreOverrideCursor();
        return;
    }
    // A long table is put in order a few milliseconds at a time between the window's events; the rows
    // take their new order at once when it is ready.
    if (!m_sortSteps->isActive())
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    m_rows->beginSort(wanted.column, wanted.type, wanted.order);
    m_sortSteps->start();
}

bool OrganizerGrid::sorting() const
{
    return m_sortSteps->isActive();
}

void OrganizerGrid::stepSort()
{
    if (!m_rows) {
        endSortSteps();
        return;
    }
    // The rows take their order in a step of its own, after the step that finished working it out.
    if (!m_rows->sortReady()) {
        m_rows->stepSort(std::chrono::steady_clock::now() + SortStep);
        return;
    }
    endSortSteps();
    m_grid->Sort();
}

void OrganizerGrid::endSortSteps()
{
    if (!m_sortSteps->isActive())
        return;
    m_sortSteps->stop();
    QGuiApplication::restoreOverrideCursor();
}

int OrganizerGrid::rowOfDate(const QString& dateText)
{
    return m_rows ? m_rows->firstRowDated(dateText) : 0;
}

std::optional<qint64> OrganizerGrid::rowIdOf(int row) const
{
    if (!m_rows)
        return std::nullopt;
    return m_rows->rowIdOf(row);
}

bool OrganizerGrid::isPast(const QString& dateText, const QString& timeText, const QDateTime& now)
{
    const std::optional<QDate> date = DateText::readDate(dateText);
    const std::optional<QTime> time = DateText::readTime(timeText);
    return date && time && Recurrence::IsPast(*date, *time, now);
}
