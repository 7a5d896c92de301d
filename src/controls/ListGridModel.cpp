#include "controls/ListGridModel.h"

#include "controls/ButtonColor.h"
#include "controls/IconList.h"
#include "controls/ListGridSortKey.h"

#include <algorithm>
#include <limits>

namespace {

int horizontalAlignment(int alignment)
{
    if (alignment & ListGridAlignment::Centre)
        return Qt::AlignHCenter;
    if (alignment & ListGridAlignment::Right)
        return Qt::AlignRight;
    return Qt::AlignLeft;
}

// Texts that do not read as dates come before every date.
qint64 dateKey(const QString& text, ListGridSortType type)
{
    const auto key =
        type == ListGridSortType::Date ? ListGridSortKey::day(text) : ListGridSortKey::minute(text);
    return key.value_or(std::numeric_limits<qint64>::min());
}

template <typename Key> struct Keyed
{
    Key key;
    int row;
};

// The rows in their new order; equal keys keep their order either way.
template <typename Key> std::vector<int> stableOrder(std::vector<Keyed<Key>>& items, bool descending)
{
    if (descending)
        std::stable_sort(items.begin(), items.end(),
                         [](const auto& a, const auto& b) { return b.key < a.key; });
    else
        std::stable_sort(items.begin(), items.end(),
                         [](const auto& a, const auto& b) { return a.key < b.key; });
    std::vector<int> order;
    order.reserve(items.size());
    for (const Keyed<Key>& item : items)
        order.push_back(item.row);
    return order;
}

} // namespace

ListGridModel::ListGridModel(QObject* parent) : QAbstractTableModel(parent) {}

ListGridModel::~ListGridModel() = default;

void ListGridModel::setIconList(IconList* icons)
{
    if (m_icons)
        disconnect(m_icons, nullptr, this, nullptr);
    m_icons = icons;
    auto repaintIcons = [this] {
        if (columns() > 0)
            emit headerDataChanged(Qt::Horizontal, 0, columns() - 1);
        if (rows() > 0 && columns() > 0)
            emit dataChanged(index(0, 0), index(rows() - 1, columns() - 1), {Qt::DecorationRole});
    };
    if (m_icons)
        connect(m_icons, &IconList::changed, this, repaintIcons);
    repaintIcons();
}

IconList* ListGridModel::iconList() const
{
    return m_icons;
}

void ListGridModel::addColumn(Column column)
{
    const int at = columns();
    beginInsertColumns(QModelIndex(), at, at);
    m_columns.push_back(std::move(column));
    for (Row& row : m_rows) {
        if (!row.empty())
            row.emplace_back();
    }
    endInsertColumns();
}

ListGridModel::Column* ListGridModel::column(int column)
{
    return column >= 0 && column < columns() ? &m_columns[size_t(column)] : nullptr;
}

const ListGridModel::Column* ListGridModel::column(int column) const
{
    return column >= 0 && column < columns() ? &m_columns[size_t(column)] : nullptr;
}

void ListGridModel::setTextSource(int column, std::function<QString(int row)> source)
{
    Column* target = this->column(column);
    if (!target)
        return;
    target->source = std::move(source);
    if (rows() > 0)
        emit dataChanged(index(0, column), index(rows() - 1, column), {Qt::DisplayRole});
}

bool ListGridModel::writeCell(int row, int column, const QString& text, int alignment, int icon)
{
    if (m_source || row < 0 || row > rows() || column < 0 || column >= columns())
        return false;
    StoredCell written{text, icon, alignment, 0};
    if (row == rows()) {
        beginInsertRows(QModelIndex(), row, row);
        m_rows.emplace_back(size_t(columns()));
        m_rows.back()[size_t(column)] = std::move(written);
        endInsertRows();
        return true;
    }
    StoredCell& cell = writableCell(row, column);
    written.foreColor = cell.foreColor;
    cell = std::move(written);
    const QModelIndex changed = index(row, column);
    emit dataChanged(changed, changed);
    return true;
}

void ListGridModel::setForeColor(int row, int column, quint32 bgrColour)
{
    if (m_source || !storedCell(row, column))
        return;
    writableCell(row, column).foreColor = bgrColour;
    const QModelIndex changed = index(row, column);
    emit dataChanged(changed, changed, {Qt::ForegroundRole});
}

