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

// The year view opened from the main window's "Max" command, driven as a user drives it. The clock
// stands at Saturday 12 October 2002, 9:30, on a 1280 x 1024 screen unless a test says otherwise.
class TestFormYear : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void opensTheCurrentYearFullScreenInPlaceOfTheMainWindow();
    void choosingAnotherYearMovesEveryMonth();
    void clickCopiesTheLongDateAndClearsTheOtherMonths();
    void doubleClickOpensTheAddDialogForThatDate();
    void busyDaysAreBoldAndFollowTheSchedule();
    void compactScreenGetsFourByThreeAndEachOpeningStartsAfresh();
    void maxClosesTheListAndBackBringsItBackDocked();
    void minHidesToTheTrayAndTheIconTogglesTheYearView();

private:
    MainForm& openMain();
    formYear& openYear();
    MonthCalendar* calendar(int index) const { return m_year->YearCalendar(index); }
    void clickDate(int index, QDate date) const;
    VemraButton* button(QWidget* window, const QString& name) const;
    QList<int> boldDays(int index) const;

    std::unique_ptr<WindowTestEnv> m_env;
    formYear* m_year = nullptr;
};

void TestFormYear::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestFormYear::init()
{
    m_env = std::make_unique<WindowTestEnv>();
}

void TestFormYear::cleanup()
{
    m_year = nullptr;
    m_env.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

MainForm& TestFormYear::openMain()
{
    MainForm& form = m_env->windows().mainForm();
    form.show();
    return form;
}

formYear& TestFormYear::openYear()
{
    MainForm& form = openMain();
    QTest::mouseClick(button(&form, QStringLiteral("cmdButton(1)")), Qt::LeftButton);
    m_year = m_env->windows().yearWindow();
    return *m_year;
}

void TestFormYear::clickDate(int index, QDate date) const
{
    const QRect place = calendar(index)->dayRect(date);
    QVERIFY(!place.isEmpty());
    QTest::mouseClick(calendar(index), Qt::LeftButton, {}, place.center());
}

VemraButton* TestFormYear::button(QWidget* window, const QString& name) const
{
    auto* found = window->findChild<VemraButton*>(name);
    if (!found)
        qFatal("no button %s", qPrintable(name));
    return found;
}

QList<int> TestFormYear::boldDays(int index) const
{
    QList<int> days;
    for (int day = 1; day <= 31; ++day) {
        if (calendar(index)->boldDays() & (1u << day))
            days << day;
    }
    return days;
}

void TestFormYear::opensTheCurrentYearFullScreenInPlaceOfTheMainWindow()
{
    formYear& year = openYear();
    QVERIFY(year.isVisible());
    QCOMPARE(m_env->windows().yearView(), &year);
    QCOMPARE(year.windowTitle(), QStringLiteral("Zentravio Year"));
    QVERIFY(!m_env->windows().mainForm().isVisible());
    QVERIFY(!m_env->values().MainHidden);

    for (int i = 0; i < formYear::Months; ++i) {
        QCOMPARE(calendar(i)->objectName(), QStringLiteral("YearCalendar(%1)").arg(i));
        QCOMPARE(calendar(i)->month(), i + 1);
        QCOMPARE(calendar(i)->year(), 2002);
        QCOMPARE(calendar(i)->noDateSelected(), i != 9);
    }
    QCOMPARE(calendar(9)->value(), QDate(2002, 10, 12));
    QCOMPARE(calendar(9)->today(), QDate(2002, 10, 12));

    // Twenty-one years with this one in the middle, chosen.
    QComboBox* years = year.Combo1();
    QCOMPARE(years->count(), 21);
    QCOMPARE(years->itemText(0), QStringLiteral("1992"));
    QCOMPARE(years->itemText(20), QStringLiteral("2012"));
    QCOMPARE(years->currentIndex(), 10);
    QVERIFY(!years->isEditable());

    // The whole screen, the buttons placed from its right edge and the focus sink beyond it.
    QCOMPARE(year.geometry(), QRect(0, 0, 1280, 1024));
    QCOMPARE(year.findChild<QLabel*>(QStringLiteral("Label2"))->width(), 1280);
    const VemraButton* back = button(&year, QStringLiteral("VemraButton1(0)"));
    const VemraButton* min = button(&year, QStringLiteral("VemraButton1(1)"));
    QCOMPARE(back->caption(), QStringLiteral("&Back to Main Form"));
    QCOMPARE(min->caption(), QStringLiteral("Min"));
    QCOMPARE(back->x(), Design::px(Design::twipsOf(1280) - Design::twipsOf(back->width()) - 200));
    QCOMPARE(min->x(), Design::px(Design::twipsOf(back->x()) - Design::twipsOf(min->width()) - 200));
    QCOMPARE(year.cmdSetfocus()->x(), 1280);

    // Elsewhere than on a 640-pixel screen the block of months is centred, then widened to the window.
    const auto* frame = year.findChild<QFrame*>(QStringLiteral("Frame1"));
    QCOMPARE(frame->x(), (1280 - Design::px(12000)) / 2);
    QCOMPARE(frame->y(), (1024 - frame->height()) / 2);
    QCOMPARE(frame->width(), 1280);
}

void TestFormYear::choosingAnotherYearMovesEveryMonth()
{
    formYear& year = openYear();
    clickDate(4, QDate(2002, 5, 20));
    year.Combo1()->setCurrentText(QStringLiteral("2005"));
    for (int i = 0; i < formYear::Months; ++i) {
        QCOMPARE(calendar(i)->year(), 2005);
        QCOMPARE(calendar(i)->month(), i + 1);
        QCOMPARE(calendar(i)->noDateSelected(), i != 9);
    }
    QCOMPARE(calendar(9)->value(), QDate(2005, 10, 12));
    // Today is framed only in its own year.
    QVERIFY(calendar(9)->dayRect(QDate(2005, 10, 12)).isValid());
    QCOMPARE(calendar(9)->today(), QDate(2002, 10, 12));
}

void TestFormYear::clickCopiesTheLongDateAndClearsTheOtherMonths()
{
    openMain().findChild<QAction*>(QStringLiteral("mnuS"))->trigger();
    QCOMPARE(m_env->values().DateFormatName, DateText::ShortDate);
    openYear();
    clickDate(4, QDate(2002, 5, 20));
    for (int i = 0; i < formYear::Months; ++i)
        QCOMPARE(calendar(i)->noDateSelected(), i != 4);
    const QString longDate = DateText::namedFormat(QDate(2002, 5, 20), DateText::LongDate);
    QCOMPARE(QGuiApplication::clipboard()->text(), longDate);
    QCOMPARE(m_env->values().LastDateText, longDate);
    QCOMPARE(m_env->values().DateFormatName, DateText::ShortDate);

    // 1 June, grey in the May calendar, would change its month: refused, and nothing is copied.
    QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
    clickDate(4, QDate(2002, 6, 1));
    QCOMPARE(calendar(4)->month(), 5);
    QCOMPARE(calendar(4)->value(), QDate(2002, 5, 20));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("untouched"));
    QVERIFY(calendar(5)->noDateSelected());
}

