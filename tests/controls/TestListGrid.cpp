#include "controls/IconList.h"
#include "controls/ListGrid.h"
#include "controls/ListGridModel.h"
#include "controls/ListGridRows.h"
#include "controls/ListGridSortKey.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTest>

#include <memory>
#include <numeric>

namespace {

// A grid as the countdown window builds one: 201 pixels wide, a date column and a text column.
std::unique_ptr<ListGrid> makeGrid(int rows = 0)
{
    auto grid = std::make_unique<ListGrid>();
    grid->setObjectName(QStringLiteral("Grid"));
    grid->resize(201, 217);
    grid->AddColumn(QStringLiteral("KEY1"), QStringLiteral("When"), 0, -1, 55);
    grid->AddColumn(QStringLiteral("KEY2"), QStringLiteral("What"), 0, -1, 122);
    for (int row = 1; row <= rows; ++row) {
        grid->CellDetails(row, 1, QString::number(row), 0);
        grid->CellDetails(row, 2, QStringLiteral("entry %1").arg(row), 0x40020);
    }
    return grid;
}

void show(ListGrid& grid)
{
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
}

QStringList columnTexts(const ListGrid& grid, int column)
{
    QStringList texts;
    for (int row = 1; row <= grid.Rows(); ++row)
        texts << grid.Cell(row, column).Text;
    return texts;
}

QPoint rowCentre(const ListGrid& grid, int row, int column)
{
    return grid.view()->visualRect(grid.view()->model()->index(row - 1, column - 1)).center();
}

// How many rows fit on the grid's screen, counting one cut off at the bottom.
int screenful(const ListGrid& grid)
{
    return grid.view()->viewport()->height() / grid.view()->rowHeight(0) + 1;
}

// Rows kept outside the grid, as a window listing a great many entries keeps them: row r of column c
// reads "r.c" from a list of names, and asking is counted.
class NamedRows : public ListGridRows
{
public:
    QStringList names;
    mutable int asked = 0;

    int count() const override { return int(names.size()); }
    ListGridCellDetails cell(int row, int column) const override
    {
        ++asked;
        return {QStringLiteral("%1.%2").arg(names.value(row - 1)).arg(column), column == 1 ? 2 : -1,
                ListGridAlignment::Left, column == 2 ? 0x0000FFu : 0u};
    }
    // Reverse order by name, whatever was asked.
    std::vector<int> sortBy(int, ListGridSortType, ListGridSortOrder) override
    {
        std::vector<int> order(size_t(names.size()));
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return names[b] < names[a]; });
        QStringList sorted;
        for (int row : order)
            sorted << names[row];
        names = sorted;
        return order;
    }
};

} // namespace

class TestListGrid : public QObject
{
    Q_OBJECT

private slots:
    void writingRows();
    void clearing();
    void columns();
    void cellLooks();
    void plainText();
    void dateKeys_data();
    void dateKeys();
    void sortOrders_data();
    void sortOrders();
    void sortMovesWholeRows();
    void sortKeepsTiesInLongLists();
    void removeRowsFrom();
    void emptyRowsInBulk();
    void filledRowsInBulk();
    void rowsFromASource();
    void selectionChange();
    void columnClickAndWidth();
    void textSourceAskedOnlyForShownRows();
    void highlightColours();
    void iconList();
};