ListGridCell ListGridModel::cell(int row, int column) const
{
    std::optional<ListGridCellDetails> shown = shownCell(row, column);
    if (!shown)
        return {};
    return {std::move(shown->text), shown->icon, shown->foreColor};
}

QString ListGridModel::text(int row, int column) const
{
    std::optional<ListGridCellDetails> shown = shownCell(row, column);
    return shown ? std::move(shown->text) : QString();
}

std::optional<ListGridCellDetails> ListGridModel::shownCell(int row, int column, bool withText) const
{
    if (row < 0 || row >= rows() || column < 0 || column >= columns())
        return std::nullopt;
    ListGridCellDetails shown = m_source ? m_source->cell(row + 1, column + 1) : *storedCell(row, column);
    const Column& owner = m_columns[size_t(column)];
    if (owner.source)
        shown.text = withText ? owner.source(row + 1) : QString();
    return shown;
}

void ListGridModel::setRowSource(std::unique_ptr<ListGridRows> source)
{
    beginResetModel();
    m_rows.clear();
    m_source = std::move(source);
    m_sourceRows = m_source ? m_source->count() : 0;
    endResetModel();
}

void ListGridModel::sourceCountChanged()
{
    if (!m_source)
        return;
    const int count = m_source->count();
    if (count < m_sourceRows) {
        beginRemoveRows(QModelIndex(), count, m_sourceRows - 1);
        m_sourceRows = count;
        endRemoveRows();
    } else if (count > m_sourceRows) {
        beginInsertRows(QModelIndex(), m_sourceRows, count - 1);
        m_sourceRows = count;
        endInsertRows();
    }
}

void ListGridModel::appendEmptyRows(int count)
{
    if (m_source || count <= 0)
        return;
    beginInsertRows(QModelIndex(), rows(), rows() + count - 1);
    m_rows.resize(m_rows.size() + size_t(count));
    endInsertRows();
}

void ListGridModel::appendRows(
    int count, const std::function<void(int row, std::vector<ListGridCellDetails>& cells)>& fill)
{
    if (m_source || count <= 0)
        return;
    const int first = rows();
    beginInsertRows(QModelIndex(), first, first + count - 1);
    m_rows.reserve(m_rows.size() + size_t(count));
    for (int i = 0; i < count; ++i) {
        Row& row = m_rows.emplace_back(size_t(columns()));
        fill(first + i, row);
        row.resize(size_t(columns()));
    }
    endInsertRows();
}

void ListGridModel::removeRowsFrom(int row)
{
    if (m_source || row < 0 || row >= rows())
        return;
    beginRemoveRows(QModelIndex(), row, rows() - 1);
    m_rows.erase(m_rows.begin() + row, m_rows.end());
    endRemoveRows();
}

void ListGridModel::clear(bool columnsToo)
{
    beginResetModel();
    m_rows.clear();
    m_source.reset();
    m_sourceRows = 0;
    if (columnsToo)
        m_columns.clear();
    endResetModel();
}

void ListGridModel::sortRows(int column, ListGridSortType type, ListGridSortOrder order)
{
    if (column < 0 || column >= columns() || rows() < 2)
        return;
    if (m_source) {
        // The source knows its rows' keys far better than their texts would tell.
        const std::vector<int> sorted = m_source->sortBy(column + 1, type, order);
        if (sorted.size() == size_t(rows()))
            applyOrder(sorted);
        return;
    }
    const int count = rows();
    const bool descending = order == ListGridSortOrder::Descending;
    std::vector<int> sorted;
    if (type == ListGridSortType::Text) {
        std::vector<Keyed<QString>> items;
        items.reserve(size_t(count));
        for (int row = 0; row < count; ++row)
            items.push_back({text(row, column).toCaseFolded(), row});
        sorted = stableOrder(items, descending);
    } else {
        std::vector<Keyed<qint64>> items;
        items.reserve(size_t(count));
        for (int row = 0; row < count; ++row)
            items.push_back({type == ListGridSortType::Icon ? storedCell(row, column)->icon
                                                            : dateKey(text(row, column), type),
                             row});
        sorted = stableOrder(items, descending);
    }
    applyOrder(sorted);
}

