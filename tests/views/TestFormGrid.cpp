#include "app/TrayIcon.h"
#include "calendar/MainForm.h"
#include "controls/ListGrid.h"
#include "controls/VemraButton.h"
#include "forms/ClickLabel.h"
#include "forms/DesignUnits.h"
#include "store/ScheduleDatabase.h"
#include "support/ShownCell.h"
#include "support/WindowTestEnv.h"
#include "views/FormGrid.h"
#include "views/ListDocking.h"

#include <QtTest>

// The countdown list: what it lists and how it counts, and how it docks beside the main window, goes
// and comes back with it.
class TestFormGrid : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void countsDownToTheAlarmMinuteOfEntriesStillAhead();
    void listsExactlyTheEntriesStillAhead();
    void aSubjectWiderThanItsColumnEndsInAnEllipsis();
    void rowsKeepTheirEntriesUntilTheNextTick();
    void anAlarmRebuildShowsTheSameRows();
    void docksOnTheSideWithRoom();
    void countdownCommandDocksAndShowsTheList();
    void foldingClosesTheListAndUnfoldingLeavesItClosed();
    void unloadClearsDockedAndFreesTheCommand();
    void trayHidesTheListAndBringsItBackDocked();
    void followsTheMainWindowTheme();

private:
    MainForm& openMain();
    FormGrid& list() { return *m_env->windows().listWindow(); }
    VemraButton* command(int index) const;

    std::unique_ptr<WindowTestEnv> m_env;
};

void TestFormGrid::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestFormGrid::init()
{
    m_env = std::make_unique<WindowTestEnv>(QDateTime(QDate(2002, 10, 12), QTime(9, 30)));
}