void TestListGrid::writingRows()
{
    auto grid = makeGrid();
    QCOMPARE(grid->Rows(), 0);
    for (int row = 1; row <= 3; ++row)
        grid->CellDetails(row, 1, QStringLiteral("r%1").arg(row), 0);
    QCOMPARE(grid->Rows(), 3);
    QCOMPARE(grid->view()->model()->rowCount(), 3);

    grid->setCellForeColor(2, 1, 255);
    grid->CellDetails(2, 2, QStringLiteral("second"), 0, 1);
    grid->CellDetails(2, 1, QStringLiteral("R2"), 1);
    QCOMPARE(grid->Rows(), 3);
    QCOMPARE(columnTexts(*grid, 1), QStringList({"r1", "R2", "r3"}));
    QCOMPARE(columnTexts(*grid, 2), QStringList({"", "second", ""}));
    QCOMPARE(grid->CellForeColor(2, 1), 255u);
    QCOMPARE(grid->Cell(2, 2).Icon, 1);

    // Only the row right after the last one is ever added.
    grid->CellDetails(5, 1, QStringLiteral("far"), 0);
    grid->CellDetails(0, 1, QStringLiteral("none"), 0);
    grid->CellDetails(4, 3, QStringLiteral("no such column"), 0);
    QCOMPARE(grid->Rows(), 3);
    QCOMPARE(grid->Cell(5, 1).Text, QString());
    grid->CellDetails(4, 2, QStringLiteral("fourth"), 0);
    QCOMPARE(grid->Rows(), 4);
    QCOMPARE(grid->Cell(4, 1).Text, QString());
    QCOMPARE(grid->Cell(4, 1).Icon, -1);
}

void TestListGrid::clearing()
{
    auto grid = makeGrid(4);
    grid->setSelectedRow(2);
    grid->Clear(false);
    QCOMPARE(grid->Rows(), 0);
    QCOMPARE(grid->Columns(), 2);
    QCOMPARE(grid->SelectedRow(), 0);

    grid->CellDetails(1, 2, QStringLiteral("again"), 0);
    grid->Clear(true);
    QCOMPARE(grid->Rows(), 0);
    QCOMPARE(grid->Columns(), 0);
    grid->CellDetails(1, 1, QStringLiteral("no columns"), 0);
    QCOMPARE(grid->Rows(), 0);

    grid->AddColumn(QStringLiteral("KEY5"), QStringLiteral("Title"), 0, -1, 80);
    QCOMPARE(grid->Columns(), 1);
    QCOMPARE(grid->ColumnKey(1), QStringLiteral("KEY5"));
    QCOMPARE(grid->view()->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Title"));
    QCOMPARE(grid->ColumnWidth(1), 80);
    QCOMPARE(grid->Rows(), 0);
}

void TestListGrid::columns()
{
    auto grid = makeGrid();
    QCOMPARE(grid->ColumnWidth(1), 55);
    QCOMPARE(grid->ColumnWidth(2), 122);
    QCOMPARE(grid->ColumnKey(2), QStringLiteral("KEY2"));
    grid->setColumnKey(2, QStringLiteral("KEY7"));
    grid->setColumnTag(2, QStringLiteral("sorted"));
    QCOMPARE(grid->ColumnKey(2), QStringLiteral("KEY7"));
    QCOMPARE(grid->ColumnTag(2), QStringLiteral("sorted"));
    QCOMPARE(grid->ColumnTag(1), QString());
    QCOMPARE(grid->ColumnKey(3), QString());
    QCOMPARE(grid->view()->accessibleName(), QStringLiteral("Grid"));
}

void TestListGrid::cellLooks()
{
    auto grid = makeGrid(2);
    auto icons = IconList::scheduleIcons();
    grid->setImageList(icons.get());
    grid->CellDetails(1, 1, QStringLiteral("centred"), 1, IconList::AlarmOn);
    grid->CellDetails(2, 1, QStringLiteral("no picture"), 0, 9);
    grid->setCellForeColor(1, 1, 0xFF0000);
    const QAbstractItemModel* model = grid->view()->model();
    const QModelIndex first = model->index(0, 0);

    QCOMPARE(first.data(Qt::ForegroundRole).value<QColor>(), QColor(0, 0, 255));
    QCOMPARE(Qt::Alignment(first.data(Qt::TextAlignmentRole).toInt()) & Qt::AlignHorizontal_Mask,
             Qt::AlignHCenter);
    const QIcon shown = first.data(Qt::DecorationRole).value<QIcon>();
    QCOMPARE(shown.pixmap(16, 16).toImage(), icons->ItemPicture(IconList::AlarmOn + 1).toImage());
    QVERIFY(!model->index(1, 0).data(Qt::DecorationRole).isValid());

    QVERIFY(!first.data(ListGridModel::ElideRole).toBool());
    QVERIFY(model->index(0, 1).data(ListGridModel::ElideRole).toBool());

    // The icon list may go before the grid does.
    icons.reset();
    QVERIFY(!first.data(Qt::DecorationRole).isValid());
}

void TestListGrid::plainText()
{
    auto grid = makeGrid();
    const QString markup = QStringLiteral("<b>x</b> &amp;");
    grid->CellDetails(1, 1, markup, 0x40020);
    QCOMPARE(grid->Cell(1, 1).Text, markup);
    QCOMPARE(grid->view()->model()->index(0, 0).data().toString(), markup);
    QVERIFY(qobject_cast<QStyledItemDelegate*>(grid->view()->itemDelegate()));
    QVERIFY(!grid->view()->model()->index(0, 0).data(Qt::ToolTipRole).isValid());
}

void TestListGrid::dateKeys_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("day");    // days after 10/12/2002, -1 unreadable
    QTest::addColumn<qint64>("minute"); // minutes after 10/12/2002 00:00, -1 unreadable

    const qint64 none = -1;
    QTest::newRow("date only") << "10/12/2002" << qint64(0) << qint64(0);
    QTest::newRow("single digits") << " 1/2/2003 " << qint64(82) << qint64(82 * 1440);
    QTest::newRow("seconds and AM") << "10/12/2002 09:30:59 AM" << qint64(0) << qint64(570);
    QTest::newRow("short AM") << "10/12/2002 9:30 am" << qint64(0) << qint64(570);
    QTest::newRow("noon") << "10/12/2002 12:00 PM" << qint64(0) << qint64(720);
    QTest::newRow("midnight") << "10/12/2002 12:01 AM" << qint64(0) << qint64(1);
    QTest::newRow("24 hours") << "10/12/2002 23:15" << qint64(0) << qint64(1395);
    QTest::newRow("hour 13 PM") << "10/12/2002 13:00 PM" << qint64(0) << none;
    QTest::newRow("minute 60") << "10/12/2002 9:60" << qint64(0) << none;
    QTest::newRow("time trailer") << "10/12/2002 9:30 AM later" << qint64(0) << none;
    QTest::newRow("glued time") << "10/12/2002x" << none << none;
    QTest::newRow("day first") << "25/12/2002" << none << none;
    QTest::newRow("February 30") << "02/30/2002" << none << none;
    QTest::newRow("two-digit year") << "10/12/02" << none << none;
    QTest::newRow("five-digit year") << "10/12/20021" << none << none;
    QTest::newRow("empty") << "" << none << none;
}

