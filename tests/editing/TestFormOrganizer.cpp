#include "app/TrayIcon.h"
#include "calendar/MainForm.h"
#include "controls/IconList.h"
#include "controls/ListGrid.h"
#include "controls/VemraButton.h"
#include "editing/DateEdit.h"
#include "editing/FormAddSched.h"
#include "editing/FormOrganizer.h"
#include "editing/NoteEdit.h"
#include "editing/OrganizerGrid.h"
#include "editing/TimeEdit.h"
#include "exchange/IcsImport.h"
#include "forms/ClickLabel.h"
#include "forms/DesignUnits.h"
#include "forms/MonthGridCells.h"
#include "store/DateText.h"
#include "store/Recurrence.h"
#include "store/RuleFile.h"
#include "store/ScheduleDatabase.h"
#include "support/OtherConnection.h"
#include "support/ShownCell.h"
#include "support/WindowTestEnv.h"
#include "views/FormGrid.h"

#include <QClipboard>
#include <QBuffer>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include <sqlite3.h>

// The organizer driven as a user drives it: opened from the main window, rows and days clicked,
// headers clicked, the panel edited and the commands pressed; then the file is read back.
class TestFormOrganizer : public QObject
{
    Q_OBJECT

private slots:
    void aRecurringEntryShowsItsRuleAndKeepsItThroughEdits();
    void initTestCase();
    void init();
    void cleanup();

