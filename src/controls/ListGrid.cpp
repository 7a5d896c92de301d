#include "controls/ListGrid.h"

#include "controls/ButtonColor.h"
#include "controls/IconList.h"
#include "controls/ListGridDelegate.h"
#include "controls/ListGridHeader.h"
#include "controls/ListGridModel.h"

#include <QEvent>
#include <QTableView>
#include <QVBoxLayout>

namespace {

constexpr int IconSide = 16;

QFont gridFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Nimbus Sans")});
    font.setPointSizeF(8.25);
    return font;
}

} // namespace

ListGrid::ListGrid(QWidget* parent)
    : QWidget(parent), m_model(new ListGridModel(this)), m_view(new QTableView(this)),
      m_header(new ListGridHeader(m_view))
{
    m_view->setObjectName(QStringLiteral("ListGridView"));
    m_view->setHorizontalHeader(m_header);
    m_view->setModel(m_model);
    m_view->setItemDelegate(new ListGridDelegate(m_view));
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setMinimumSectionSize(1);
    m_header->setSectionResizeMode(QHeaderView::Interactive);
    m_header->setMinimumSectionSize(8);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_view->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    m_view->setTextElideMode(Qt::ElideNone);
    m_view->setWordWrap(false);
    m_view->setShowGrid(true);
    m_view->setGridStyle(Qt::SolidLine);
    m_view->setTabKeyNavigation(false);
    m_view->setCornerButtonEnabled(false);
    m_view->setIconSize(QSize(IconSide, IconSide));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    setFocusProxy(m_view);
    setFont(gridFont());
    applyFontMetrics();
    applyPalette();

    connect(m_header, &QHeaderView::sectionClicked, this,
            [this](int logicalIndex) { emit ColumnClick(logicalIndex + 1); });
    connect(m_header, &QHeaderView::sectionResized, this, &ListGrid::onSectionResized);
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ListGrid::onSelectionChanged);
    connect(this, &QObject::objectNameChanged, m_view, &QWidget::setAccessibleName);
}

ListGrid::~ListGrid() = default;

void ListGrid::setImageList(IconList* icons)
{
    m_model->setIconList(icons);
}

IconList* ListGrid::ImageList() const
{
    return m_model->iconList();
}

void ListGrid::AddColumn(const QString& key, const QString& header, int alignment, int icon, int width)
{
    ListGridModel::Column column;
    column.key = key;
    column.header = header;
    column.alignment = alignment;
    column.icon = icon;
    m_resizingQuietly = true;
    m_model->addColumn(std::move(column));
    m_resizingQuietly = false;
    resizeColumnQuietly(Columns() - 1, width);
}

int ListGrid::Columns() const
{
    return m_model->columns();
}

int ListGrid::ColumnWidth(int column) const
{
    return m_model->column(column - 1) ? m_header->sectionSize(column - 1) : 0;
}

void ListGrid::setColumnWidth(int column, int width)
{
    if (m_model->column(column - 1))
        resizeColumnQuietly(column - 1, width);
}

QString ListGrid::ColumnKey(int column) const
{
    const ListGridModel::Column* found = m_model->column(column - 1);
    return found ? found->key : QString();
}

void ListGrid::setColumnKey(int column, const QString& key)
{
    if (ListGridModel::Column* found = m_model->column(column - 1))
        found->key = key;
}

QString ListGrid::ColumnTag(int column) const
{
    const ListGridModel::Column* found = m_model->column(column - 1);
    return found ? found->tag : QString();
}

void ListGrid::setColumnTag(int column, const QString& tag)
{
    if (ListGridModel::Column* found = m_model->column(column - 1))
        found->tag = tag;
}

void ListGrid::CellDetails(int row, int column, const QString& text, int alignment, int icon)
{
    m_model->writeCell(row - 1, column - 1, text, alignment, icon);
}

ListGridCell ListGrid::Cell(int row, int column) const
{
    return m_model->cell(row - 1, column - 1);
}

void ListGrid::setCellForeColor(int row, int column, quint32 bgrColour)
{
    m_model->setForeColor(row - 1, column - 1, bgrColour);
}

quint32 ListGrid::CellForeColor(int row, int column) const
{
    return m_model->cell(row - 1, column - 1).ForeColor;
}

int ListGrid::Rows() const
{
    return m_model->rows();
}

void ListGrid::AddEmptyRows(int count)
{
    m_model->appendEmptyRows(count);
}

void ListGrid::AppendRows(int count,
                          const std::function<void(int row, std::vector<ListGridCellDetails>& cells)>& fill)
{
    m_model->appendRows(count,
                        [&fill](int row, std::vector<ListGridCellDetails>& cells) { fill(row + 1, cells); });
}

void ListGrid::RemoveRowsFrom(int row)
{
    if (row < 1 || row > Rows())
        return;
    forgetSelectionFrom(row);
    m_model->removeRowsFrom(row - 1);
}

// The view would otherwise hand the selection to the row before the removed ones.
void ListGrid::forgetSelectionFrom(int row)
{
    QItemSelectionModel* selection = m_view->selectionModel();
    if (SelectedRow() >= row || selection->currentIndex().row() >= row - 1) {
        m_selectingQuietly = true;
        selection->clear();
        m_selectingQuietly = false;
        m_lastSelectedRow = 0;
    }
}