void TestListGrid::dateKeys()
{
    QFETCH(QString, text);
    QFETCH(qint64, day);
    QFETCH(qint64, minute);
    const qint64 origin = QDate(2002, 10, 12).toJulianDay();
    const auto readDay = ListGridSortKey::day(text);
    const auto readMinute = ListGridSortKey::minute(text);
    QCOMPARE(readDay ? *readDay - origin : -1, day);
    QCOMPARE(readMinute ? *readMinute - origin * 1440 : -1, minute);

    // An alarm time column holds times without dates: they sort by the minute, before any date.
    const auto afternoon = ListGridSortKey::minute(QStringLiteral("02:30:00 PM"));
    const auto morning = ListGridSortKey::minute(QStringLiteral("9:00 AM"));
    QVERIFY(afternoon && morning);
    QCOMPARE(*afternoon - *morning, qint64(330));
    QVERIFY(*afternoon < *ListGridSortKey::minute(QStringLiteral("01/01/1900")));
    QVERIFY(!ListGridSortKey::minute(QStringLiteral("02:30:00 PM soon")));
}

void TestListGrid::sortOrders_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QList<int>>("icons");
    QTest::addColumn<QString>("ascending");
    QTest::addColumn<QString>("descending");

    // Rows are named a, b, c, ... in the order they were written; equal keys keep that order.
    QTest::newRow("text ignores case, keeps ties")
        << 102 << QStringList{"beta", "Alpha", "alpha", "Gamma", "BETA"} << QList<int>{} << "bcaed"
        << "daebc";
    QTest::newRow("dates month first, unreadable first")
        << 200 << QStringList{"12/01/2001", "garbage", "01/15/2002", "2/3/2001", "13/01/2002"} << QList<int>{}
        << "bedac"
        << "cadbe";
    QTest::newRow("minutes, seconds ignored")
        << 254 << QStringList{"10/12/2002 09:30:45 AM", "10/12/2002 9:30 AM",  "10/12/2002 12:05 AM",
                              "10/12/2002 1:00 PM",     "10/11/2002 11:59 PM", "bad 10/12/2002"}
        << QList<int>{} << "fecabd"
        << "dabcef";
    QTest::newRow("icons") << 300 << QStringList{"", "", "", "", ""} << QList<int>{2, -1, 0, 2, 1} << "bcead"
                           << "adecb";
    QTest::newRow("unknown type sorts text") << 999 << QStringList{"b", "C", "a"} << QList<int>{} << "cab"
                                             << "bac";
}