void TestFormGrid::cleanup()
{
    m_env.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

MainForm& TestFormGrid::openMain()
{
    MainForm& form = m_env->windows().mainForm();
    form.show();
    return form;
}

VemraButton* TestFormGrid::command(int index) const
{
    return m_env->windows().mainForm().findChild<VemraButton*>(QStringLiteral("cmdButton(%1)").arg(index));
}

void TestFormGrid::countsDownToTheAlarmMinuteOfEntriesStillAhead()
{
    m_env->addEntry(QStringLiteral("10/13/2002"), QStringLiteral("Tomorrow"), QStringLiteral("OneTime"),
                    QStringLiteral("08:30:45 AM"));
    m_env->addEntry(QStringLiteral("10/12/2002"), QStringLiteral("Begun"), QStringLiteral("Everyday"),
                    QStringLiteral("09:30:00 AM"));
    m_env->addEntry(QStringLiteral("10/14/2002"), QStringLiteral("<b>Monday</b>"), QStringLiteral("Monthly"),
                    QStringLiteral("11:35:09 AM"), QStringLiteral("on"));

    ListGrid* grid = list().Grid();
    QCOMPARE(grid->Columns(), 2);
    QCOMPARE(grid->ColumnKey(1), QStringLiteral("KEY1"));
    QCOMPARE(grid->ColumnKey(2), QStringLiteral("KEY3"));
    QCOMPARE(grid->Rows(), 2);
    QCOMPARE(grid->Cell(1, 1).Text, QStringLiteral("Tomorrow"));
    QCOMPARE(grid->Cell(1, 2).Text, QStringLiteral("0 Day(s) 23:0:0"));
    QCOMPARE(grid->Cell(2, 1).Text, QStringLiteral("<b>Monday</b>"));
    QCOMPARE(grid->Cell(2, 2).Text, QStringLiteral("2 Day(s) 2:5:0"));

    // Every tick counts on by a second, whether the list is shown or not.
    QVERIFY(!list().isVisible());
    m_env->clock.advanceSeconds(1);
    list().xTimer_Timer();
    QCOMPARE(grid->Cell(1, 2).Text, QStringLiteral("0 Day(s) 22:59:59"));
}

void TestFormGrid::aSubjectWiderThanItsColumnEndsInAnEllipsis()
{
    m_env->addEntry(QStringLiteral("10/13/2002"), QStringLiteral("Future third quarter review"),
                    QStringLiteral("OneTime"));
    m_env->addEntry(QStringLiteral("10/14/2002"), QStringLiteral("Tea"), QStringLiteral("OneTime"));
    const ListGrid* grid = list().Grid();
    const QString shown = shownCellText(grid, 1, 1);
    QVERIFY2(shown.endsWith(QChar(0x2026)) && shown.startsWith(QStringLiteral("Fut")), qPrintable(shown));
    QCOMPARE(shownCellText(grid, 2, 1), QStringLiteral("Tea"));
}

void TestFormGrid::listsExactlyTheEntriesStillAhead()
{
    for (const char* time : {"09:31:00 AM", "09:40:00 AM", "10:00:00 AM"})
        m_env->addEntry(QStringLiteral("10/12/2002"), QLatin1String(time), QStringLiteral("OneTime"),
                        QLatin1String(time));
    ListGrid* grid = list().Grid();
    QCOMPARE(grid->Rows(), 3);

    m_env->clock.set(QDateTime(QDate(2002, 10, 12), QTime(9, 31)));
    list().xTimer_Timer();
    QCOMPARE(grid->Rows(), 2);
    QCOMPARE(grid->Cell(1, 1).Text, QStringLiteral("09:40:00 AM"));
    QCOMPARE(grid->Cell(2, 1).Text, QStringLiteral("10:00:00 AM"));
    QCOMPARE(grid->Cell(2, 2).Text, QStringLiteral("0 Day(s) 0:29:0"));

    // An emptied schedule empties the list.
    const ScheduleTable& table = m_env->database().table();
    while (!table.empty())
        QVERIFY(m_env->database().remove(table.rowId(0)));
    list().xTimer_Timer();
    QCOMPARE(grid->Rows(), 0);
}

QStringList columnTexts(const ListGrid& grid, int column)
{
    QStringList texts;
    for (int row = 1; row <= grid.Rows(); ++row)
        texts << grid.Cell(row, column).Text;
    return texts;
}

// A change of the schedule shows at the next tick; until then every row still shows its own entry,
// not the one that has moved into its place in the schedule.
void TestFormGrid::rowsKeepTheirEntriesUntilTheNextTick()
{
    m_env->addEntry(QStringLiteral("10/11/2002"), QStringLiteral("Gone by"), QStringLiteral("OneTime"));
    m_env->addEntry(QStringLiteral("10/13/2002"), QStringLiteral("First"), QStringLiteral("OneTime"));
    m_env->addEntry(QStringLiteral("10/14/2002"), QStringLiteral("Second"), QStringLiteral("OneTime"));
    ListGrid* grid = list().Grid();
    list().show();
    QCOMPARE(columnTexts(*grid, 1), QStringList({"First", "Second"}));

    const ScheduleTable& table = m_env->database().table();
    QVERIFY(m_env->database().remove(table.rowId(0)));
    m_env->addEntry(QStringLiteral("10/12/2002"), QStringLiteral("Added"), QStringLiteral("OneTime"),
                    QStringLiteral("11:00:00 AM"));
    QCOMPARE(columnTexts(*grid, 1), QStringList({"First", "Second"}));
    QCOMPARE(grid->Cell(1, 2).Text, QStringLiteral("1 Day(s) 0:30:0"));

    list().xTimer_Timer();
    QCOMPARE(columnTexts(*grid, 1), QStringList({"First", "Second", "Added"}));
    QCOMPARE(grid->Cell(3, 2).Text, QStringLiteral("0 Day(s) 1:30:0"));
}

void TestFormGrid::anAlarmRebuildShowsTheSameRows()
{
    for (const char* date : {"10/12/2002", "10/13/2002", "10/10/2002", "12/01/2002"})
        m_env->addEntry(QLatin1String(date), QLatin1String(date), QStringLiteral("OneTime"));
    ListGrid* grid = list().Grid();
    list().show();
    grid->setSelectedRow(2);
    const QStringList types = columnTexts(*grid, 1);
    const QStringList countdowns = columnTexts(*grid, 2);
    QCOMPARE(types, QStringList({"10/12/2002", "10/13/2002", "12/01/2002"}));

    list().RebuildGrid();
    QCOMPARE(grid->Columns(), 2);
    QCOMPARE(grid->ColumnKey(1), QStringLiteral("KEY1"));
    QCOMPARE(grid->ColumnKey(2), QStringLiteral("KEY3"));
    QCOMPARE(columnTexts(*grid, 1), types);
    QCOMPARE(columnTexts(*grid, 2), countdowns);
    QCOMPARE(grid->SelectedRow(), 0);

    // Rebuilt while an entry goes by, the list drops it.
    m_env->clock.set(QDateTime(QDate(2002, 10, 12), QTime(10, 0)));
    list().RebuildGrid();
    QCOMPARE(columnTexts(*grid, 1), QStringList({"10/13/2002", "12/01/2002"}));
}

void TestFormGrid::docksOnTheSideWithRoom()
{
    // In twips, as the window's design gives them: a main window 4680 wide and a list 3500 wide.
    const auto dock = [](int mainLeft) {
        return ListDocking::dockBeside(QRect(mainLeft, 300, 4680, 4275), 3500);
    };
    QCOMPARE(dock(2000).side, ListSide::Right);
    QCOMPARE(dock(2000).topLeft, QPoint(6680, 300));
    QCOMPARE(dock(5000).side, ListSide::Left);
    QCOMPARE(dock(5000).topLeft, QPoint(1500, 300));
    QCOMPARE(dock(3500).side, ListSide::Left);
    QCOMPARE(dock(3500).topLeft, QPoint(0, 300));
    QCOMPARE(ListDocking::placeOnSide(QRect(5000, 300, 4680, 4275), 3500, ListSide::Left), QPoint(1500, 300));
}

void TestFormGrid::countdownCommandDocksAndShowsTheList()
{
    MainForm& form = openMain();
    form.move(40, 60);
    QTest::mouseClick(command(MainForm::Countdown), Qt::LeftButton);
    QVERIFY(list().isVisible());
    QCOMPARE(m_env->values().DockSide, ListSide::Right);
    QCOMPARE(list().pos(), QPoint(40 + form.width(), 60));
    QCOMPARE(list().height(), form.height());
    QVERIFY(m_env->values().ListDocked);
    QVERIFY(!command(MainForm::Countdown)->isEnabled());

    list().close();
    form.move(600, 60);
    QTest::mouseClick(command(MainForm::Countdown), Qt::LeftButton);
    QCOMPARE(m_env->values().DockSide, ListSide::Left);
    QCOMPARE(list().pos(), QPoint(600 - list().width(), 60));
}

void TestFormGrid::foldingClosesTheListAndUnfoldingLeavesItClosed()
{
    MainForm& form = openMain();
    form.move(600, 60);
    QTest::mouseClick(command(MainForm::Countdown), Qt::LeftButton);
    auto* fold = form.findChild<VemraButton*>(QStringLiteral("VemraButton1"));
    QTest::mouseClick(fold, Qt::LeftButton);
    QVERIFY(form.isFolded());
    QVERIFY(!m_env->windows().loadedListWindow());
    QVERIFY(!m_env->values().ListDocked);
    QVERIFY(command(MainForm::Countdown)->isEnabled());

    QTest::mouseClick(fold, Qt::LeftButton);
    QVERIFY(!form.isFolded());
    FormGrid* list = m_env->windows().loadedListWindow();
    QVERIFY(list && !list->isVisible());
    QCOMPARE(list->pos(), QPoint(600 + form.width(), 60));
}

void TestFormGrid::unloadClearsDockedAndFreesTheCommand()
{
    openMain();
    QTest::mouseClick(command(MainForm::Countdown), Qt::LeftButton);
    QTest::mouseClick(list().findChild<VemraButton*>(QStringLiteral("VemraButton1")), Qt::LeftButton);
    QVERIFY(!m_env->windows().loadedListWindow());
    QVERIFY(!m_env->values().ListDocked);
    QVERIFY(command(MainForm::Countdown)->isEnabled());
}

void TestFormGrid::trayHidesTheListAndBringsItBackDocked()
{
    MainForm& form = openMain();
    form.move(600, 60);
    QTest::mouseClick(command(MainForm::Countdown), Qt::LeftButton);
    m_env->values().MainViewActive = true;
    TrayIcon tray(m_env->values(), m_env->windows());

    tray.TrayLeftClick();
    QVERIFY(!form.isVisible());
    QVERIFY(!m_env->windows().loadedListWindow());
    QVERIFY(m_env->values().ListDocked); // it comes back with the main window

    tray.TrayLeftClick();
    QVERIFY(form.isVisible());
    FormGrid* list = m_env->windows().loadedListWindow();
    QVERIFY(list && list->isVisible());
    QCOMPARE(list->pos(), QPoint(600 - list->width(), 60));
    QVERIFY(!command(MainForm::Countdown)->isEnabled());
}

void TestFormGrid::followsTheMainWindowTheme()
{
    MainForm& form = openMain();
    const auto strip = [this] {
        return list().findChild<ClickLabel*>(QStringLiteral("lblTitle(1)"))->BackColor();
    };
    const auto back = [this] { return Design::bgr(list().palette().color(QPalette::Window)); };
    QCOMPARE(back(), BgrColor(0xC0C0C0));
    QCOMPARE(strip(), Bgr::White);
    QCOMPARE(list().Grid()->HighlightBackColor(), 0x767676u);
    QCOMPARE(list().Grid()->HighlightForeColor(), 0xFFFFFFu);

    form.cmdButton_Click(MainForm::ChangeColor);
    QCOMPARE(back(), BgrColor(0x585858));
    QCOMPARE(strip(), Bgr::Black);
    QCOMPARE(list().Grid()->HighlightBackColor(), 0x000000u);
    QCOMPARE(list().Grid()->HighlightForeColor(), 0xC0C0C0u);

    // A list loaded later comes up in the main window's theme.
    list().close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(back(), BgrColor(0x585858));
    QCOMPARE(m_env->values().ThemeName, QStringLiteral("DARK"));
}

QTEST_MAIN(TestFormGrid)
#include "TestFormGrid.moc"