void ListGrid::setRowSource(std::unique_ptr<ListGridRows> source)
{
    m_selectingQuietly = true;
    m_model->setRowSource(std::move(source));
    m_selectingQuietly = false;
    m_lastSelectedRow = 0;
}

ListGridRows* ListGrid::rowSource() const
{
    return m_model->rowSource();
}

void ListGrid::rowCountChanged()
{
    ListGridRows* source = m_model->rowSource();
    if (!source)
        return;
    const int count = source->count();
    if (count < Rows())
        forgetSelectionFrom(count + 1);
    m_model->sourceCountChanged();
}

void ListGrid::Clear(bool columnsToo)
{
    m_selectingQuietly = true;
    m_resizingQuietly = true;
    m_model->clear(columnsToo);
    m_resizingQuietly = false;
    m_selectingQuietly = false;
    m_lastSelectedRow = 0;
}

int ListGrid::SelectedRow() const
{
    const QItemSelection selection = m_view->selectionModel()->selection();
    return selection.isEmpty() ? 0 : selection.first().top() + 1;
}

void ListGrid::setSelectedRow(int row)
{
    if (row < 0 || row > Rows())
        return;
    QItemSelectionModel* selection = m_view->selectionModel();
    if (row == 0) {
        m_selectingQuietly = true;
        selection->clear();
        m_selectingQuietly = false;
        m_lastSelectedRow = 0;
        return;
    }
    const QModelIndex target = m_model->index(row - 1, qMax(0, selection->currentIndex().column()));
    selection->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_view->scrollTo(target);
}

void ListGrid::setHighlightBackColor(quint32 bgrColour)
{
    m_highlightBack = bgrColour;
    applyPalette();
}

void ListGrid::setHighlightForeColor(quint32 bgrColour)
{
    m_highlightFore = bgrColour;
    applyPalette();
}

void ListGrid::Sort()
{
    const ListGridSort::Key key = m_sort.key(1);
    m_selectingQuietly = true;
    m_model->sortRows(key.column - 1, key.type, key.order);
    m_selectingQuietly = false;
    m_lastSelectedRow = SelectedRow();
}

void ListGrid::setColumnTextSource(int column, std::function<QString(int row)> source)
{
    m_model->setTextSource(column - 1, std::move(source));
}

void ListGrid::refreshColumn(int column)
{
    if (!isVisible() || !m_model->column(column - 1) || Rows() == 0 || m_view->isColumnHidden(column - 1))
        return;
    QWidget* viewport = m_view->viewport();
    const QRect area(m_view->columnViewportPosition(column - 1), 0, m_view->columnWidth(column - 1),
                     viewport->height());
    if (area.intersects(viewport->rect()))
        viewport->update(area);
}

void ListGrid::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        applyFontMetrics();
    QWidget::changeEvent(event);
}

// White rows with thin grey lines between the cells, and a plain grey header, whatever the theme.
void ListGrid::applyPalette()
{
    QPalette rows = m_view->palette();
    rows.setColor(QPalette::Base, Qt::white);
    rows.setColor(QPalette::Text, Qt::black);
    rows.setColor(QPalette::Mid, QColor(0xc0, 0xc0, 0xc0));
    rows.setColor(QPalette::Highlight, ButtonColor::toQColor(m_highlightBack));
    rows.setColor(QPalette::HighlightedText, ButtonColor::toQColor(m_highlightFore));
    m_view->setPalette(rows);

    QPalette header = m_header->palette();
    header.setColor(QPalette::Button, QColor(0xc0, 0xc0, 0xc0));
    header.setColor(QPalette::Dark, QColor(0x80, 0x80, 0x80));
    header.setColor(QPalette::ButtonText, Qt::black);
    m_header->setPalette(header);
}

// Rows just tall enough for a line of text or a 16-pixel icon.
void ListGrid::applyFontMetrics()
{
    const int lineHeight = m_view->fontMetrics().height();
    m_view->verticalHeader()->setDefaultSectionSize(qMax(lineHeight + 4, IconSide + 2));
    m_header->setFixedHeight(qMax(lineHeight + 6, IconSide + 2));
}

void ListGrid::resizeColumnQuietly(int logicalIndex, int width)
{
    m_resizingQuietly = true;
    m_header->resizeSection(logicalIndex, width);
    m_resizingQuietly = false;
}

void ListGrid::onSectionResized(int logicalIndex, int oldSize, int newSize)
{
    if (m_resizingQuietly)
        return;
    bool cancel = false;
    emit ColumnWidthChanging(logicalIndex + 1, newSize, cancel);
    if (cancel)
        resizeColumnQuietly(logicalIndex, oldSize);
}

void ListGrid::onSelectionChanged()
{
    if (m_selectingQuietly)
        return;
    const int row = SelectedRow();
    if (row == m_lastSelectedRow)
        return;
    m_lastSelectedRow = row;
    if (row > 0)
        emit SelectionChange(row, qMax(0, m_view->currentIndex().column()) + 1);
}