void TestListGrid::sortOrders()
{
    QFETCH(int, type);
    QFETCH(QStringList, texts);
    QFETCH(QList<int>, icons);
    QFETCH(QString, ascending);
    QFETCH(QString, descending);

    for (int order : {1, 2}) {
        auto grid = makeGrid();
        for (int row = 1; row <= texts.size(); ++row) {
            grid->CellDetails(row, 1, QString(QChar(u'a' + row - 1)), 0);
            grid->CellDetails(row, 2, texts.at(row - 1), 0, icons.value(row - 1, -1));
        }
        grid->SortObject().Clear();
        grid->SortObject().setSortColumn(1, 2);
        grid->SortObject().setSortOrder(1, order);
        grid->SortObject().setSortType(1, type);
        grid->Sort();
        QCOMPARE(columnTexts(*grid, 1).join(QString()), order == 1 ? ascending : descending);
    }
}

void TestListGrid::sortMovesWholeRows()
{
    auto grid = makeGrid(3);
    grid->CellDetails(2, 1, QStringLiteral("2"), 1, 3);
    grid->setCellForeColor(2, 2, 0x00FF00);
    grid->setSelectedRow(2);
    QSignalSpy selections(grid.get(), &ListGrid::SelectionChange);

    grid->SortObject().setSortColumn(1, 1);
    grid->SortObject().setSortOrder(1, 2);
    grid->Sort();
    QCOMPARE(columnTexts(*grid, 1), QStringList({"3", "2", "1"}));
    QCOMPARE(columnTexts(*grid, 2), QStringList({"entry 3", "entry 2", "entry 1"}));
    QCOMPARE(grid->Cell(2, 1).Icon, 3);
    QCOMPARE(grid->CellForeColor(2, 2), 0x00FF00u);
    QCOMPARE(grid->view()->model()->index(1, 0).data(Qt::TextAlignmentRole).toInt() &
                 Qt::AlignHorizontal_Mask,
             int(Qt::AlignHCenter));

    // The selection stays on its row wherever the row went.
    grid->setSelectedRow(1);
    grid->SortObject().setSortOrder(1, 1);
    grid->Sort();
    QCOMPARE(grid->SelectedRow(), 3);
    QCOMPARE(grid->Cell(3, 1).Text, QStringLiteral("3"));
    QCOMPARE(selections.count(), 1);

    // Without a column to sort by, nothing moves.
    grid->SortObject().Clear();
    grid->SortObject().setSortOrder(1, 2);
    grid->Sort();
    QCOMPARE(columnTexts(*grid, 1), QStringList({"1", "2", "3"}));
}

// Long enough that an unstable sort would mix the tied rows.
void TestListGrid::sortKeepsTiesInLongLists()
{
    auto grid = makeGrid(300);
    for (int row = 1; row <= 300; ++row)
        grid->CellDetails(row, 2, row % 2 ? QStringLiteral("Same") : QStringLiteral("sAME"), 0);
    const QStringList written = columnTexts(*grid, 1);
    for (int order : {2, 1}) {
        grid->SortObject().setSortColumn(1, 2);
        grid->SortObject().setSortOrder(1, order);
        grid->Sort();
        QCOMPARE(columnTexts(*grid, 1), written);
    }
}