// Moves the rows into their new order; views keep their selection and current row on the same rows.
void ListGridModel::applyOrder(const std::vector<int>& order)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // A view holds a few rows (the selected and the current one, a cell of each column): their new
    // places are found in one pass over the new order, rather than the new place of every row of a
    // million being worked out for them.
    const QModelIndexList before = persistentIndexList();
    std::vector<std::pair<int, int>> moved; // old row, new row
    for (const QModelIndex& old : before) {
        if (std::none_of(moved.begin(), moved.end(), [&](const auto& m) { return m.first == old.row(); }))
            moved.emplace_back(old.row(), -1);
    }
    size_t found = 0;
    for (size_t k = 0; k < order.size() && found < moved.size(); ++k) {
        for (auto& m : moved) {
            if (m.first == order[k]) {
                m.second = int(k);
                ++found;
            }
        }
    }
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before) {
        const auto m = std::find_if(moved.begin(), moved.end(), [&](const auto& p) { return p.first == old.row(); });
        after.append(m->second < 0 ? QModelIndex() : index(m->second, old.column()));
    }
    changePersistentIndexList(before, after);
    if (m_source) {
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
        return;
    }
    std::vector<Row> reordered;
    reordered.reserve(m_rows.size());
    for (int old : order)
        reordered.push_back(std::move(m_rows[size_t(old)]));
    m_rows = std::move(reordered);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int ListGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows();
}

int ListGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columns();
}

QVariant ListGridModel::data(const QModelIndex& index, int role) const
{
    if (index.parent().isValid())
        return {};
    if (role == Qt::AccessibleTextRole) {
        const QString spoken = m_source && index.row() < rows() && index.column() < columns()
                                   ? m_source->spokenText(index.row() + 1, index.column() + 1)
                                   : QString();
        return spoken.isEmpty() ? QVariant() : QVariant(spoken);
    }
    const std::optional<ListGridCellDetails> shown =
        shownCell(index.row(), index.column(), role == Qt::DisplayRole);
    return shown ? roleData(*shown, role) : QVariant();
}

void ListGridModel::multiData(const QModelIndex& index, QModelRoleDataSpan roleDataSpan) const
{
    const bool withText =
        std::any_of(roleDataSpan.begin(), roleDataSpan.end(),
                    [](const QModelRoleData& asked) { return asked.role() == Qt::DisplayRole; });
    const std::optional<ListGridCellDetails> shown =
        index.parent().isValid() ? std::nullopt : shownCell(index.row(), index.column(), withText);
    for (QModelRoleData& roleData : roleDataSpan)
        roleData.setData(shown ? this->roleData(*shown, roleData.role()) : QVariant());
}

QVariant ListGridModel::roleData(const ListGridCellDetails& cell, int role) const
{
    switch (role) {
    case Qt::DisplayRole:
        return cell.text;
    case Qt::DecorationRole: {
        const QIcon icon = iconAt(cell.icon);
        return icon.isNull() ? QVariant() : QVariant(icon);
    }
    case Qt::ForegroundRole:
        return ButtonColor::toQColor(cell.foreColor);
    case Qt::TextAlignmentRole:
        return horizontalAlignment(cell.alignment) | Qt::AlignVCenter;
    case ElideRole:
        return (cell.alignment & ListGridAlignment::EllipsisBits) != 0;
    default:
        return {};
    }
}

QVariant ListGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    const Column* owner = column(section);
    if (orientation != Qt::Horizontal || !owner)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return owner->header;
    case Qt::DecorationRole: {
        const QIcon icon = iconAt(owner->icon);
        return icon.isNull() ? QVariant() : QVariant(icon);
    }
    case Qt::TextAlignmentRole:
        return horizontalAlignment(owner->alignment) | Qt::AlignVCenter;
    default:
        return {};
    }
}

Qt::ItemFlags ListGridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

const ListGridModel::StoredCell* ListGridModel::storedCell(int row, int column) const
{
    if (m_source || row < 0 || row >= rows() || column < 0 || column >= columns())
        return nullptr;
    static const StoredCell Empty;
    const Row& cells = m_rows[size_t(row)];
    return cells.empty() ? &Empty : &cells[size_t(column)];
}

ListGridModel::StoredCell& ListGridModel::writableCell(int row, int column)
{
    Row& cells = m_rows[size_t(row)];
    if (cells.empty())
        cells.resize(size_t(columns()));
    return cells[size_t(column)];
}

QIcon ListGridModel::iconAt(int position) const
{
    return m_icons && position >= 0 ? m_icons->icon(position) : QIcon();
}
