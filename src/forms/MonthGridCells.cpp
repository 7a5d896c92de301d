#include "forms/MonthGridCells.h"

#include "forms/ClickLabel.h"
#include "forms/DayCellAccessible.h"
#include "forms/DesignUnits.h"
#include "forms/Services.h"
#include "store/MonthLayout.h"

#include <array>

namespace {

constexpr int HiddenCellCount = 41; // the layout hides this many cells before placing the month
const std::array<const char*, 7> HeaderCaptions = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

} // namespace

DayCellDesign DayCellDesign::mainWindow()
{
    return {Design::rect(120, 1200, 420, 320),
            Design::rect(160, 945, 420, 255),
            Bgr::White,
            Bgr::Black,
            6.75,
            7.0};
}

DayCellDesign DayCellDesign::organizer()
{
    return {Design::rect(6360, 2160, 645, 420),
            Design::rect(6390, 1920, 405, 255),
            // White days on black: the marking colours read on black, as on no grey the desktop might give.
            Bgr::Black,
            Bgr::White,
            7.0,
            7.0};
}

MonthGridCells::MonthGridCells(QWidget* form, BeepService& beeper, const DayCellDesign& design)
    : QObject(form), m_form(form), m_beeper(beeper), m_design(design)
{
    DayCellAccessible::install();
    // Named before it shows a figure, so that assistive tools know it as a day from the start.
    auto* cell = new ClickLabel(form);
    cell->setObjectName(QStringLiteral("DaySlot(0)"));
    cell->setText(QStringLiteral("1"));
    cell->setGeometry(design.cell);
    cell->setOpaque(true);
    cell->setColors(design.back, design.fore);
    cell->setFont(Design::font(QStringLiteral("Tahoma"), design.designPoints));
    cell->setAlignment(Qt::AlignCenter);
    cell->hide();
    m_cells.push_back(cell);
    connect(cell, &ClickLabel::Click, this, [this] { emit Click(0); });
    connect(cell, &ClickLabel::DblClick, this, [this] { emit DblClick(0); });
    connect(cell, &ClickLabel::MouseMove, this, [this] { emit MouseMove(0); });

    ClickLabel* header = new ClickLabel(QLatin1String(HeaderCaptions[0]), form);
    header->setObjectName(QStringLiteral("labelss(0)"));
    header->setGeometry(design.header);
    header->setFont(Design::font(QStringLiteral("Tahoma"), 8.25));
    header->hide();
    m_headers.push_back(header);
}

ClickLabel* MonthGridCells::DaySlot(int index) const
{
    return index >= 0 && index < count() ? m_cells[size_t(index)] : nullptr;
}

int MonthGridCells::cellOfDay(int day) const
{
    const QString caption = QString::number(day);
    for (int i = 0; i < count(); ++i) {
        if (m_cells[size_t(i)]->isVisibleTo(m_form) && m_cells[size_t(i)]->text() == caption)
            return i;
    }
    return -1;
}

ClickLabel* MonthGridCells::labelss(int index) const
{
    return index >= 0 && index < int(m_headers.size()) ? m_headers[size_t(index)] : nullptr;
}

ClickLabel* MonthGridCells::createCell(int index)
{
    const ClickLabel* model = m_cells.front();
    auto* cell = new ClickLabel(m_form);
    cell->setObjectName(QStringLiteral("DaySlot(%1)").arg(index));
    cell->setText(model->text());
    cell->setGeometry(model->geometry());
    cell->setOpaque(true);
    cell->setColors(model->BackColor(), model->ForeColor());
    cell->setFont(model->font());
    cell->setAlignment(model->alignment());
    cell->hide();
    connect(cell, &ClickLabel::Click, this, [this, index] { emit Click(index); });
    connect(cell, &ClickLabel::DblClick, this, [this, index] { emit DblClick(index); });
    connect(cell, &ClickLabel::MouseMove, this, [this, index] { emit MouseMove(index); });
    m_cells.push_back(cell);
    return cell;
}

ClickLabel* MonthGridCells::createHeader(int index)
{
    const ClickLabel* model = m_headers.front();
    ClickLabel* header = new ClickLabel(model->text(), m_form);
    header->setObjectName(QStringLiteral("labelss(%1)").arg(index));
    header->setGeometry(model->geometry());
    header->setFont(model->font());
    header->setColors(model->BackColor(), model->ForeColor());
    header->setAlignment(model->alignment());
    m_headers.push_back(header);
    return header;
}