void TestListGrid::removeRowsFrom()
{
    auto grid = makeGrid(5);
    grid->setSelectedRow(4);
    QSignalSpy selections(grid.get(), &ListGrid::SelectionChange);
    grid->RemoveRowsFrom(0);
    grid->RemoveRowsFrom(6);
    QCOMPARE(grid->Rows(), 5);

    grid->RemoveRowsFrom(3);
    QCOMPARE(columnTexts(*grid, 1), QStringList({"1", "2"}));
    QCOMPARE(grid->SelectedRow(), 0);
    QVERIFY(selections.isEmpty());

    grid->setSelectedRow(1);
    grid->RemoveRowsFrom(2);
    QCOMPARE(grid->Rows(), 1);
    QCOMPARE(grid->SelectedRow(), 1);
    grid->RemoveRowsFrom(1);
    QCOMPARE(grid->Rows(), 0);
    grid->CellDetails(1, 1, QStringLiteral("new"), 0);
    QCOMPARE(grid->Rows(), 1);
}

// Rows added in bulk read as empty cells until a source or a write gives them texts; writing one cell
// of such a row, or giving it a colour, leaves its other cells empty, and a column added later is there.
void TestListGrid::filledRowsInBulk()
{
    auto grid = makeGrid(2);
    QSignalSpy inserted(grid->view()->model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(grid->view()->model(), &QAbstractItemModel::dataChanged);
    grid->AppendRows(3, [](int row, std::vector<ListGridCellDetails>& cells) {
        QCOMPARE(cells.size(), size_t(2));
        cells[0] = {QStringLiteral("bulk %1").arg(row), 2, ListGridAlignment::Right,
                    row == 4 ? 0x0000FFu : 0u};
        cells[1].text = QStringLiteral("note %1").arg(row);
    });
    // The rows follow the two already there, and the view heard of them once, with no notice per cell.
    QCOMPARE(grid->Rows(), 5);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 2);
    QCOMPARE(inserted.at(0).at(2).toInt(), 4);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(columnTexts(*grid, 1), QStringList({"1", "2", "bulk 3", "bulk 4", "bulk 5"}));
    QCOMPARE(columnTexts(*grid, 2), QStringList({"entry 1", "entry 2", "note 3", "note 4", "note 5"}));
    QCOMPARE(grid->Cell(4, 1).Icon, 2);
    QCOMPARE(grid->CellForeColor(4, 1), 0x0000FFu);
    QCOMPARE(grid->CellForeColor(5, 1), 0u);
    QCOMPARE(grid->view()->model()->index(2, 0).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
             int(Qt::AlignRight));

    grid->AppendRows(0, [](int, std::vector<ListGridCellDetails>&) { QFAIL("no row to fill"); });
    QCOMPARE(grid->Rows(), 5);
}

