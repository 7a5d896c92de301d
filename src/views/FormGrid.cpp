#include "views/FormGrid.h"

#include "controls/ListGrid.h"
#include "controls/ListGridRows.h"
#include "controls/VemraButton.h"
#include "forms/AppContext.h"
#include "forms/ClickLabel.h"
#include "forms/DesignUnits.h"
#include "forms/WindowHelpers.h"
#include "forms/WindowOwner.h"
#include "settings/ColourTheme.h"
#include "store/ScheduleDatabase.h"

#include <QTimer>

namespace {

constexpr int TypeColumn = 1;
constexpr int CountdownColumn = 2;
constexpr BgrColor LightWindowBack = 0xC0C0C0;

} // namespace

// The list's rows are the upcoming entries themselves: a list of a million entries holds hundreds of
// thousands of rows, so the grid keeps nothing for them and asks for a row's texts only when it paints
// or reads it. A refresh then only sets how many rows there are and repaints the ones on the screen.
class FormGrid::Rows : public ListGridRows
{
public:
    explicit Rows(const FormGrid& form) : m_form(form) {}

    int count() const override { return int(m_form.m_upcoming.size()); }

    ListGridCellDetails cell(int row, int column) const override
    {
        ListGridCellDetails cell;
        if (column == TypeColumn) {
            cell.text = m_form.typeText(row);
            // A subject wider than the narrow column ends in "..." so that its cut shows.
            cell.alignment = ListGridAlignment::EllipsisSingleLine;
        } else if (column == CountdownColumn)
            cell.text = m_form.countdownText(row);
        return cell;
    }

    // The list keeps the table's order; its headers do not sort.
    std::vector<int> sortBy(int, ListGridSortType, ListGridSortOrder) override { return {}; }

private:
    const FormGrid& m_form;
};

FormGrid::FormGrid(AppContext& context, WindowOwner& windows)
    : DesignForm(QStringLiteral("FormGrid"), QStringLiteral("Zentravio Countdown"), Band::Normal),
      m_ctx(context), m_windows(windows)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setDesignSize(3255, 4260);
    setBackColor(0xC0C0C0);

    m_lblTitle1 = new ClickLabel(this);
    m_lblTitle1->setObjectName(QStringLiteral("lblTitle(1)"));
    m_lblTitle1->setGeometry(Design::rect(0, 0, 3255, 375));
    m_lblTitle1->setOpaque(true);
    m_lblTitle1->setBackColor(Bgr::White);

    m_vemraButton1 = new VemraButton(QStringLiteral("&Unload"), this);
    m_vemraButton1->setObjectName(QStringLiteral("VemraButton1"));
    m_vemraButton1->setAccessibleName(tr("Unload"));
    m_vemraButton1->setButtonType(ButtonType::ThinEdge);
    m_vemraButton1->setFont(Design::font(QStringLiteral("Tahoma"), 8.25));
    m_vemraButton1->setGeometry(Design::rect(2480, 60, 735, 255));
    passFocusOn(m_vemraButton1);
    connect(m_vemraButton1, &VemraButton::Click, this, &FormGrid::VemraButton1_Click);

    m_grid = new ListGrid(this);
    m_grid->setObjectName(QStringLiteral("Grid"));
    m_grid->setAccessibleName(tr("Entries still ahead"));
    m_grid->setGeometry(Design::rect(120, 600, 3015, 3255));

    m_credit = new ClickLabel(tr("Counted down to the minute."), this);
    m_credit->setObjectName(QStringLiteral("Label1"));
    m_credit->setGeometry(Design::rect(120, 3930, 3015, 255));
    m_credit->setFont(Design::font(QStringLiteral("Tahoma"), 6.75));
    m_credit->setForeColor(ColourTheme::forNumber(ColourTheme::Light)->creditFore);

    m_xTimer = new QTimer(this);
    m_xTimer->setObjectName(QStringLiteral("xTimer"));
    m_xTimer->setInterval(1000);
    connect(m_xTimer, &QTimer::timeout, this, &FormGrid::xTimer_Timer);
}

FormGrid::~FormGrid() = default;

void FormGrid::Form_Load()
{
    SetTopMost(this, true);
    const QWidget* main = m_windows.mainWindow();
    if (main) {
        setFixedHeight(main->height());
        move(x(), main->y());
    }
    InitializeGrid();
    // The list follows the main window's theme; the theme routine colours both windows.
    const bool light = !main || Design::bgr(main->palette().color(QPalette::Window)) == LightWindowBack;
    m_windows.ApplyTheme(light ? ColourTheme::Light : ColourTheme::Dark);
    m_xTimer->start();
}

void FormGrid::Form_Unload()
{
    m_xTimer->stop();
}

void FormGrid::InitializeGrid()
{
    m_grid->AddColumn(QStringLiteral("KEY1"), QStringLiteral("Type"), 0, -1, 55);
    m_grid->AddColumn(QStringLiteral("KEY3"), QStringLiteral("Countdown"), 0, -1, 122);
    m_grid->setRowSource(std::make_unique<Rows>(*this));
    m_rowsStale = true;
    InitializeEntry();
}

QString FormGrid::typeText(int row) const
{
    if (row < 1 || size_t(row) > m_upcoming.size())
        return QString();
    // Until the next refresh, a row keeps its entry even when the schedule changed in between. Asked for
    // every row painted, so it reads the table the last refresh looked at instead of looking at the file.
    const ScheduleTable& table = m_ctx.database.cachedTable();
    const size_t position = m_upcoming.positionIn(table, size_t(row - 1));
    return position < table.size() ? table.text(position, ScheduleField::Subject) : QString();
}

QString FormGrid::countdownText(int row) const
{
    if (row < 1 || size_t(row) > m_upcoming.size())
        return QString();
    return m_upcoming.countdownText(size_t(row - 1), m_ctx.clock.now());
}

void FormGrid::InitializeEntry()
{
    const bool changed = m_upcoming.refresh(m_ctx.database.table(), m_ctx.clock.now(), m_ctx.recurrences);
    if (!changed && !m_rowsStale) {
        m_grid->refreshColumn(CountdownColumn);
        return;
    }
    m_rowsStale = false;
    // The rows are exactly the entries still ahead: rows of entries that have gone by are dropped, so
    // no passed entry or frozen countdown is left at the end of the list.
    m_grid->rowCountChanged();
    m_grid->refreshColumn(TypeColumn);
    m_grid->refreshColumn(CountdownColumn);
}

void FormGrid::RebuildGrid()
{
    m_grid->Clear(true);
    InitializeGrid();
}

void FormGrid::ApplyListTheme(const ColourTheme& theme)
{
    setBackColor(theme.windowBack);
    m_lblTitle1->setBackColor(theme.titleStripBack);
    m_credit->setForeColor(theme.creditFore);
    m_grid->setHighlightBackColor(theme.highlightBack);
    m_grid->setHighlightForeColor(theme.highlightFore);
}

void FormGrid::xTimer_Timer()
{
    InitializeEntry();
}

void FormGrid::VemraButton1_Click()
{
    m_ctx.values.ListDocked = false;
    close();
}