void TestFormYear::doubleClickOpensTheAddDialogForThatDate()
{
    formYear& year = openYear();
    year.Combo1()->setCurrentText(QStringLiteral("2003"));
    QTest::mouseDClick(calendar(2), Qt::LeftButton, {}, calendar(2)->dayRect(QDate(2003, 3, 7)).center());

    FormAddSched& dialog = *m_env->windows().addScheduleDialog();
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.EntryDate()->value(), QStringLiteral("03/07/2003"));
    QVERIFY(year.isEnabled());
    QVERIFY(calendar(9)->noDateSelected());

    // The entry saved there is bold at once.
    QTest::keyClicks(dialog.findChild<QComboBox*>(QStringLiteral("cboType"))->lineEdit(),
                     QStringLiteral("Dentist"));
    QTest::keyClicks(dialog.findChild<QWidget*>(QStringLiteral("txtNote")), QStringLiteral("Bring the card"));
    QTest::mouseClick(button(&dialog, QStringLiteral("cmdButton(0)")), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(m_env->database().table().size(), size_t(1));
    QCOMPARE(boldDays(2), QList<int>({7}));
}

void TestFormYear::busyDaysAreBoldAndFollowTheSchedule()
{
    m_env->addEntry(QStringLiteral("10/20/2002"), QStringLiteral("Meeting"), QStringLiteral("OneTime"));
    m_env->addEntry(QStringLiteral("09/05/2002"), QStringLiteral("Rent"), QStringLiteral("Monthly"));
    m_env->addEntry(QStringLiteral("12/25/1990"), QStringLiteral("Christmas"), QStringLiteral("Yearly"));
    m_env->addEntry(QStringLiteral("10/01/2002"), QStringLiteral("Walk"), QStringLiteral("Everyday"));
    m_env->addEntry(QStringLiteral("10/02/2002"), QStringLiteral("Work"), QStringLiteral("Monday to Friday"));
    formYear& year = openYear();
    QCOMPARE(boldDays(9), QList<int>({5, 20}));
    QCOMPARE(boldDays(11), QList<int>({5, 25}));
    QCOMPARE(boldDays(0), QList<int>({5}));

    // Entries added meanwhile show when the view is activated again.
    m_env->addEntry(QStringLiteral("11/11/2002"), QStringLiteral("Remembrance"), QStringLiteral("OneTime"));
    QCOMPARE(boldDays(10), QList<int>({5}));
    year.Form_Activate();
    QCOMPARE(boldDays(10), QList<int>({5, 11}));

    year.Combo1()->setCurrentText(QStringLiteral("2003"));
    QCOMPARE(boldDays(9), QList<int>({5}));
    QCOMPARE(boldDays(10), QList<int>({5}));
    QCOMPARE(boldDays(11), QList<int>({5, 25}));
}