// A source's rows read, paint and sort as rows held by the grid would; the selection stays on its row
// through a sort and goes when its row does; the grid holds nothing of its own meanwhile.
void TestListGrid::rowsFromASource()
{
    auto grid = makeGrid(3);
    auto owned = std::make_unique<NamedRows>();
    NamedRows* rows = owned.get();
    rows->names = {"b", "d", "a", "c"};
    grid->setRowSource(std::move(owned));
    QCOMPARE(grid->rowSource(), rows);
    QCOMPARE(grid->Rows(), 4);
    QCOMPARE(columnTexts(*grid, 1), QStringList({"b.1", "d.1", "a.1", "c.1"}));
    QCOMPARE(grid->Cell(2, 1).Icon, 2);
    QCOMPARE(grid->CellForeColor(3, 2), 0x0000FFu);
    QCOMPARE(grid->view()->model()->index(1, 1).data().toString(), QStringLiteral("d.2"));

    // Writing cells or rows does not reach the source's rows.
    grid->CellDetails(1, 1, QStringLiteral("written"), 0);
    grid->CellDetails(5, 1, QStringLiteral("appended"), 0);
    grid->setCellForeColor(1, 1, 0x00FF00);
    grid->AddEmptyRows(2);
    grid->RemoveRowsFrom(2);
    QCOMPARE(columnTexts(*grid, 1), QStringList({"b.1", "d.1", "a.1", "c.1"}));
    QCOMPARE(grid->CellForeColor(1, 1), 0u);

    // Only the rows on screen are painted, however many there are.
    show(*grid);
    for (int i = 0; i < 5000; ++i)
        rows->names << QStringLiteral("n%1").arg(i);
    grid->rowCountChanged();
    QCOMPARE(grid->Rows(), 5004);
    rows->asked = 0;
    grid->grab();
    QVERIFY(rows->asked > 0);
    QVERIFY2(rows->asked <= 2 * 2 * screenful(*grid), qPrintable(QString::number(rows->asked)));

    // A sort moves the selected row's selection with it and sends no change of selection.
    QSignalSpy selections(grid.get(), &ListGrid::SelectionChange);
    grid->setSelectedRow(2);
    QCOMPARE(selections.count(), 1);
    grid->SortObject().setSortColumn(1, 1);
    grid->Sort();
    QCOMPARE(rows->names.first(), QStringLiteral("n999"));
    QCOMPARE(grid->Cell(grid->SelectedRow(), 1).Text, QStringLiteral("d.1"));
    QCOMPARE(selections.count(), 1);

    // Fewer rows: a selection on a dropped row goes, as RemoveRowsFrom() drops it.
    const int selected = grid->SelectedRow();
    rows->names = rows->names.mid(0, selected - 1);
    grid->rowCountChanged();
    QCOMPARE(grid->Rows(), selected - 1);
    QCOMPARE(grid->SelectedRow(), 0);

    // Clearing ends the source; the grid holds rows of its own again.
    grid->Clear(false);
    QCOMPARE(grid->rowSource(), nullptr);
    QCOMPARE(grid->Rows(), 0);
    grid->CellDetails(1, 1, QStringLiteral("own"), 0);
    QCOMPARE(columnTexts(*grid, 1), QStringList({"own"}));
}

void TestListGrid::emptyRowsInBulk()
{
    auto grid = makeGrid(2);
    grid->AddEmptyRows(0);
    grid->AddEmptyRows(-3);
    QCOMPARE(grid->Rows(), 2);
    grid->AddEmptyRows(3);
    QCOMPARE(grid->Rows(), 5);
    QCOMPARE(columnTexts(*grid, 1), QStringList({"1", "2", "", "", ""}));
    QCOMPARE(grid->Cell(4, 2).Icon, -1);
    QCOMPARE(grid->CellForeColor(4, 2), 0u);

    grid->CellDetails(4, 2, QStringLiteral("written"), 0, 3);
    grid->setCellForeColor(5, 1, 0x0000FF);
    QCOMPARE(columnTexts(*grid, 2), QStringList({"entry 1", "entry 2", "", "written", ""}));
    QCOMPARE(grid->Cell(4, 2).Icon, 3);
    QCOMPARE(grid->CellForeColor(5, 1), 0x0000FFu);
    QCOMPARE(grid->CellForeColor(5, 2), 0u);
    QCOMPARE(grid->Cell(5, 1).Text, QString());

    grid->AddColumn(QStringLiteral("KEY3"), QStringLiteral("More"));
    grid->CellDetails(3, 3, QStringLiteral("third"), 0);
    QCOMPARE(columnTexts(*grid, 3), QStringList({"", "", "third", "", ""}));
    QCOMPARE(columnTexts(*grid, 2), QStringList({"entry 1", "entry 2", "", "written", ""}));

    grid->setColumnTextSource(1, [](int row) { return QStringLiteral("row %1").arg(row); });
    QCOMPARE(grid->Cell(5, 1).Text, QStringLiteral("row 5"));
    QCOMPARE(grid->view()->model()->index(4, 0).data().toString(), QStringLiteral("row 5"));
    grid->setColumnTextSource(1, {});

    // Sorting by icons reads the empty rows' cells as having none; every row keeps its cells.
    grid->SortObject().setSortColumn(1, 2);
    grid->SortObject().setSortType(1, 300);
    grid->SortObject().setSortOrder(1, 2);
    grid->Sort();
    QCOMPARE(grid->Cell(1, 2).Text, QStringLiteral("written"));
    QCOMPARE(grid->Cell(1, 3).Text, QString());
    QCOMPARE(grid->Rows(), 5);
    grid->RemoveRowsFrom(2);
    QCOMPARE(grid->Rows(), 1);
}

