#include "app/TrayIcon.h"
#include "calendar/MainForm.h"
#include "controls/MonthCalendar.h"
#include "controls/VemraButton.h"
#include "editing/DateEdit.h"
#include "editing/FormAddSched.h"
#include "forms/DesignUnits.h"
#include "store/DateText.h"
#include "support/WindowTestEnv.h"
#include "views/FormGrid.h"
#include "views/formYear.h"

#include <QClipboard>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

// The year view opened with the main window's "Max", driven as a user drives it. The clock stands at
// 12 October 2002 on a 1280 x 1024 screen.
class TestFormYear : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() { m_env = std::make_unique<WindowTestEnv>(); }
    void cleanup() { m_env.reset(); }

    void opensTheCurrentYearInPlaceOfTheMainWindowAndMovesToAnother();
    void clickCopiesTheLongDateAndAnotherMonthIsRefused();
    void doubleClickOpensTheAddDialogForThatDate();
    void busyDaysAreBoldAndFollowTheSchedule();
    void coversTheScreenOrFormsACompactGridAndEachOpeningStartsAfresh();
    void backBringsTheDockedListBackWithTheMainWindow();
    void minHidesToTheTrayAndTheIconTogglesTheYearView();
    void theKeyboardChoosesDaysAcrossMonthsAndYears();
    void isAFullScreenWindowAtEveryOpening();

private:
    MainForm& main() { return m_env->windows().mainForm(); }
    formYear& openYear()
    {
        main().show();
        QTest::mouseClick(button(&main(), "cmdButton(1)"), Qt::LeftButton);
        return *m_env->windows().yearWindow();
    }
    MonthCalendar* calendar(int index) { return m_env->windows().yearWindow()->YearCalendar(index); }
    void click(int index, QDate date, bool twice = false)
    {
        const QPoint place = calendar(index)->dayRect(date).center();
        twice ? QTest::mouseDClick(calendar(index), Qt::LeftButton, {}, place)
              : QTest::mouseClick(calendar(index), Qt::LeftButton, {}, place);
    }
    static VemraButton* button(QWidget* window, const char* name)
    {
        return window->findChild<VemraButton*>(QLatin1String(name));
    }
    void checkSelectionOnlyIn(int index, QDate date)
    {
        for (int i = 0; i < formYear::Months; ++i)
            QCOMPARE(calendar(i)->noDateSelected(), i != index);
        QCOMPARE(calendar(index)->value(), date);
    }
    quint32 bold(std::initializer_list<int> days)
    {
        quint32 bits = 0;
        for (int day : days)
            bits |= 1u << day;
        return bits;
    }

    std::unique_ptr<WindowTestEnv> m_env;
};

void TestFormYear::opensTheCurrentYearInPlaceOfTheMainWindowAndMovesToAnother()
{
    formYear& year = openYear();
    QVERIFY(year.isVisible());
    QVERIFY(!main().isVisible());
    QVERIFY(!m_env->values().MainHidden);
    for (int i = 0; i < formYear::Months; ++i)
        QCOMPARE(QPoint(calendar(i)->month(), calendar(i)->year()), QPoint(i + 1, 2002));
    checkSelectionOnlyIn(9, QDate(2002, 10, 12));
    QCOMPARE(year.Combo1()->count(), 21);
    QCOMPARE(year.Combo1()->currentIndex(), 10);

    click(4, QDate(2002, 5, 20));
    year.Combo1()->setCurrentText(QStringLiteral("2005"));
    for (int i = 0; i < formYear::Months; ++i)
        QCOMPARE(QPoint(calendar(i)->month(), calendar(i)->year()), QPoint(i + 1, 2005));
    checkSelectionOnlyIn(9, QDate(2005, 10, 12));
}

void TestFormYear::clickCopiesTheLongDateAndAnotherMonthIsRefused()
{
    main().show();
    main().findChild<QAction*>(QStringLiteral("mnuS"))->trigger(); // the main window copies short dates
    openYear();
    click(4, QDate(2002, 5, 20));
    checkSelectionOnlyIn(4, QDate(2002, 5, 20));
    QCOMPARE(QGuiApplication::clipboard()->text(),
             DateText::namedFormat(QDate(2002, 5, 20), DateText::LongDate));

    // 1 June, grey in the May calendar, would change its month.
    QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
    click(4, QDate(2002, 6, 1));
    click(4, QDate(2002, 6, 1), true);
    QVERIFY(!m_env->windows().addScheduleDialog()->isVisible());
    QCOMPARE(calendar(4)->month(), 5);
    checkSelectionOnlyIn(4, QDate(2002, 5, 20));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("untouched"));
}