void TestFormYear::compactScreenGetsFourByThreeAndEachOpeningStartsAfresh()
{
    m_env->screen.setGeometry(QRect(0, 0, 640, 480));
    formYear& year = openYear();
    QCOMPARE(year.size(), QSize(640, 480));
    const int top = Design::px(600);
    for (int i = 0; i < formYear::Months; ++i) {
        const int left = Design::px(120 + (i % 4) * 2295);
        QCOMPARE(calendar(i)->geometry(),
                 QRect(left, top + (i / 4) * Design::px(1900), Design::px(2295), Design::px(1900)));
    }
    const auto* frame = year.findChild<QFrame*>(QStringLiteral("Frame1"));
    QCOMPARE(frame->pos(), QPoint(0, Design::px(375)));
    QVERIFY(frame->y() + calendar(11)->geometry().bottom() < 480);
    const auto* label1 = year.findChild<QLabel*>(QStringLiteral("Label1"));
    QCOMPARE(label1->x(), calendar(3)->x());
    QCOMPARE(year.Combo1()->x(), Design::px(Design::twipsOf(label1->x() + label1->width()) + 20));

    // Closed and opened again on a large screen, in another year: the designed layout, this year.
    year.Combo1()->setCurrentText(QStringLiteral("2007"));
    QTest::mouseClick(button(&year, QStringLiteral("VemraButton1(0)")), Qt::LeftButton);
    QVERIFY(!year.isLoaded());
    m_env->screen.setGeometry(QRect(0, 0, 1280, 1024));
    QTest::mouseClick(button(&m_env->windows().mainForm(), QStringLiteral("cmdButton(1)")), Qt::LeftButton);
    QCOMPARE(year.size(), QSize(1280, 1024));
    QCOMPARE(calendar(0)->size(), QSize(Design::px(2850), Design::px(2400)));
    QCOMPARE(calendar(5)->x(), Design::px(120 + 2970));
    QCOMPARE(frame->x(), (1280 - Design::px(12000)) / 2);
    QCOMPARE(year.Combo1()->currentText(), QStringLiteral("2002"));
    QCOMPARE(year.Combo1()->count(), 21);
}

void TestFormYear::maxClosesTheListAndBackBringsItBackDocked()
{
    MainForm& form = openMain();
    form.move(600, 60);
    QTest::mouseClick(button(&form, QStringLiteral("cmdButton(6)")), Qt::LeftButton);
    QVERIFY(m_env->windows().loadedListWindow());

    QTest::mouseClick(button(&form, QStringLiteral("cmdButton(1)")), Qt::LeftButton);
    m_year = m_env->windows().yearWindow();
    QVERIFY(m_year->isVisible());
    QVERIFY(!m_env->windows().loadedListWindow());
    QVERIFY(m_env->values().ListDocked); // it comes back with the main window

    QTest::mouseClick(button(m_year, QStringLiteral("VemraButton1(0)")), Qt::LeftButton);
    QVERIFY(!m_year->isVisible());
    QVERIFY(!m_env->windows().yearView());
    QVERIFY(form.isVisible());
    FormGrid* list = m_env->windows().loadedListWindow();
    QVERIFY(list && list->isVisible());
    QCOMPARE(list->pos(), QPoint(600 - list->width(), 60));
    QVERIFY(!button(&form, QStringLiteral("cmdButton(6)"))->isEnabled());

    // Without a docked list, going back leaves the list closed.
    list->close();
    m_env->values().ListDocked = false;
    QTest::mouseClick(button(&form, QStringLiteral("cmdButton(1)")), Qt::LeftButton);
    QTest::mouseClick(button(m_year, QStringLiteral("VemraButton1(0)")), Qt::LeftButton);
    QVERIFY(form.isVisible());
    QVERIFY(!m_env->windows().loadedListWindow());
}

void TestFormYear::minHidesToTheTrayAndTheIconTogglesTheYearView()
{
    formYear& year = openYear();
    m_env->values().MainViewActive = true;
    m_env->values().OrganizerViewActive = true;
    year.Form_Activate();
    QVERIFY(!m_env->values().MainViewActive);
    QVERIFY(!m_env->values().OrganizerViewActive);

    QTest::mouseClick(button(&year, QStringLiteral("VemraButton1(1)")), Qt::LeftButton);
    QVERIFY(!year.isVisible());
    QVERIFY(year.isLoaded());
    QVERIFY(m_env->values().MainHidden);

    TrayIcon tray(m_env->values(), m_env->windows());
    tray.TrayLeftClick();
    QVERIFY(year.isVisible());
    QVERIFY(!m_env->values().MainHidden);
    tray.TrayLeftClick();
    QVERIFY(!year.isVisible());
    QVERIFY(m_env->values().MainHidden);
    tray.TrayLeftClick();
    QVERIFY(year.isVisible());
    QVERIFY(!m_env->windows().mainForm().isVisible());   // the main window stays hidden throughout
    QCOMPARE(calendar(9)->value(), QDate(2002, 10, 12)); // shown again as it was, not loaded afresh
}

QTEST_MAIN(TestFormYear)
#include "TestFormYear.moc"