void TestListGrid::selectionChange()
{
    auto grid = makeGrid(40);
    show(*grid);
    QSignalSpy selections(grid.get(), &ListGrid::SelectionChange);
    QWidget* viewport = grid->view()->viewport();

    QTest::mouseClick(viewport, Qt::LeftButton, {}, rowCentre(*grid, 3, 2));
    QCOMPARE(selections.count(), 1);
    QCOMPARE(selections.takeFirst(), QVariantList({3, 2}));
    QCOMPARE(grid->SelectedRow(), 3);

    // Another click on the selected row changes nothing.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, rowCentre(*grid, 3, 1));
    QVERIFY(selections.isEmpty());

    QTest::keyClick(grid->view(), Qt::Key_Down);
    QCOMPARE(selections.count(), 1);
    QCOMPARE(selections.takeFirst().at(0).toInt(), 4);

    grid->setSelectedRow(30);
    QCOMPARE(selections.count(), 1);
    QCOMPARE(selections.takeFirst().at(0).toInt(), 30);
    QVERIFY(viewport->rect().contains(rowCentre(*grid, 30, 1)));

    grid->setSelectedRow(41);
    grid->setSelectedRow(0);
    QVERIFY(selections.isEmpty());
    QCOMPARE(grid->SelectedRow(), 0);
}

void TestListGrid::columnClickAndWidth()
{
    auto grid = makeGrid(3);
    show(*grid);
    QHeaderView* header = grid->view()->horizontalHeader();
    QSignalSpy clicks(grid.get(), &ListGrid::ColumnClick);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 30, header->height() / 2));
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(clicks.takeFirst(), QVariantList({2}));
    QCOMPARE(grid->SelectedRow(), 0);

    bool cancel = true;
    QList<QPair<int, int>> asked;
    connect(grid.get(), &ListGrid::ColumnWidthChanging, grid.get(),
            [&](int column, int width, bool& cancelled) {
                asked.append({column, width});
                cancelled = cancel;
            });
    auto dragFirstEdge = [&](int by) {
        const QPoint edge(header->sectionViewportPosition(0) + header->sectionSize(0) - 1,
                          header->height() / 2);
        QTest::mousePress(header->viewport(), Qt::LeftButton, {}, edge);
        QTest::mouseMove(header->viewport(), edge + QPoint(by / 2, 0));
        QTest::mouseMove(header->viewport(), edge + QPoint(by, 0));
        QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, edge + QPoint(by, 0));
    };

    dragFirstEdge(20);
    QVERIFY(!asked.isEmpty());
    QCOMPARE(asked.last(), qMakePair(1, 75));
    QCOMPARE(grid->ColumnWidth(1), 55);

    cancel = false;
    asked.clear();
    dragFirstEdge(20);
    QCOMPARE(grid->ColumnWidth(1), 75);

    // Widths the program sets itself are not the user's and are not asked about.
    asked.clear();
    grid->setColumnWidth(1, 60);
    QCOMPARE(grid->ColumnWidth(1), 60);
    QVERIFY(asked.isEmpty());
    QVERIFY(clicks.isEmpty());
}