void TestFormYear::doubleClickOpensTheAddDialogForThatDate()
{
    openYear().Combo1()->setCurrentText(QStringLiteral("2003"));
    click(2, QDate(2003, 3, 7), true);
    FormAddSched& dialog = *m_env->windows().addScheduleDialog();
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.EntryDate()->value(), QStringLiteral("03/07/2003"));

    // The entry saved there is bold at once.
    QTest::keyClicks(dialog.findChild<QComboBox*>(QStringLiteral("cboType"))->lineEdit(),
                     QStringLiteral("Dentist"));
    QTest::keyClicks(dialog.findChild<QWidget*>(QStringLiteral("txtNote")), QStringLiteral("Bring the card"));
    QTest::mouseClick(button(&dialog, "cmdButton(0)"), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(calendar(2)->boldDays(), bold({7}));
}

void TestFormYear::busyDaysAreBoldAndFollowTheSchedule()
{
    m_env->addEntry(QStringLiteral("10/20/2002"), QStringLiteral("Meeting"), QStringLiteral("OneTime"));
    m_env->addEntry(QStringLiteral("09/05/2002"), QStringLiteral("Rent"), QStringLiteral("Monthly"));
    m_env->addEntry(QStringLiteral("12/25/1990"), QStringLiteral("Christmas"), QStringLiteral("Yearly"));
    m_env->addEntry(QStringLiteral("10/01/2002"), QStringLiteral("Walk"), QStringLiteral("Everyday"));
    formYear& year = openYear();
    QCOMPARE(calendar(9)->boldDays(), bold({5, 20}));
    QCOMPARE(calendar(11)->boldDays(), bold({5, 25}));
    QCOMPARE(calendar(9)->today(), QDate(2002, 10, 12));

    // Entries added meanwhile show when the view is activated again, or another year is chosen.
    m_env->addEntry(QStringLiteral("11/11/2002"), QStringLiteral("Remembrance"), QStringLiteral("OneTime"));
    year.Form_Activate();
    QCOMPARE(calendar(10)->boldDays(), bold({5, 11}));
    year.Combo1()->setCurrentText(QStringLiteral("2003"));
    QCOMPARE(calendar(9)->boldDays(), bold({5}));
    QCOMPARE(calendar(11)->boldDays(), bold({5, 25}));
}

void TestFormYear::coversTheScreenOrFormsACompactGridAndEachOpeningStartsAfresh()
{
    m_env->screen.setGeometry(QRect(0, 0, 640, 480));
    formYear& year = openYear();
    // The window system sizes a full-screen window; the view lays itself out for the screen it was told of.
    QVERIFY(year.isFullScreen());
    QCOMPARE(year.findChild<QLabel*>(QStringLiteral("Label2"))->width(), 640);
    const QSize size(Design::px(2295), Design::px(1900));
    for (int i = 0; i < formYear::Months; ++i) {
        // Each calendar just after the one before, each row just below the one above.
        const QPoint place(Design::px(120) + (i % 4) * size.width(),
                           Design::px(600) + (i / 4) * size.height());
        QCOMPARE(calendar(i)->geometry(), QRect(place, size));
    }
    const auto* label1 = year.findChild<QLabel*>(QStringLiteral("Label1"));
    QCOMPARE(label1->x(), calendar(3)->x());
    QCOMPARE(year.Combo1()->x(), Design::px(Design::twipsOf(label1->x() + label1->width()) + 20));

    // Opened again on a large screen, after another year was chosen.
    year.Combo1()->setCurrentText(QStringLiteral("2007"));
    QTest::mouseClick(button(&year, "VemraButton1(0)"), Qt::LeftButton);
    m_env->screen.setGeometry(QRect(0, 0, 1280, 1024));
    openYear();
    // The window may take the whole screen, beyond its design size.
    QCOMPARE(year.minimumSize(), QSize(1280, 1024));
    QCOMPARE(year.maximumSize(), QSize(1280, 1024));
    QCOMPARE(year.Combo1()->currentText(), QStringLiteral("2002"));
    QCOMPARE(calendar(5)->size(), QSize(Design::px(2850), Design::px(2400)));
    const auto* frame = year.findChild<QFrame*>(QStringLiteral("Frame1"));
    QCOMPARE(frame->geometry(),
             QRect((1280 - Design::px(12000)) / 2, (1024 - frame->height()) / 2, 1280, frame->height()));
    const VemraButton* back = button(&year, "VemraButton1(0)");
    QCOMPARE(back->x(), Design::px(Design::twipsOf(1280) - Design::twipsOf(back->width()) - 200));
    QCOMPARE(year.cmdSetfocus()->x(), 1280);
}