    void opensInPlaceOfTheMainWindowAndGivesItBack();
    void rowsShowEveryEntryWithItsPicturesAndGreyPast();
    void alarmSwitchFollowsTheExactStoredWordAndToggles();
    void aWideSubjectKeepsItsStartAndEndsInAnEllipsis();
    void headerClicksSortAscendingThenDescending();
    void datesAndTimesInOtherSpellingsSortAmongTheStoredForm();
    void rowsKeepTheirEntriesThroughChangesMadeElsewhere();
    void aLongTableIsSortedInStepsBetweenEvents();
    void dayClickSelectsTheFirstRowOfThatDay();
    void commandsActOnExactlyTheSelectedEntryAmongLookalikes();
    void saveRewritesTheEntryAndItsWeekday();
    void saveWritesOnlyTheSelectedOfIdenticalEntries();
    void unreadableRowIsShownAsStoredAndSavedOnlyOnceReadable();
    void aNoteLongerThanTheBoxIsKeptUnlessChanged();
    void everyListedKindCanBeSavedAndKeepsRecurring();
    void incompletePanelIsRefusedAndKeptForEditing();
    void unreadableDateOrTimeIsNamedAndKeptForEditing();
    void subjectIsOneLineOfWholeCharacters();
    void refusedWriteIsReportedAndChangesNothing();
    void rowsCannotBeChangedWhileEditing();
    void addingFromTheOrganizerPresetsTheDayAndShowsTheNewRow();
    void compactLayoutFillsASmallScreen();
    void entryTextsAreNeverMarkup();
    void theKeyboardChoosesDaysAndTheirEntries();

private:
    FormOrganizer& open();
    ListGrid* grid() const { return m_organizer->Grid(); }
    template <typename T> T* child(const QString& name) const
    {
        T* found = m_organizer->findChild<T*>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    VemraButton* command(int index) const
    {
        return child<VemraButton>(QStringLiteral("VemraButton1(%1)").arg(index));
    }
    void press(int index) { QTest::mouseClick(command(index), Qt::LeftButton); }
    void clickRow(int row);
    void clickHeader(int column);
    ClickLabel* dayCell(int day) const;
    void clickDay(int day, QEvent::Type how = QEvent::MouseButtonPress);
    QStringList column(int column) const;
    static void typeAtEnd(NoteEdit* note, const QString& text)
    {
        note->moveCursor(QTextCursor::End);
        QTest::keyClicks(note, text);
    }
    QString panelSubject() const { return child<QLineEdit>(QStringLiteral("txtBox(2)"))->text(); }
    bool nothingSelected() const;

    std::unique_ptr<WindowTestEnv> m_env;
    QPointer<FormOrganizer> m_organizer;
};

void TestFormOrganizer::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestFormOrganizer::init()
{
    m_env = std::make_unique<WindowTestEnv>(QDateTime(QDate(2002, 10, 12), QTime(9, 30)));
}

void TestFormOrganizer::cleanup()
{
    m_env.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

FormOrganizer& TestFormOrganizer::open()
{
    MainForm& main = m_env->windows().mainForm();
    main.show();
    QTest::mouseClick(main.findChild<VemraButton*>(QStringLiteral("cmdButton(5)")), Qt::LeftButton);
    m_organizer = m_env->windows().openOrganizer();
    if (!m_organizer)
        qFatal("the organizer did not open");
    return *m_organizer;
}

void TestFormOrganizer::clickRow(int row)
{
    QTableView* view = grid()->view();
    const QRect cell = view->visualRect(view->model()->index(row - 1, OrganizerGrid::Date - 1));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
}

void TestFormOrganizer::clickHeader(int columnNumber)
{
    QHeaderView* header = grid()->view()->horizontalHeader();
    const int x =
        header->sectionViewportPosition(columnNumber - 1) + header->sectionSize(columnNumber - 1) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}

ClickLabel* TestFormOrganizer::dayCell(int day) const
{
    MonthGridCells& cells = m_organizer->dayCells();
    for (int i = 0; i < cells.count(); ++i) {
        ClickLabel* cell = cells.DaySlot(i);
        if (cell->isVisibleTo(m_organizer) && cell->text() == QString::number(day))
            return cell;
    }
    qFatal("day %d is not shown", day);
}

void TestFormOrganizer::clickDay(int day, QEvent::Type how)
{
    if (how == QEvent::MouseButtonDblClick)
        QTest::mouseDClick(dayCell(day), Qt::LeftButton);
    else
        QTest::mouseClick(dayCell(day), Qt::LeftButton);
}

QStringList TestFormOrganizer::column(int columnNumber) const
{
    QStringList texts;
    for (int row = 1; row <= grid()->Rows(); ++row)
        texts << grid()->Cell(row, columnNumber).Text;
    return texts;
}

bool TestFormOrganizer::nothingSelected() const
{
    return child<QFrame>(QStringLiteral("Frame1"))->isVisible() && panelSubject().isEmpty() &&
           child<QComboBox>(QStringLiteral("Combo3"))->currentText().isEmpty() &&
           command(FormOrganizer::AddToday)->isEnabled() && !command(FormOrganizer::Edit)->isEnabled() &&
           !command(FormOrganizer::Delete)->isEnabled() && !command(FormOrganizer::Save)->isEnabled();
}

void TestFormOrganizer::opensInPlaceOfTheMainWindowAndGivesItBack()
{
    MainForm& main = m_env->windows().mainForm();
    main.show();
    QTest::mouseClick(main.findChild<VemraButton*>(QStringLiteral("cmdButton(6)")), Qt::LeftButton);
    QVERIFY(m_env->windows().loadedListWindow());

    open();
    QVERIFY(!main.isVisible());
    QVERIFY(!m_env->windows().loadedListWindow());
    QVERIFY(m_env->values().ListDocked);
    QVERIFY(m_organizer->isVisible());
    QCOMPARE(m_organizer->windowTitle(), QStringLiteral("Zentravio Organizer"));
    QVERIFY(nothingSelected());
    QVERIFY(!child<DateEdit>(QStringLiteral("DateCtrl"))->isEnabled());
    QVERIFY(!child<TimeEdit>(QStringLiteral("TimeCtrl"))->isEnabled());
    QCOMPARE(child<QComboBox>(QStringLiteral("Combo2"))->count(), 21);
    QCOMPARE(child<QComboBox>(QStringLiteral("Combo2"))->currentText(), QStringLiteral("2002"));
    QCOMPARE(child<QComboBox>(QStringLiteral("Combo1"))->currentText(), QStringLiteral("October"));

    m_organizer->Form_Activate();
    QVERIFY(m_env->values().OrganizerViewActive);
    QVERIFY(!m_env->values().MainViewActive);

    // A second start of the program brings the organizer forward, not the main window it replaces.
    m_organizer->showMinimized();
    TrayIcon tray(m_env->values(), m_env->windows());
    tray.RestoreControlledWindow();
    QVERIFY(!(m_organizer->windowState() & Qt::WindowMinimized));
    QVERIFY(!main.isVisible());
    // The tray's left click leaves both as they are.
    tray.TrayLeftClick();
    QVERIFY(m_organizer->isVisible() && !main.isVisible());

    QTest::mouseClick(child<VemraButton>(QStringLiteral("VemraButton2")), Qt::LeftButton);
    QVERIFY(main.isVisible());
    FormGrid* list = m_env->windows().loadedListWindow();
    QVERIFY(list && list->isVisible());
    QCOMPARE(m_env->values().DockSide, ListSide::Right); // no room left of a window at the edge
    QCOMPARE(list->pos(), QPoint(main.x() + main.width(), main.y()));
    QVERIFY(!main.findChild<VemraButton*>(QStringLiteral("cmdButton(6)"))->isEnabled());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(m_organizer.isNull());
    // The next opening starts afresh.
    open();
    QVERIFY(nothingSelected());
}

void TestFormOrganizer::rowsShowEveryEntryWithItsPicturesAndGreyPast()
{
    m_env->addEntry(QStringLiteral("10/13/2002"), QStringLiteral("Ahead"), QStringLiteral("OneTime"),
                    QStringLiteral("08:00:00 AM"), QStringLiteral("ON"));
    m_env->addEntry(QStringLiteral("10/11/2002"), QStringLiteral("Yesterday"), QStringLiteral("Yearly"),
                    QStringLiteral("11:00:00 PM"), QStringLiteral("off"), QStringLiteral("gone"));
    m_env->addEntry(QStringLiteral("10/12/2002"), QStringLiteral("This minute"), QStringLiteral("Everyday"),
                    QStringLiteral("09:30:59 AM"));
    open();
    QCOMPARE(grid()->Columns(), 8);
    QCOMPARE(grid()->Rows(), 3);
    const QStringList headers = {"Status",  "Timer", "Date",       "Day",
                                 "Subject", "Note",  "Alarm Time", "Schedule Event"};
    for (int c = 1; c <= 8; ++c) {
        QCOMPARE(grid()->ColumnKey(c), QStringLiteral("KEY%1").arg(c));
        QCOMPARE(grid()->view()->model()->headerData(c - 1, Qt::Horizontal).toString(), headers[c - 1]);
    }
    QCOMPARE(grid()->ColumnWidth(6), 200);
    QCOMPARE(column(OrganizerGrid::Subject), QStringList({"Ahead", "Yesterday", "This minute"}));
    QCOMPARE(shownCellText(grid(), 1, OrganizerGrid::Subject), QStringLiteral("Ahead"));
    QCOMPARE(grid()->Cell(1, OrganizerGrid::Timer).Icon, int(IconList::AlarmOn)); // any letter case
    QCOMPARE(grid()->Cell(2, OrganizerGrid::Timer).Icon, int(IconList::AlarmOff));
    QCOMPARE(grid()->Cell(1, OrganizerGrid::Status).Icon, int(IconList::EntryAhead));
    QCOMPARE(grid()->Cell(2, OrganizerGrid::Status).Icon, int(IconList::EntryPast));
    QCOMPARE(grid()->Cell(3, OrganizerGrid::Status).Icon, int(IconList::EntryPast)); // its minute has begun
    for (int c = 1; c <= 7; ++c)
        QCOMPARE(grid()->CellForeColor(2, c), OrganizerGrid::PastForeColor);
    QVERIFY(grid()->CellForeColor(2, 8) != OrganizerGrid::PastForeColor);
    QVERIFY(grid()->CellForeColor(1, 3) != OrganizerGrid::PastForeColor);

    clickRow(2);
    QVERIFY(child<ClickLabel>(QStringLiteral("Label6"))->isVisible());
    QCOMPARE(child<ClickLabel>(QStringLiteral("Label6"))->text(),
             QStringLiteral("This record occurs in the past. "));
    QVERIFY(!child<ClickLabel>(QStringLiteral("Label9"))->isVisible());
    clickRow(1);
    QVERIFY(!child<ClickLabel>(QStringLiteral("Label6"))->isVisible());

    // A column edge cannot be dragged.
    grid()->view()->horizontalHeader()->resizeSection(5, 300);
    QCOMPARE(grid()->ColumnWidth(6), 200);
}

void TestFormOrganizer::alarmSwitchFollowsTheExactStoredWordAndToggles()
{
    m_env->addEntry(QStringLiteral("10/20/2002"), QStringLiteral("Loud"), QStringLiteral("OneTime"),
                    QStringLiteral("10:00:00 AM"), QStringLiteral("ON"));
    m_env->addEntry(QStringLiteral("10/21/2002"), QStringLiteral("On"), QStringLiteral("OneTime"),
                    QStringLiteral("10:00:00 AM"), QStringLiteral("on"));
    open();
    clickRow(1);
    QCOMPARE(child<ClickLabel>(QStringLiteral("lbl1"))->text(),
             QStringLiteral("The Alarm for this schedule is currently OFF."));
    QVERIFY(!child<QFrame>(QStringLiteral("Frame1"))->isVisible());
    QVERIFY(command(FormOrganizer::Edit)->isEnabled() && command(FormOrganizer::Delete)->isEnabled());

    clickRow(2);
    QCOMPARE(child<ClickLabel>(QStringLiteral("lbl1"))->text(),
             QStringLiteral("The Alarm for this schedule is currently ON."));
    QCOMPARE(child<ClickLabel>(QStringLiteral("lbl2"))->text(),
             QStringLiteral("to turn OFF the alarm for this"));
    QTest::mouseClick(child<ClickLabel>(QStringLiteral("ClickHere")), Qt::LeftButton);
    QCOMPARE(m_env->database().table().text(1, ScheduleField::AlarmOnOff), QStringLiteral("off"));
    QCOMPARE(grid()->Cell(2, OrganizerGrid::Timer).Icon, int(IconList::AlarmOff));
    QVERIFY(nothingSelected());

    // "ON" is not exactly "on": the switch turns it to "on".
    clickRow(1);
    QTest::mouseClick(child<ClickLabel>(QStringLiteral("ClickHere")), Qt::LeftButton);
    QCOMPARE(m_env->database().table().text(0, ScheduleField::AlarmOnOff), QStringLiteral("on"));
}

void TestFormOrganizer::aWideSubjectKeepsItsStartAndEndsInAnEllipsis()
{
    m_env->addEntry(QStringLiteral("10/20/2002"), QStringLiteral("Dentist appointment at the clinic"),
                    QStringLiteral("OneTime"));
    open();
    const QString shown = shownCellText(grid(), 1, OrganizerGrid::Subject);
    QVERIFY2(shown.startsWith(QStringLiteral("Dentist")) && shown.endsWith(QChar(0x2026)), qPrintable(shown));
}

void TestFormOrganizer::headerClicksSortAscendingThenDescending()
{
    m_env->addEntry(QStringLiteral("10/02/2002"), QStringLiteral("b"), QStringLiteral("OneTime"),
                    QStringLiteral("11:00:00 AM"));
    m_env->addEntry(QStringLiteral("01/15/2003"), QStringLiteral("c"), QStringLiteral("OneTime"),
                    QStringLiteral("09:00:00 AM"));
    m_env->addEntry(QStringLiteral("09/30/2001"), QStringLiteral("a"), QStringLiteral("OneTime"),
                    QStringLiteral("02:00:00 PM"));
    open();
    clickHeader(OrganizerGrid::Date);
    QCOMPARE(column(OrganizerGrid::Subject), QStringList({"a", "b", "c"}));
    QCOMPARE(grid()->ColumnTag(OrganizerGrid::Date), QStringLiteral("DESC"));
    clickHeader(OrganizerGrid::Date);
    QCOMPARE(column(OrganizerGrid::Subject), QStringList({"c", "b", "a"}));

    clickHeader(OrganizerGrid::AlarmTime);
    QCOMPARE(column(OrganizerGrid::Subject), QStringList({"c", "b", "a"})); // 9 AM, 11 AM, 2 PM
    clickHeader(OrganizerGrid::AlarmTime);
    QCOMPARE(column(OrganizerGrid::Subject), QStringList({"a", "b", "c"}));

    clickHeader(OrganizerGrid::Status); // past (icon 3) after ahead (icon 2)
    QCOMPARE(column(OrganizerGrid::Subject).last(), QStringLiteral("b"));
    QCOMPARE(column(OrganizerGrid::Subject).first(), QStringLiteral("c"));
}

void TestFormOrganizer::datesAndTimesInOtherSpellingsSortAmongTheStoredForm()
{
    m_env->addEntry(QStringLiteral("10/5/2002"), QStringLiteral("short"), QStringLiteral("OneTime"),
                    QStringLiteral("9:05 AM"));
    m_env->addEntry(QStringLiteral("01/04/2003"), QStringLiteral("stored"), QStringLiteral("OneTime"),
                    QStringLiteral("09:00:00 AM"));
    m_env->addEntry(QStringLiteral("someday"), QStringLiteral("unreadable"), QStringLiteral("OneTime"),
                    QStringLiteral("later"));
    m_env->addEntry(QStringLiteral("12/31/2002"), QStringLiteral("year before"), QStringLiteral("OneTime"),
                    QStringLiteral("12:10:00 AM"));
    open();
    clickHeader(OrganizerGrid::Date);
    QCOMPARE(column(OrganizerGrid::Subject), QStringList({"unreadable", "short", "year before", "stored"}));
    clickHeader(OrganizerGrid::Date);
    QCOMPARE(column(OrganizerGrid::Subject), QStringList({"stored", "year before", "short", "unreadable"}));
    clickHeader(OrganizerGrid::AlarmTime);
    QCOMPARE(column(OrganizerGrid::Subject), QStringList({"unreadable", "year before", "stored", "short"}));
    clickHeader(OrganizerGrid::Subject);
    clickHeader(OrganizerGrid::Subject);
    QCOMPARE(column(OrganizerGrid::Subject), QStringList({"year before", "unreadable", "stored", "short"}));
    // A day is found among the entries stored in its own form only, as its text is looked for.
    clickDay(5);
    QCOMPARE(grid()->SelectedRow(), 0);
}

// The table shows each entry as the schedule holds it now: a row keeps its entry through sorts and
// through changes made elsewhere, shows a changed entry's new texts, and is left empty when its entry
// is gone; an entry added elsewhere comes in when the table is next made.
void TestFormOrganizer::rowsKeepTheirEntriesThroughChangesMadeElsewhere()
{
    m_env->addEntry(QStringLiteral("10/20/2002"), QStringLiteral("b"), QStringLiteral("OneTime"));
    m_env->addEntry(QStringLiteral("10/21/2002"), QStringLiteral("c"), QStringLiteral("OneTime"));
    m_env->addEntry(QStringLiteral("10/22/2002"), QStringLiteral("a"), QStringLiteral("OneTime"));
    open();
    clickHeader(OrganizerGrid::Subject);
    QCOMPARE(column(OrganizerGrid::Subject), QStringList({"a", "b", "c"}));

    ScheduleDatabase& database = m_env->database();
    ScheduleEntry changed = database.table().entry(1);
    changed[ScheduleField::Subject] = QStringLiteral("c changed");
    QVERIFY(database.update(database.table().rowId(1), changed));
    QVERIFY(database.remove(database.table().rowId(0)));
    m_env->addEntry(QStringLiteral("10/23/2002"), QStringLiteral("added"), QStringLiteral("OneTime"));
    database.table();
    QCOMPARE(column(OrganizerGrid::Subject), QStringList({"a", "", "c changed"}));
    QCOMPARE(column(OrganizerGrid::Date), QStringList({"10/22/2002", "", "10/21/2002"}));
    QCOMPARE(grid()->Cell(2, OrganizerGrid::Status).Icon, -1);

    // A sort still finds every remaining entry; the empty row sorts as no text at all.
    clickHeader(OrganizerGrid::Subject);
    QCOMPARE(column(OrganizerGrid::Subject), QStringList({"c changed", "a", ""}));
    clickHeader(OrganizerGrid::Date);
    QCOMPARE(column(OrganizerGrid::Subject), QStringList({"", "c changed", "a"}));
    clickRow(3);
    QCOMPARE(panelSubject(), QStringLiteral("a"));
    clickDay(21);
    QCOMPARE(grid()->SelectedRow(), 2);
}

// A long table is put in order a step at a time while the window goes on with its events, under the
// wait cursor; a write meanwhile starts the sort again, another click sorts by that column instead, and
// a rebuild ends it.
void TestFormOrganizer::aLongTableIsSortedInStepsBetweenEvents()
{
    constexpr int Count = OrganizerGrid::SortInStepsFrom + 500;
    std::vector<ScheduleEntry> entries;
    for (int i = 0; i < Count; ++i) {
        const QDate date = QDate(2003, 1, 1).addDays(i % 700);
        entries.push_back(ScheduleEntry::make(DateText::mmddyyyy(date), DateText::dddd(date),
                                              QStringLiteral("s%1").arg(Count - i, 6, 10, QLatin1Char('0')),
                                              QStringLiteral("note"), QStringLiteral("10:00:00 AM"),
                                              QStringLiteral("off"), QStringLiteral("OneTime")));
    }
    ScheduleDatabase& database = m_env->database();
    QVERIFY(database.appendAll(entries));
    open();
    auto* sorter = m_organizer->findChild<OrganizerGrid*>();
    const auto subjectAt = [this](int row) { return grid()->Cell(row, OrganizerGrid::Subject).Text; };
    QCOMPARE(subjectAt(1), QStringLiteral("s%1").arg(Count, 6, 10, QLatin1Char('0')));

    clickHeader(OrganizerGrid::Subject);
    QVERIFY(sorter->sorting());
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(subjectAt(1), QStringLiteral("s%1").arg(Count, 6, 10, QLatin1Char('0'))); // not yet
    QTRY_VERIFY(!sorter->sorting());
    QCOMPARE(subjectAt(1), QStringLiteral("s000001"));
    QCOMPARE(subjectAt(Count), QStringLiteral("s%1").arg(Count, 6, 10, QLatin1Char('0')));
    QVERIFY(!QGuiApplication::overrideCursor());

    // Descending, with an entry renamed by a save while the sort is under way: a few steps first.
    clickHeader(OrganizerGrid::Subject);
    QVERIFY(sorter->sorting());
    auto* rows = dynamic_cast<OrganizerRows*>(grid()->rowSource());
    QVERIFY(rows);
    const auto past = std::chrono::steady_clock::now() - std::chrono::seconds(1);
    for (int step = 0; step < 16; ++step)
        QVERIFY(!rows->stepSort(past));
    const ScheduleTable& table = database.table();
    ScheduleEntry renamed = table.entry(Count / 2);
    renamed[ScheduleField::Subject] = QStringLiteral("zzz");
    QVERIFY(database.update(table.rowId(Count / 2), renamed));
    QTRY_VERIFY(!sorter->sorting());
    QCOMPARE(subjectAt(1), QStringLiteral("zzz"));
    QCOMPARE(subjectAt(2), QStringLiteral("s%1").arg(Count, 6, 10, QLatin1Char('0')));

    // Another header clicked meanwhile wins; a rebuild ends a sort under way.
    clickHeader(OrganizerGrid::Subject);
    clickHeader(OrganizerGrid::Date);
    QTRY_VERIFY(!sorter->sorting());
    QCOMPARE(grid()->Cell(1, OrganizerGrid::Date).Text, QStringLiteral("01/01/2003"));
    QVERIFY(!QGuiApplication::overrideCursor());
    clickHeader(OrganizerGrid::Note);
    sorter->rebuild(database.table(), m_env->clock.now());
    QVERIFY(!sorter->sorting());
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(grid()->Rows(), Count);

    // Leaving the organizer in the middle of a sort leaves no wait cursor behind.
    clickHeader(OrganizerGrid::Note);
    QVERIFY(QGuiApplication::overrideCursor());
    m_organizer->VemraButton2_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestFormOrganizer::dayClickSelectsTheFirstRowOfThatDay()
{
    m_env->clock.set(QDateTime(QDate(2003, 3, 1), QTime(8, 0)));
    m_env->addEntry(QStringLiteral("03/07/2003"), QStringLiteral("Other"), QStringLiteral("OneTime"));
    m_env->addEntry(QStringLiteral("03/05/2003"), QStringLiteral("First"), QStringLiteral("OneTime"));
    m_env->addEntry(QStringLiteral("03/05/2003"), QStringLiteral("Second"), QStringLiteral("Monthly"));
    open();
    clickDay(5);
    QCOMPARE(grid()->SelectedRow(), 2);
    QCOMPARE(panelSubject(), QStringLiteral("First"));
    QCOMPARE(child<DateEdit>(QStringLiteral("DateCtrl"))->value(), QStringLiteral("03/05/2003"));
    QVERIFY(dayCell(5)->font().bold()); // days with entries are marked
    QVERIFY(!dayCell(6)->font().bold());

    clickDay(20); // no entry: nothing changes
    QCOMPARE(grid()->SelectedRow(), 2);
    QCOMPARE(panelSubject(), QStringLiteral("First"));

    // Another month of the calendar leaves the grid as it is.
    QComboBox* months = child<QComboBox>(QStringLiteral("Combo1"));
    months->setCurrentIndex(4);
    emit months->activated(4);
    QCOMPARE(m_organizer->displayedMonth(), 5);
    QCOMPARE(grid()->Rows(), 3);
}

void TestFormOrganizer::commandsActOnExactlyTheSelectedEntryAmongLookalikes()
{
    // Twins that differ only in the alarm switch.
    m_env->addEntry(QStringLiteral("10/20/2002"), QStringLiteral("Twin"), QStringLiteral("OneTime"));
    m_env->addEntry(QStringLiteral("10/20/2002"), QStringLiteral("Twin"), QStringLiteral("OneTime"),
                    QStringLiteral("10:00:00 AM"), QStringLiteral("on"));
    m_env->addEntry(QStringLiteral("10/21/2002"), QStringLiteral("Keep"), QStringLiteral("OneTime"));
    open();
    ClickLabel* sentence = child<ClickLabel>(QStringLiteral("lbl1"));
    clickRow(2);
    QCOMPARE(sentence->text(), QStringLiteral("The Alarm for this schedule is currently ON."));
    clickRow(1);
    QCOMPARE(sentence->text(), QStringLiteral("The Alarm for this schedule is currently OFF."));

    // The switch turns the selected twin's alarm, and only its.
    clickRow(2);
    QTest::mouseClick(child<ClickLabel>(QStringLiteral("ClickHere")), Qt::LeftButton);
    QCOMPARE(m_env->database().table().text(0, ScheduleField::AlarmOnOff), QStringLiteral("off"));
    QCOMPARE(m_env->database().table().text(1, ScheduleField::AlarmOnOff), QStringLiteral("off"));
    clickRow(2);
    QTest::mouseClick(child<ClickLabel>(QStringLiteral("ClickHere")), Qt::LeftButton);
    QCOMPARE(m_env->database().table().text(1, ScheduleField::AlarmOnOff), QStringLiteral("on"));

    // Delete, without asking, removes the selected twin, also after a sort has moved the rows.
    clickHeader(OrganizerGrid::Subject);
    QCOMPARE(column(OrganizerGrid::Subject), QStringList({"Keep", "Twin", "Twin"}));
    clickRow(3);
    QCOMPARE(sentence->text(), QStringLiteral("The Alarm for this schedule is currently ON."));
    press(FormOrganizer::Delete);
    QVERIFY(m_env->messages.shown.isEmpty());
    const ScheduleTable& table = m_env->database().table();
    QCOMPARE(table.size(), size_t(2));
    QCOMPARE(table.text(0, ScheduleField::AlarmOnOff), QStringLiteral("off"));
    QCOMPARE(table.text(1, ScheduleField::Subject), QStringLiteral("Keep"));
    QCOMPARE(column(OrganizerGrid::Subject), QStringList({"Twin", "Keep"}));
    QVERIFY(nothingSelected());
}

void TestFormOrganizer::saveRewritesTheEntryAndItsWeekday()
{
    m_env->addEntry(QStringLiteral("10/20/2002"), QStringLiteral("Dentist"), QStringLiteral("OneTime"),
                    QStringLiteral("10:00:00 AM"), QStringLiteral("on"));
    open();
    clickRow(1);
    press(FormOrganizer::Edit);
    QVERIFY(command(FormOrganizer::Save)->isEnabled() && !command(FormOrganizer::AddToday)->isEnabled());
    QVERIFY(child<DateEdit>(QStringLiteral("DateCtrl"))->isEnabled());
    child<DateEdit>(QStringLiteral("DateCtrl"))->setValue(QStringLiteral("10/22/2002"));
    QLineEdit* subject = child<QLineEdit>(QStringLiteral("txtBox(2)"));
    subject->clear();
    QTest::keyClicks(subject, QStringLiteral("Orthodontist"));
    child<TimeEdit>(QStringLiteral("TimeCtrl"))->setValue(QStringLiteral("14:15"));

    m_env->messages.setNextAnswer(QMessageBox::Yes);
    press(FormOrganizer::Save);
    QCOMPARE(m_env->messages.shown.size(), 1);
    QCOMPARE(m_env->messages.shown[0].text,
             QStringLiteral("Are you sure you want to save changes for this record?"));
    QCOMPARE(m_env->messages.shown[0].title, QStringLiteral("Edit"));
    const ScheduleEntry saved = m_env->database().table().entry(0);
    QCOMPARE(saved[ScheduleField::Date], QStringLiteral("10/22/2002"));
    QCOMPARE(saved[ScheduleField::Day], QStringLiteral("Tuesday"));
    QCOMPARE(saved[ScheduleField::Subject], QStringLiteral("Orthodontist"));
    QCOMPARE(saved[ScheduleField::AlarmTime], QStringLiteral("02:15:00 PM"));
    QCOMPARE(saved[ScheduleField::Kind], QStringLiteral("Onetime"));
    QCOMPARE(saved[ScheduleField::AlarmOnOff], QStringLiteral("on"));
    QVERIFY(nothingSelected());
    QCOMPARE(grid()->Cell(1, OrganizerGrid::Subject).Text, QStringLiteral("Orthodontist"));
}

void TestFormOrganizer::saveWritesOnlyTheSelectedOfIdenticalEntries()
{
    m_env->addEntry(QStringLiteral("10/20/2002"), QStringLiteral("Twin"), QStringLiteral("OneTime"));
    m_env->addEntry(QStringLiteral("10/20/2002"), QStringLiteral("Twin"), QStringLiteral("OneTime"));
    open();

    // No: nothing changes and the window starts over.
    clickRow(2);
    press(FormOrganizer::Edit);
    QTest::keyClicks(child<QLineEdit>(QStringLiteral("txtBox(2)")), QStringLiteral("!"));
    m_env->messages.setNextAnswer(QMessageBox::No);
    press(FormOrganizer::Save);
    QCOMPARE(m_env->messages.shown.size(), 1);
    QCOMPARE(m_env->database().table().text(0, ScheduleField::Subject), QStringLiteral("Twin"));
    QCOMPARE(m_env->database().table().text(1, ScheduleField::Subject), QStringLiteral("Twin"));
    QVERIFY(nothingSelected());

    // Yes, asked once: the second twin, which was selected, is the one rewritten.
    clickRow(2);
    press(FormOrganizer::Edit);
    QTest::keyClicks(child<QLineEdit>(QStringLiteral("txtBox(2)")), QStringLiteral(" two"));
    m_env->messages.setNextAnswer(QMessageBox::Yes);
    press(FormOrganizer::Save);
    QCOMPARE(m_env->messages.shown.size(), 2);
    QCOMPARE(m_env->database().table().text(0, ScheduleField::Subject), QStringLiteral("Twin"));
    QCOMPARE(m_env->database().table().text(1, ScheduleField::Subject), QStringLiteral("Twin two"));

    // Another program changes the selected entry while it is edited: the panel does not overwrite it.
    clickRow(1);
    press(FormOrganizer::Edit);
    QTest::keyClicks(child<QLineEdit>(QStringLiteral("txtBox(2)")), QStringLiteral(" one"));
    OtherConnection(m_env->databasePath()).exec("UPDATE Schedule SET Note = 'elsewhere' WHERE rowid = 1");
    press(FormOrganizer::Save);
    QCOMPARE(m_env->messages.shown.size(), 3);
    QVERIFY(m_env->messages.shown[2].text.startsWith(QStringLiteral("This record was changed or removed")));
    QCOMPARE(m_env->database().table().text(0, ScheduleField::Subject), QStringLiteral("Twin"));
    QCOMPARE(m_env->database().table().text(0, ScheduleField::Note), QStringLiteral("elsewhere"));
    QVERIFY(nothingSelected());
}

void TestFormOrganizer::unreadableRowIsShownAsStoredAndSavedOnlyOnceReadable()
{
    // Another program wrote a date and a time this one cannot read.
    m_env->addEntry(QStringLiteral("12/21/2002"), QStringLiteral("Left"), QStringLiteral("OneTime"));
    m_env->addEntry(QStringLiteral("2002-12-21"), QStringLiteral("Odd"), QStringLiteral("OneTime"),
                    QStringLiteral("25:61"));
    open();
    DateEdit* date = child<DateEdit>(QStringLiteral("DateCtrl"));
    TimeEdit* time = child<TimeEdit>(QStringLiteral("TimeCtrl"));
    ClickLabel* notice = child<ClickLabel>(QStringLiteral("lblUnreadable"));
    clickRow(1);
    QVERIFY(!notice->isVisible());
    clickRow(2);
    QCOMPARE(panelSubject(), QStringLiteral("Odd"));
    QCOMPARE(date->typedText(), QStringLiteral("2002-12-21"));
    QCOMPARE(time->typedText(), QStringLiteral("25:61"));
    QVERIFY(notice->isVisible());

    // Save names each text that cannot be read, in turn, and writes nothing until both read.
    press(FormOrganizer::Edit);
    press(FormOrganizer::Save);
    QCOMPARE(m_env->messages.shown.size(), 1);
    QVERIFY(
        m_env->messages.shown[0].text.startsWith(QStringLiteral("The date \"2002-12-21\" cannot be read.")));
    date->setValue(QStringLiteral("12/22/2002"));
    press(FormOrganizer::Save);
    QCOMPARE(m_env->messages.shown.size(), 2);
    QVERIFY(
        m_env->messages.shown[1].text.startsWith(QStringLiteral("The alarm time \"25:61\" cannot be read.")));
    QCOMPARE(m_env->database().table().text(1, ScheduleField::Date), QStringLiteral("2002-12-21"));
    time->setValue(QStringLiteral("11:15:00 PM"));
    m_env->messages.setNextAnswer(QMessageBox::Yes);
    press(FormOrganizer::Save);
    QCOMPARE(m_env->database().table().entry(0),
             ScheduleEntry::make("12/21/2002", "Saturday", "Left", "note", "10:00:00 AM", "off", "OneTime"));
    QCOMPARE(m_env->database().table().text(1, ScheduleField::Date), QStringLiteral("12/22/2002"));
    QCOMPARE(m_env->database().table().text(1, ScheduleField::AlarmTime), QStringLiteral("11:15:00 PM"));

    // Delete after moving from a readable row to an unreadable one removes the one selected.
    OtherConnection(m_env->databasePath()).exec("UPDATE Schedule SET Date = '2002-12-21' WHERE Type = 'Odd'");
    m_organizer->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    open();
    clickRow(1);
    clickRow(2);
    QVERIFY(child<ClickLabel>(QStringLiteral("lblUnreadable"))->isVisible());
    press(FormOrganizer::Delete);
    QCOMPARE(m_env->database().table().size(), size_t(1));
    QCOMPARE(m_env->database().table().text(0, ScheduleField::Subject), QStringLiteral("Left"));
}

void TestFormOrganizer::aNoteLongerThanTheBoxIsKeptUnlessChanged()
{
    // A schedule made by another program, whose note field holds more than the note box.
    const QString longNote = QString(300, u'n');
    {
        OtherConnection other(m_env->databasePath());
        QCOMPARE(other.exec("DROP TABLE Schedule"), SQLITE_OK);
        QCOMPARE(
            other.exec("CREATE TABLE Schedule (Date TEXT, Day TEXT, Type TEXT, Note TEXT, AlarmTime TEXT, "
                       "AlarmOnOff TEXT, SchedType TEXT)"),
            SQLITE_OK);
        const QByteArray insert = "INSERT INTO Schedule VALUES ('10/20/2002', 'Sunday', 'Long', '" +
                                  longNote.toLatin1() + "', '10:00:00 AM', 'off', 'Onetime')";
        QCOMPARE(other.exec(insert.constData()), SQLITE_OK);
    }
    open();
    clickRow(1);
    NoteEdit* note = child<NoteEdit>(QStringLiteral("txtBox(3)"));
    QCOMPARE(note->toPlainText().size(), 250);
    press(FormOrganizer::Edit);
    QTest::keyClicks(child<QLineEdit>(QStringLiteral("txtBox(2)")), QStringLiteral(" one"));
    m_env->messages.setNextAnswer(QMessageBox::Yes);
    press(FormOrganizer::Save);
    QCOMPARE(m_env->messages.shown.size(), 1);
    QCOMPARE(m_env->messages.shown[0].text,
             QStringLiteral("Are you sure you want to save changes for this record?"));
    QCOMPARE(m_env->database().table().text(0, ScheduleField::Subject), QStringLiteral("Long one"));
    QCOMPARE(m_env->database().table().text(0, ScheduleField::Note), longNote);

    // A note the user changed is saved as the box shows it, and the question says so.
    clickRow(1);
    press(FormOrganizer::Edit);
    note->setPlainText(QStringLiteral("short"));
    m_env->messages.setNextAnswer(QMessageBox::Yes);
    press(FormOrganizer::Save);
    QVERIFY(m_env->messages.shown[1].text.contains(QStringLiteral("first 250 characters")));
    QCOMPARE(m_env->database().table().text(0, ScheduleField::Note), QStringLiteral("short"));
}

void TestFormOrganizer::everyListedKindCanBeSavedAndKeepsRecurring()
{
    m_env->addEntry(QStringLiteral("10/20/2002"), QStringLiteral("Walk"), QStringLiteral("Everyday"),
                    QStringLiteral("07:00:00 AM"), QStringLiteral("on"));
    m_env->addEntry(QStringLiteral("10/25/2002"), QStringLiteral("Rent"), QStringLiteral("Monthly"));
    open();
    clickRow(1);
    QCOMPARE(child<QComboBox>(QStringLiteral("Combo3"))->currentText(), QStringLiteral("EveryDay"));
    press(FormOrganizer::Edit);
    m_env->messages.setNextAnswer(QMessageBox::Yes);
    press(FormOrganizer::Save);
    const ScheduleTable& table = m_env->database().table();
    QCOMPARE(table.text(0, ScheduleField::Kind), QStringLiteral("EveryDay"));
    QVERIFY(Recurrence::isAlarmDue(table, 0, QDateTime(QDate(2003, 1, 9), QTime(7, 0))));

    // "Monthly" is the first listed kind, and a choice like any other.
    clickRow(2);
    press(FormOrganizer::Edit);
    typeAtEnd(child<NoteEdit>(QStringLiteral("txtBox(3)")), QStringLiteral(" due"));
    m_env->messages.setNextAnswer(QMessageBox::Yes);
    press(FormOrganizer::Save);
    QCOMPARE(m_env->database().table().text(1, ScheduleField::Note), QStringLiteral("note due"));
    QCOMPARE(m_env->database().table().text(1, ScheduleField::Kind), QStringLiteral("Monthly"));
}

void TestFormOrganizer::incompletePanelIsRefusedAndKeptForEditing()
{
    m_env->addEntry(QStringLiteral("10/20/2002"), QStringLiteral("Dentist"), QStringLiteral("OneTime"));
    open();
    clickRow(1);
    press(FormOrganizer::Edit);
    child<QLineEdit>(QStringLiteral("txtBox(2)"))->clear();
    typeAtEnd(child<NoteEdit>(QStringLiteral("txtBox(3)")), QStringLiteral(" kept"));
    press(FormOrganizer::Save);
    QCOMPARE(m_env->messages.shown.size(), 1);
    QCOMPARE(m_env->messages.shown[0].text, QStringLiteral("Error while saving record"));
    QCOMPARE(m_env->messages.shown[0].title, QStringLiteral("Invalid entry"));
    QCOMPARE(m_env->messages.shown[0].icon, QMessageBox::Information);
    QCOMPARE(m_env->database().table().text(0, ScheduleField::Subject), QStringLiteral("Dentist"));
    // Still editing, with what the user left in the panel.
    QVERIFY(command(FormOrganizer::Save)->isEnabled());
    QCOMPARE(child<NoteEdit>(QStringLiteral("txtBox(3)"))->toPlainText(), QStringLiteral("note kept"));

    // Spaces alone are no subject, and no note either.
    QTest::keyClicks(child<QLineEdit>(QStringLiteral("txtBox(2)")), QStringLiteral("   "));
    press(FormOrganizer::Save);
    QCOMPARE(m_env->messages.shown.size(), 2);
    QCOMPARE(m_env->messages.shown[1].text, QStringLiteral("Error while saving record"));
    child<QLineEdit>(QStringLiteral("txtBox(2)"))->setText(QStringLiteral("Dentist"));
    child<NoteEdit>(QStringLiteral("txtBox(3)"))->setPlainText(QStringLiteral(" \n "));
    press(FormOrganizer::Save);
    QCOMPARE(m_env->messages.shown.size(), 3);
    QCOMPARE(m_env->messages.shown[2].text, QStringLiteral("Error while saving record"));
    QCOMPARE(m_env->database().table().text(0, ScheduleField::Note), QStringLiteral("note"));
    child<NoteEdit>(QStringLiteral("txtBox(3)"))->setPlainText(QStringLiteral("note kept"));

    // An alarm time box left empty is named, as the add dialog names what it lacks.
    child<TimeEdit>(QStringLiteral("TimeCtrl"))->setValue(QString());
    press(FormOrganizer::Save);
    QCOMPARE(m_env->messages.shown.size(), 4);
    QVERIFY2(m_env->messages.shown[3].text.startsWith(QStringLiteral("The alarm time is missing.")),
             qPrintable(m_env->messages.shown[3].text));
    QCOMPARE(m_env->database().table().text(0, ScheduleField::AlarmTime), QStringLiteral("10:00:00 AM"));
    child<TimeEdit>(QStringLiteral("TimeCtrl"))->setValue(QStringLiteral("10:00:00 AM"));

    // Cancel keeps the unsaved values on show and closes the panel again.
    press(FormOrganizer::Cancel);
    QVERIFY(!child<QLineEdit>(QStringLiteral("txtBox(2)"))->isEnabled());
    QCOMPARE(child<NoteEdit>(QStringLiteral("txtBox(3)"))->toPlainText(), QStringLiteral("note kept"));
    QVERIFY(command(FormOrganizer::Edit)->isEnabled());
}

void TestFormOrganizer::unreadableDateOrTimeIsNamedAndKeptForEditing()
{
    m_env->addEntry(QStringLiteral("10/20/2002"), QStringLiteral("Dentist"), QStringLiteral("OneTime"));
    open();
    clickRow(1);
    press(FormOrganizer::Edit);
    const struct
    {
        const char* box;
        const char* typed;
        const char* named;
    } cases[] = {{"DateCtrl", "02/30/2003", "date"}, {"TimeCtrl", "7:75 PM", "alarm time"}};
    int shown = 0;
    for (const auto& c : cases) {
        QLineEdit* line = child<QWidget>(QLatin1String(c.box))->findChild<QLineEdit*>();
        const QString before = line->text();
        m_organizer->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_organizer));
        line->setFocus();
        QTRY_VERIFY(line->hasFocus());
        QTest::keyClick(line, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(line, QLatin1String(c.typed));
        press(FormOrganizer::Save);
        QVERIFY(!line->hasFocus());

        QCOMPARE(m_env->messages.shown.size(), ++shown);
        const RecordingMessageBoxService::Shown& message = m_env->messages.shown.last();
        QVERIFY2(message.text.startsWith(QStringLiteral("The %1 \"%2\" cannot be read.")
                                             .arg(QLatin1String(c.named), QLatin1String(c.typed))),
                 qPrintable(message.text));
        QCOMPARE(message.title, QStringLiteral("Invalid entry"));
        // Still editing, with the text as typed and the entry as stored.
        QVERIFY(command(FormOrganizer::Save)->isEnabled());
        QCOMPARE(line->text(), QLatin1String(c.typed));
        const ScheduleEntry stored = m_env->database().table().entry(0);
        QCOMPARE(stored[ScheduleField::Date], QStringLiteral("10/20/2002"));
        QCOMPARE(stored[ScheduleField::AlarmTime], QStringLiteral("10:00:00 AM"));
        line->setText(before);
    }
    m_env->messages.setNextAnswer(QMessageBox::Yes);
    press(FormOrganizer::Save);
    QVERIFY(nothingSelected());
}

void TestFormOrganizer::subjectIsOneLineOfWholeCharacters()
{
    m_env->addEntry(QStringLiteral("10/20/2002"), QStringLiteral("Dentist"), QStringLiteral("OneTime"));
    open();
    clickRow(1);
    press(FormOrganizer::Edit);
    QLineEdit* subject = child<QLineEdit>(QStringLiteral("txtBox(2)"));
    const QString face = QStringLiteral("\U0001F600");
    subject->setText(QString(49, u's'));
    QTest::sendKeyEvent(QTest::Click, subject, Qt::Key_unknown, face, Qt::NoModifier);
    QCOMPARE(subject->text(), QString(49, u's') + face);
    QTest::sendKeyEvent(QTest::Click, subject, Qt::Key_unknown, face, Qt::NoModifier);
    QCOMPARE(subject->text(), QString(49, u's') + face);

    subject->clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("Dentist\nat nine\r\n"));
    subject->paste();
    m_env->messages.setNextAnswer(QMessageBox::Yes);
    press(FormOrganizer::Save);
    QCOMPARE(m_env->database().table().text(0, ScheduleField::Subject), QStringLiteral("Dentist at nine "));
}

void TestFormOrganizer::refusedWriteIsReportedAndChangesNothing()
{
    m_env->addEntry(QStringLiteral("10/20/2002"), QStringLiteral("Dentist"), QStringLiteral("OneTime"));
    open();
    clickRow(1);
    press(FormOrganizer::Edit);
    QTest::keyClicks(child<QLineEdit>(QStringLiteral("txtBox(2)")), QStringLiteral(" visit"));

    // Another program makes the file refuse every change.
    sqlite3* other = nullptr;
    QCOMPARE(sqlite3_open(m_env->databasePath().toUtf8().constData(), &other), SQLITE_OK);
    QCOMPARE(sqlite3_exec(
                 other,
                 "CREATE TRIGGER refuse BEFORE UPDATE ON Schedule BEGIN SELECT RAISE(ABORT, 'refused'); END;",
                 nullptr, nullptr, nullptr),
             SQLITE_OK);
    sqlite3_close(other);

    m_env->messages.setNextAnswer(QMessageBox::Yes);
    press(FormOrganizer::Save);
    QCOMPARE(m_env->messages.shown.size(), 2);
    QCOMPARE(m_env->messages.shown[1].icon, QMessageBox::Warning);
    QCOMPARE(m_env->messages.shown[1].title, QStringLiteral("Entry not saved"));
    QCOMPARE(m_env->database().table().text(0, ScheduleField::Subject), QStringLiteral("Dentist"));
    QVERIFY(command(FormOrganizer::Save)->isEnabled());
    QCOMPARE(panelSubject(), QStringLiteral("Dentist visit"));
}

void TestFormOrganizer::rowsCannotBeChangedWhileEditing()
{
    m_env->addEntry(QStringLiteral("10/20/2002"), QStringLiteral("One"), QStringLiteral("OneTime"));
    m_env->addEntry(QStringLiteral("10/21/2002"), QStringLiteral("Two"), QStringLiteral("OneTime"));
    open();
    clickRow(1);
    press(FormOrganizer::Edit);
    clickRow(2);
    clickDay(21);
    QCOMPARE(panelSubject(), QStringLiteral("One"));
    // The switch waits until the edit ends.
    QTest::mouseClick(child<ClickLabel>(QStringLiteral("ClickHere")), Qt::LeftButton);
    QCOMPARE(m_env->database().table().text(0, ScheduleField::AlarmOnOff), QStringLiteral("off"));
    press(FormOrganizer::Cancel);
    clickRow(2);
    QCOMPARE(panelSubject(), QStringLiteral("Two"));
}

void TestFormOrganizer::addingFromTheOrganizerPresetsTheDayAndShowsTheNewRow()
{
    open();
    press(FormOrganizer::AddToday);
    FormAddSched* dialog = m_env->windows().addScheduleDialog();
    QVERIFY(dialog->isVisible());
    QCOMPARE(m_env->values().OpenedFrom, AddDialogOpener::Organizer);
    QCOMPARE(dialog->EntryDate()->value(), QStringLiteral("10/12/2002"));
    QVERIFY(m_organizer->isEnabled());
    dialog->close();
    QVERIFY(nothingSelected());

    clickDay(23, QEvent::MouseButtonDblClick);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->EntryDate()->value(), QStringLiteral("10/23/2002"));
    QTest::keyClicks(dialog->findChild<QComboBox*>(QStringLiteral("cboType"))->lineEdit(),
                     QStringLiteral("Party"));
    QTest::keyClicks(dialog->findChild<NoteEdit*>(QStringLiteral("txtNote")), QStringLiteral("cake"));
    QTest::mouseClick(dialog->findChild<VemraButton*>(QStringLiteral("cmdButton(0)")), Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(column(OrganizerGrid::Subject), QStringList({"Party"}));
    QVERIFY(nothingSelected());
    QCOMPARE(child<QFrame>(QStringLiteral("Frame1"))->findChild<ClickLabel*>()->text(),
             QStringLiteral("No schedule selected"));
    QCOMPARE(m_env->values().OpenedFrom, AddDialogOpener::None);
}

void TestFormOrganizer::compactLayoutFillsASmallScreen()
{
    open();
    const QPoint designedCombo = child<QComboBox>(QStringLiteral("Combo1"))->pos();
    QVERIFY(!m_organizer->compactLayout());
    QCOMPARE(m_organizer->size(), QSize(Design::px(11145), Design::px(7050)));
    QTest::mouseClick(child<VemraButton>(QStringLiteral("VemraButton2")), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    m_env->screen.setGeometry(QRect(0, 0, 640, 480));
    m_env->addEntry(QStringLiteral("10/01/2002"), QStringLiteral("Gone"), QStringLiteral("OneTime"));
    open();
    QVERIFY(m_organizer->compactLayout());
    QCOMPARE(m_organizer->size(), QSize(640, 480));
    // The load runs the check at its start and its end, so each shift is made twice.
    QCOMPARE(child<QComboBox>(QStringLiteral("Combo1"))->x(), designedCombo.x() - 2 * Design::px(500));
    clickRow(1);
    QCOMPARE(child<ClickLabel>(QStringLiteral("Label7"))->text(),
             QStringLiteral("The scheduled date and time is already"));
    QVERIFY(child<ClickLabel>(QStringLiteral("Label9"))->isVisible());
}

void TestFormOrganizer::entryTextsAreNeverMarkup()
{
    const QString subject = QStringLiteral("<img src=\"/dev/zero\">");
    m_env->addEntry(QStringLiteral("10/20/2002"), subject, QStringLiteral("OneTime"),
                    QStringLiteral("10:00:00 AM"), QStringLiteral("off"), QStringLiteral("<b>bold</b>"));
    open();
    QCOMPARE(grid()->Cell(1, OrganizerGrid::Subject).Text, subject);
    ClickLabel* cell = dayCell(20);
    QTest::mouseMove(cell);
    QVERIFY(!cell->toolTip().contains(QLatin1String("<img")));
    QVERIFY(cell->toolTip().contains(QLatin1String("&lt;img")));
    clickRow(1);
    QCOMPARE(panelSubject(), subject);
}

void TestFormOrganizer::theKeyboardChoosesDaysAndTheirEntries()
{
    m_env->addEntry(QStringLiteral("10/13/2002"), QStringLiteral("Tomorrow"), QStringLiteral("OneTime"));
    m_env->addEntry(QStringLiteral("11/13/2002"), QStringLiteral("Next month"), QStringLiteral("OneTime"));
    open();
    QWidget* keys = m_organizer->cmdSetfocus();
    QTest::keyClick(keys, Qt::Key_Right); // from today, 12 October 2002
    QCOMPARE(panelSubject(), QStringLiteral("Tomorrow"));
    QTest::keyClick(keys, Qt::Key_PageDown);
    QCOMPARE(m_organizer->displayedMonth(), 11);
    QCOMPARE(child<QComboBox>(QStringLiteral("Combo1"))->currentText(), QStringLiteral("November"));
    QCOMPARE(panelSubject(), QStringLiteral("Next month"));
    // Ctrl+Up and Ctrl+Down walk the table itself, reaching entries that are not a day's first.
    QTest::keyClick(keys, Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(panelSubject(), QStringLiteral("Tomorrow"));
    QTest::keyClick(keys, Qt::Key_Up, Qt::ControlModifier);
    QTest::keyClick(keys, Qt::Key_Up, Qt::ControlModifier); // stays on the first row
    QCOMPARE(m_organizer->findChild<ListGrid*>(QStringLiteral("Grid"))->SelectedRow(), 1);
    QTest::keyClick(keys, Qt::Key_Down, Qt::ControlModifier);
    QTest::keyClick(keys, Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(panelSubject(), QStringLiteral("Next month"));
    QTest::keyClick(keys, Qt::Key_Down, Qt::ControlModifier); // and on the last
    QCOMPARE(panelSubject(), QStringLiteral("Next month"));
    QTest::keyClick(keys, Qt::Key_Return);
    QCOMPARE(m_env->windows().addScheduleDialog()->EntryDate()->value(), QStringLiteral("11/13/2002"));
}

QTEST_MAIN(TestFormOrganizer)
// An entry that keeps a recurrence says its rule in words, in its row and in the "Event:" list; a new time
// moves every occurrence and keeps the rule; choosing one of the five kinds replaces it after a question
// that says what the rule was; a new day is refused, as its days come from the rule.
void TestFormOrganizer::aRecurringEntryShowsItsRuleAndKeepsItThroughEdits()
{
    QByteArray calendar = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\nBEGIN:VEVENT\r\nUID:piano\r\n"
                          "SUMMARY:Piano\r\nDTSTART:20021022T180000\r\nRRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=TU\r\n"
                          "EXDATE:20021105T180000\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    QBuffer file(&calendar);
    file.open(QIODevice::ReadOnly);
    QVERIFY(IcsImport::run(m_env->database(), file, QTimeZone::systemTimeZone(), {}).ok);
    const qint64 row = m_env->database().table().rowId(0);
    open();
    QCOMPARE(grid()->Cell(1, OrganizerGrid::Event).Text, QStringLiteral("Every other Tuesday"));
    clickRow(1);
    QComboBox* event = child<QComboBox>(QStringLiteral("Combo3"));
    QCOMPARE(event->currentText(), QStringLiteral("Every other Tuesday"));

    // A new time: every occurrence moves, the rule and its exception with it.
    press(FormOrganizer::Edit);
    child<TimeEdit>(QStringLiteral("TimeCtrl"))->setValue(QStringLiteral("19:30"));
    m_env->messages.setNextAnswer(QMessageBox::Yes);
    press(FormOrganizer::Save);
    QCOMPARE(m_env->database().table().text(0, ScheduleField::AlarmTime), QStringLiteral("07:30:00 PM"));
    QCOMPARE(m_env->database().table().text(0, ScheduleField::Kind), QString::fromLatin1(RuleFile::RecurringKind));
    const QByteArray moved = m_env->database().rules().value(row);
    QVERIFY2(moved.contains("DTSTART:20021022T193000") && moved.contains("EXDATE:20021105T193000") &&
                 moved.contains("INTERVAL=2"),
             moved.constData());

    // A new day is refused and changes nothing.
    clickRow(1);
    press(FormOrganizer::Edit);
    child<DateEdit>(QStringLiteral("DateCtrl"))->setValue(QStringLiteral("10/23/2002"));
    m_env->messages.shown.clear();
    press(FormOrganizer::Save);
    QCOMPARE(m_env->messages.shown.size(), 1);
    QVERIFY(m_env->messages.shown[0].text.contains(QLatin1String("come from its rule")));
    QCOMPARE(m_env->database().rules().value(row), moved);

    // One of the five kinds, after the question that names the rule: answered No, nothing changes.
    child<DateEdit>(QStringLiteral("DateCtrl"))->setValue(QStringLiteral("10/22/2002"));
    event->setCurrentIndex(event->findText(QStringLiteral("Yearly")));
    m_env->messages.shown.clear();
    m_env->messages.setNextAnswer(QMessageBox::No);
    press(FormOrganizer::Save);
    QCOMPARE(m_env->messages.shown.size(), 1);
    QVERIFY2(m_env->messages.shown[0].text.contains(QLatin1String("Every other Tuesday")),
             qPrintable(m_env->messages.shown[0].text));
    QVERIFY(m_env->database().rules().contains(row));
    m_env->messages.setNextAnswer(QMessageBox::Yes);
    m_env->messages.setNextAnswer(QMessageBox::Yes);
    press(FormOrganizer::Save);
    QCOMPARE(m_env->database().table().text(0, ScheduleField::Kind), QStringLiteral("Yearly"));
    QVERIFY(!m_env->database().rules().contains(row));
    QCOMPARE(grid()->Cell(1, OrganizerGrid::Event).Text, QStringLiteral("Yearly"));
}

#include "TestFormOrganizer.moc"