void MonthGridCells::SetupDays(int month, int year)
{
    for (int i = 0; i < HiddenCellCount && i < count(); ++i)
        m_cells[size_t(i)]->hide();
    m_selected = -1;

    const QRect anchor = m_cells.front()->geometry();
    const int w = anchor.width(), h = anchor.height(), x0 = anchor.left();
    int x = x0 + w, y = anchor.top();

    const MonthLayout::Layout layout = MonthLayout::layoutMonth(month, year);
    m_cells.front()->setText(QStringLiteral("1"));
    for (int i = 1; i <= layout.last; ++i) {
        if (i == 6 || i == 12)
            m_beeper.beep();
        ClickLabel* cell = i < count() ? m_cells[size_t(i)] : createCell(i);
        const MonthLayout::CellPlace& place = layout.cells[size_t(i)];
        cell->setText(place.caption);
        if (place.visible) {
            cell->show();
            cell->setToolTip(QString());
        } else {
            cell->hide();
        }
        cell->setGeometry(x, y, w, h);
        cell->setColors(m_design.back, m_design.fore);
        if (cell->font().pointSizeF() != m_design.layoutPoints || cell->font().bold()) {
            QFont font = cell->font();
            font.setPointSizeF(m_design.layoutPoints);
            font.setBold(false);
            cell->setFont(font);
        }
        x += w;
        if (i % 7 == 6) {
            y += h;
            x = x0;
        }
    }

    for (int j = 0; j < 7; ++j) {
        ClickLabel* header = j < int(m_headers.size()) ? m_headers[size_t(j)] : createHeader(j);
        const QRect cell = m_cells[size_t(j)]->geometry();
        header->setGeometry(cell.left() + Design::px(40), cell.top() - header->height(), cell.width(),
                            header->height());
        header->show();
    }
    for (int j = 0; j < 7; ++j)
        m_headers[size_t(j)]->setText(QLatin1String(HeaderCaptions[size_t(j)]));

    if (count() > 1 && m_cells[1]->text() == QLatin1String("2"))
        m_cells.front()->show();
}

MonthGrid MonthGridCells::model(int monthIndex, const QString& yearText) const
{
    MonthGrid grid;
    grid.monthIndex = monthIndex;
    grid.yearText = yearText;
    grid.cells.reserve(m_cells.size());
    for (const ClickLabel* cell : m_cells)
        grid.cells.push_back(DayCell{cell->text(), cell->isVisibleTo(m_form), cell->BackColor(),
                                     cell->ForeColor(), cell->font().bold()});
    return grid;
}

void MonthGridCells::applyMarks(const MonthGrid& grid)
{
    const size_t n = std::min(grid.cells.size(), m_cells.size());
    for (size_t i = 0; i < n; ++i) {
        ClickLabel* cell = m_cells[i];
        cell->setForeColor(grid.cells[i].foreColor);
        if (cell->font().bold() != grid.cells[i].bold) {
            QFont font = cell->font();
            font.setBold(grid.cells[i].bold);
            cell->setFont(font);
        }
        const DayCell& marked = grid.cells[i];
        if (marked.spokenName.isEmpty())
            continue;
        cell->setAccessibleName(marked.spokenName);
        QStringList states;
        if (marked.isToday)
            states << tr("today");
        if (int(i) == m_selected)
            states << tr("selected");
        cell->setAccessibleDescription(states.join(QStringLiteral(", ")));
    }
}

void MonthGridCells::paintAll(BgrColor back, BgrColor fore)
{
    for (ClickLabel* cell : m_cells)
        cell->setColors(back, fore);
}

void MonthGridCells::paintHeaders(BgrColor fore)
{
    for (ClickLabel* header : m_headers)
        header->setForeColor(fore);
}

void MonthGridCells::highlight(int index, BgrColor back, BgrColor fore, BgrColor otherBack,
                               BgrColor otherFore)
{
    m_selected = index;
    for (int i = 0; i < count(); ++i) {
        if (i == index)
            m_cells[size_t(i)]->setColors(back, fore);
        else
            m_cells[size_t(i)]->setColors(otherBack, otherFore);
    }
}