void TestFormYear::backBringsTheDockedListBackWithTheMainWindow()
{
    main().show();
    main().move(600, 60);
    QTest::mouseClick(button(&main(), "cmdButton(6)"), Qt::LeftButton);
    formYear& year = openYear();
    QVERIFY(!m_env->windows().loadedListWindow());
    QVERIFY(m_env->values().ListDocked);

    QTest::mouseClick(button(&year, "VemraButton1(0)"), Qt::LeftButton);
    QVERIFY(!year.isVisible());
    QVERIFY(!m_env->windows().yearView());
    QVERIFY(main().isVisible());
    FormGrid* list = m_env->windows().loadedListWindow();
    QVERIFY(list && list->isVisible());
    QCOMPARE(list->pos(), QPoint(600 - list->width(), 60));
    QVERIFY(!button(&main(), "cmdButton(6)")->isEnabled());
}

void TestFormYear::minHidesToTheTrayAndTheIconTogglesTheYearView()
{
    formYear& year = openYear();
    m_env->values().MainViewActive = m_env->values().OrganizerViewActive = true;
    year.Form_Activate();
    QVERIFY(!m_env->values().MainViewActive && !m_env->values().OrganizerViewActive);

    QTest::mouseClick(button(&year, "VemraButton1(1)"), Qt::LeftButton);
    QVERIFY(!year.isVisible() && m_env->values().MainHidden);
    TrayIcon tray(m_env->values(), m_env->windows());
    tray.TrayLeftClick();
    QVERIFY(year.isVisible() && !m_env->values().MainHidden);
    tray.TrayLeftClick();
    QVERIFY(!year.isVisible() && m_env->values().MainHidden);
    QVERIFY(!main().isVisible());
}

void TestFormYear::theKeyboardChoosesDaysAcrossMonthsAndYears()
{
    formYear& year = openYear(); // today is 12 October 2002
    QWidget* keys = year.cmdSetfocus();
    const auto chosen = [&] {
        for (int i = 0; i < formYear::Months; ++i) {
            if (!year.YearCalendar(i)->noDateSelected())
                return year.YearCalendar(i)->value();
        }
        return QDate();
    };
    QTest::keyClick(keys, Qt::Key_Down);
    QCOMPARE(chosen(), QDate(2002, 10, 19));
    QTest::keyClick(keys, Qt::Key_PageDown);
    QTest::keyClick(keys, Qt::Key_PageDown);
    QCOMPARE(chosen(), QDate(2002, 12, 19));
    QTest::keyClick(keys, Qt::Key_Down);
    QTest::keyClick(keys, Qt::Key_Down); // into the next year: the picker follows
    QCOMPARE(chosen(), QDate(2003, 1, 2));
    QCOMPARE(year.Combo1()->currentText(), QStringLiteral("2003"));

    QTest::keyClick(keys, Qt::Key_Space);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             DateText::namedFormat(QDate(2003, 1, 2), DateText::LongDate));
    QTest::keyClick(keys, Qt::Key_Return);
    QCOMPARE(m_env->windows().addScheduleDialog()->EntryDate()->value(), QStringLiteral("01/02/2003"));
    m_env->windows().addScheduleDialog()->close();
    QTest::keyClick(keys, Qt::Key_Escape);
    QVERIFY(!year.isVisible());
    QVERIFY(main().isVisible());
}

void TestFormYear::isAFullScreenWindowAtEveryOpening()
{
    // Full screen as the window system knows it, so that no panel pushes it off the screen.
    formYear& year = openYear();
    QVERIFY(year.isVisible());
    QVERIFY(year.windowState().testFlag(Qt::WindowFullScreen));
    QTest::mouseClick(button(&year, "VemraButton1(0)"), Qt::LeftButton);
    QVERIFY(!year.isVisible());
    openYear();
    QVERIFY(year.isVisible() && year.windowState().testFlag(Qt::WindowFullScreen));
}

QTEST_MAIN(TestFormYear)
#include "TestFormYear.moc"