void TestListGrid::textSourceAskedOnlyForShownRows()
{
    auto grid = makeGrid(10000);
    int askedFirst = 0;
    QList<int> askedRows;
    grid->setColumnTextSource(2, [&](int row) {
        askedRows.append(row);
        return QStringLiteral("%1 s").arg(row);
    });
    grid->setColumnTextSource(1, [&](int row) {
        ++askedFirst;
        return QString::number(row);
    });

    // Hidden, it is never asked.
    grid->refreshColumn(2);
    QCoreApplication::processEvents();
    QVERIFY(askedRows.isEmpty());
    QCOMPARE(grid->Cell(5000, 2).Text, QStringLiteral("5000 s"));
    QCOMPARE(askedRows, QList<int>({5000}));
    askedRows.clear();

    show(*grid);
    QCoreApplication::processEvents();
    askedRows.clear();
    askedFirst = 0;
    grid->grab();
    QVERIFY(!askedRows.isEmpty());
    QVERIFY2(askedRows.size() <= screenful(*grid), qPrintable(QString::number(askedRows.size())));
    QVERIFY(*std::max_element(askedRows.cbegin(), askedRows.cend()) <= screenful(*grid));

    // A refresh of one column asks that column's source only, for the rows on screen.
    askedRows.clear();
    askedFirst = 0;
    grid->view()->verticalScrollBar()->setValue(5000);
    QCoreApplication::processEvents();
    askedRows.clear();
    askedFirst = 0;
    grid->refreshColumn(2);
    QCoreApplication::processEvents();
    QVERIFY(!askedRows.isEmpty());
    QVERIFY(askedRows.size() <= screenful(*grid));
    QVERIFY(*std::min_element(askedRows.cbegin(), askedRows.cend()) >= 5001);
    QCOMPARE(askedFirst, 0);

    // Sorting by the column reads its source's texts; clearing the source brings the cells back.
    grid->setColumnTextSource(1,
                              [](int row) { return QString::number(10001 - row).rightJustified(5, u'0'); });
    grid->SortObject().setSortColumn(1, 1);
    grid->Sort();
    QCOMPARE(grid->Cell(1, 2).Text, QStringLiteral("1 s"));
    grid->setColumnTextSource(1, {});
    QCOMPARE(grid->Cell(1, 1).Text, QStringLiteral("10000"));
}

void TestListGrid::highlightColours()
{
    auto grid = makeGrid(3);
    grid->setHighlightBackColor(0x0000FF);
    grid->setHighlightForeColor(0x00FFFF);
    QCOMPARE(grid->HighlightBackColor(), 0x0000FFu);
    const QPalette colours = grid->view()->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        QCOMPARE(colours.color(group, QPalette::Highlight), QColor(255, 0, 0));
        QCOMPARE(colours.color(group, QPalette::HighlightedText), QColor(255, 255, 0));
    }

    show(*grid);
    grid->setSelectedRow(2);
    const QImage rows = grid->view()->viewport()->grab().toImage();
    const QRect selected = grid->view()->visualRect(grid->view()->model()->index(1, 1));
    QCOMPARE(rows.pixelColor(selected.right() - 3, selected.center().y()), QColor(255, 0, 0));
    const QRect plain = grid->view()->visualRect(grid->view()->model()->index(0, 1));
    QCOMPARE(rows.pixelColor(plain.right() - 3, plain.center().y()), QColor(Qt::white));
}

void TestListGrid::iconList()
{
    IconList empty;
    QCOMPARE(empty.Count(), 0);
    QVERIFY(empty.ItemPicture(1).isNull());
    QPixmap square(8, 8);
    square.fill(Qt::blue);
    QCOMPARE(empty.Add(square), 1);
    QCOMPARE(empty.ItemPicture(1).size(), QSize(8, 8));

    const auto icons = IconList::scheduleIcons();
    QCOMPARE(icons->Count(), 4);
    QVERIFY(icons->ItemPicture(0).isNull());
    QVERIFY(icons->ItemPicture(5).isNull());
    QVERIFY(icons->icon(4).isNull());
    QList<QImage> pictures;
    for (int index = 1; index <= 4; ++index) {
        const QImage picture = icons->ItemPicture(index).toImage();
        QCOMPARE(picture.size(), QSize(16, 16));
        QVERIFY(!pictures.contains(picture));
        pictures.append(picture);
    }
    QCOMPARE(icons->icon(0).pixmap(16, 16).toImage(), pictures.first());
}

QTEST_MAIN(TestListGrid)
#include "TestListGrid.moc"
