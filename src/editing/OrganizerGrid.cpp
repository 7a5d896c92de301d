#include "editing/OrganizerGrid.h"

#include "controls/IconList.h"
#include "controls/ListGrid.h"
#include "store/DateText.h"
#include "store/Recurrence.h"

#include <QGuiApplication>

#include <array>

namespace {

struct ColumnDesign
{
    const char* key;
    const char* header;
    int width;
    int alignment;
    ListGridSortType sortType;
};

constexpr std::array<ColumnDesign, 8> Columns = {{
    {"KEY1", "Status", 45, ListGridAlignment::EllipsisSingleLine, ListGridSortType::Icon},
    {"KEY2", "Timer", 45, ListGridAlignment::EllipsisSingleLine, ListGridSortType::Icon},
    {"KEY3", "Date", 85, ListGridAlignment::Left, ListGridSortType::Date},
    {"KEY4", "Day", 50, ListGridAlignment::Left, ListGridSortType::Text},
    {"KEY5", "Subject", 80, ListGridAlignment::Centre, ListGridSortType::Text},
    {"KEY6", "Note", 200, ListGridAlignment::Left, ListGridSortType::Text},
    {"KEY7", "Alarm Time", 70, ListGridAlignment::Left, ListGridSortType::DateMinute},
    {"KEY8", "Schedule Event", 100, ListGridAlignment::Centre, ListGridSortType::Text},
}};

constexpr std::array<ScheduleField, 6> TextFields = {ScheduleField::Date,      ScheduleField::Day,
                                                     ScheduleField::Type,      ScheduleField::Note,
                                                     ScheduleField::AlarmTime, ScheduleField::SchedType};

const QString Descending = QStringLiteral("DESC");

} // namespace

OrganizerGrid::OrganizerGrid(ListGrid* grid) : QObject(grid), m_grid(grid), m_icons(IconList::scheduleIcons())
{
    connect(m_grid, &ListGrid::ColumnClick, this, &OrganizerGrid::ColumnClick);
    // The widths are part of the layout: a drag on a column edge is always refused.
    connect(
        m_grid, &ListGrid::ColumnWidthChanging, this, [](int, int, bool& cancel) { cancel = true; },
        Qt::DirectConnection);
}

// The grid may be gone already (this object is its child); it holds the pictures through a guarded
// pointer, so they may go without telling it.
OrganizerGrid::~OrganizerGrid() = default;

void OrganizerGrid::SetupGrid(const ScheduleTable& table, const QDateTime& now)
{
    m_grid->setImageList(m_icons.get());
    for (const ColumnDesign& column : Columns)
        m_grid->AddColumn(QLatin1String(column.key), QLatin1String(column.header), ListGridAlignment::Left,
                          -1, column.width);

    // All rows in one step: a notice to the view for every cell would cost more than the cells.
    m_grid->AppendRows(int(table.size()), [&](int row, std::vector<ListGridCellDetails>& cells) {
        const size_t i = size_t(row - 1);
        const auto cell = [&cells](int column) -> ListGridCellDetails& { return cells[size_t(column - 1)]; };
        const bool alarmOn =
            table.text(i, ScheduleField::AlarmOnOff).compare(QLatin1String("on"), Qt::CaseInsensitive) == 0;
        cell(Timer) = {QString(), alarmOn ? IconList::AlarmOn : IconList::AlarmOff,
                       ListGridAlignment::EllipsisSingleLine};
        for (size_t f = 0; f < TextFields.size(); ++f) {
            const int column = Date + int(f);
            cell(column) = {table.text(i, TextFields[f]), -1, Columns[size_t(column - 1)].alignment};
        }
        const PackedDate date = table.date(i);
        const qint32 second = table.alarmSecond(i);
        // An entry whose date or time cannot be read is shown as still ahead rather than greyed.
        const bool past =
            date.isValid() && second != ScheduleTable::NoTime &&
            Recurrence::IsPast(date.toDate(), QTime::fromMSecsSinceStartOfDay(second * 1000), now);
        cell(Status) = {QString(), past ? IconList::EntryPast : IconList::EntryAhead,
                        ListGridAlignment::EllipsisSingleLine};
        if (past) {
            for (int column = Status; column < Event; ++column)
                cell(column).foreColor = PastForeColor;
        }
    });
}

void OrganizerGrid::rebuild(const ScheduleTable& table, const QDateTime& now)
{
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
    for (const ColumnDesign& design : Columns) {
        if (key == QLatin1String(design.key))
            type = design.sortType;
    }
    sort.setSortType(1, int(type));

    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    m_grid->Sort();
    QGuiApplication::restoreOverrideCursor();
}

int OrganizerGrid::rowOfDate(const QString& dateText) const
{
    const int rows = m_grid->Rows();
    for (int row = 1; row <= rows; ++row) {
        if (m_grid->Cell(row, Date).Text == dateText)
            return row;
    }
    return 0;
}

EntryTexts OrganizerGrid::rowTexts(int row) const
{
    return EntryTexts{m_grid->Cell(row, Date).Text, m_grid->Cell(row, Event).Text,
                      m_grid->Cell(row, Subject).Text, m_grid->Cell(row, Note).Text,
                      m_grid->Cell(row, AlarmTime).Text};
}

bool OrganizerGrid::isPast(const QString& dateText, const QString& timeText, const QDateTime& now)
{
    const std::optional<QDate> date = DateText::readDate(dateText);
    const std::optional<QTime> time = DateText::readTime(timeText);
    return date && time && Recurrence::IsPast(*date, *time, now);
}
