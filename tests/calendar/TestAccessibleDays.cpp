#include "calendar/MainForm.h"
#include "controls/VemraButton.h"
#include "editing/DateEdit.h"
#include "editing/FormAddSched.h"
#include "editing/FormOrganizer.h"
#include "forms/ClickLabel.h"
#include "forms/MonthGridCells.h"
#include "store/DateText.h"
#include "support/WindowTestEnv.h"

#include <QAccessible>
#include <QClipboard>
#include <QComboBox>
#include <QPushButton>
#include <QtTest>

// What a screen reader hears of the day cells: the full date, the entries the day holds, and which
// day is today and which was chosen, on the main window and on the organizer.
class TestAccessibleDays : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }
    void dayCellsSayTheirDateEntriesAndState();
    void commandsAreButtonsReachedByTheirAccessKeys();
    void theKeyboardChoosesDaysAndWorksThem();

private:
    static ClickLabel* cellOf(QWidget* window, const QString& day);
    static QString spoken(QWidget* cell, QAccessible::Text text)
    {
        return QAccessible::queryAccessibleInterface(cell)->text(text);
    }
};

ClickLabel* TestAccessibleDays::cellOf(QWidget* window, const QString& day)
{
    for (ClickLabel* cell :
         window->findChildren<ClickLabel*>(QRegularExpression(QStringLiteral("^DaySlot")))) {
        if (cell->isVisibleTo(window) && cell->text() == day)
            return cell;
    }
    qFatal("day %s is not shown", qPrintable(day));
}

void TestAccessibleDays::dayCellsSayTheirDateEntriesAndState()
{
    WindowTestEnv env(QDateTime(QDate(2026, 12, 7), QTime(9, 0)));
    env.addEntry(QStringLiteral("12/20/2026"), QStringLiteral("Party"), QStringLiteral("OneTime"));
    env.addEntry(QStringLiteral("12/24/2026"), QStringLiteral("Eve"), QStringLiteral("OneTime"));
    env.addEntry(QStringLiteral("12/24/2026"), QStringLiteral("Gifts"), QStringLiteral("Yearly"));
    MainForm& main = env.windows().mainForm();
    main.show();

    QCOMPARE(spoken(cellOf(&main, QStringLiteral("20")), QAccessible::Name),
             QStringLiteral("Sunday, 20 December 2026, 1 entry"));
    QCOMPARE(spoken(cellOf(&main, QStringLiteral("24")), QAccessible::Name),
             QStringLiteral("Thursday, 24 December 2026, 2 entries"));
    QCOMPARE(spoken(cellOf(&main, QStringLiteral("8")), QAccessible::Name),
             QStringLiteral("Tuesday, 8 December 2026, no entries"));
    QCOMPARE(spoken(cellOf(&main, QStringLiteral("7")), QAccessible::Description), QStringLiteral("today"));
    QCOMPARE(spoken(cellOf(&main, QStringLiteral("8")), QAccessible::Description), QString());

    QTest::mouseClick(cellOf(&main, QStringLiteral("7")), Qt::LeftButton);
    QCOMPARE(spoken(cellOf(&main, QStringLiteral("7")), QAccessible::Description),
             QStringLiteral("today, selected"));
    QTest::mouseClick(cellOf(&main, QStringLiteral("20")), Qt::LeftButton);
    QCOMPARE(spoken(cellOf(&main, QStringLiteral("20")), QAccessible::Description),
             QStringLiteral("selected"));
    QCOMPARE(spoken(cellOf(&main, QStringLiteral("7")), QAccessible::Description), QStringLiteral("today"));

    // The organizer's calendar says the same, and a new entry is counted once the days are marked again.
    main.cmdButton_Click(MainForm::Organizer);
    FormOrganizer* organizer = env.windows().openOrganizer();
    QVERIFY(organizer);
    env.addEntry(QStringLiteral("12/20/2026"), QStringLiteral("Cake"), QStringLiteral("OneTime"));
    organizer->SetupDays();
    QCOMPARE(spoken(cellOf(organizer, QStringLiteral("20")), QAccessible::Name),
             QStringLiteral("Sunday, 20 December 2026, 2 entries"));
    QCOMPARE(spoken(cellOf(organizer, QStringLiteral("7")), QAccessible::Description),
             QStringLiteral("today"));
}

void TestAccessibleDays::commandsAreButtonsReachedByTheirAccessKeys()
{
    WindowTestEnv env(QDateTime(QDate(2026, 12, 7), QTime(9, 0)));
    MainForm& main = env.windows().mainForm();
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));

    for (VemraButton* button : main.findChildren<VemraButton*>()) {
        QAccessibleInterface* spokenButton = QAccessible::queryAccessibleInterface(button);
        QCOMPARE(spokenButton->role(), QAccessible::Button);
        QCOMPARE(spokenButton->text(QAccessible::Name), QString(button->caption()).remove(u'&'));
    }
    for (QComboBox* picker : main.findChildren<QComboBox*>())
        QCOMPARE(QAccessible::queryAccessibleInterface(picker)->role(), QAccessible::ComboBox);

    // Assistive tools press a command as a click would: "Co&untdown" opens the list.
    VemraButton* countdown = main.findChild<VemraButton*>(QStringLiteral("cmdButton(6)"));
    QAccessible::queryAccessibleInterface(countdown)->actionInterface()->doAction(
        QAccessibleActionInterface::pressAction());
    QVERIFY(env.windows().loadedListWindow());
    QVERIFY(QAccessible::queryAccessibleInterface(countdown)->state().disabled);

    // Alt and the underlined letter work the command too: "&Organizer" swaps the windows.
    QTest::keyClick(&main, Qt::Key_O, Qt::AltModifier);
    QVERIFY(env.windows().openOrganizer());
    QVERIFY(!main.isVisible());
}

void TestAccessibleDays::theKeyboardChoosesDaysAndWorksThem()
{
    WindowTestEnv env(QDateTime(QDate(2026, 12, 7), QTime(9, 0)));
    MainForm& main = env.windows().mainForm();
    main.show();
    QWidget* keys = main.cmdSetfocus(); // where the focus always goes
    const auto chosen = [&] {
        return spoken(main.dayCells().DaySlot(main.dayCells().selectedCell()), QAccessible::Name);
    };

    QTest::keyClick(keys, Qt::Key_Right);
    QVERIFY(chosen().startsWith(QLatin1String("Tuesday, 8 December 2026")));
    QTest::keyClick(keys, Qt::Key_Down);
    QVERIFY(chosen().startsWith(QLatin1String("Tuesday, 15 December 2026")));
    QTest::keyClick(keys, Qt::Key_End);
    QTest::keyClick(keys, Qt::Key_Right); // over the month's end: the calendar follows
    QCOMPARE(main.ShownMonth(), 1);
    QCOMPARE(main.ShownYear(), 2027);
    QVERIFY(chosen().startsWith(QLatin1String("Friday, 1 January 2027")));
    QTest::keyClick(keys, Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(main.ShownYear(), 2026);

    QTest::keyClick(keys, Qt::Key_Space); // copies, as a click does
    QCOMPARE(QGuiApplication::clipboard()->text(),
             DateText::namedFormat(QDate(2026, 1, 1), DateText::LongDate));
    QTest::keyClick(keys, Qt::Key_Return); // adds, as a double-click does
    QCOMPARE(env.windows().addScheduleDialog()->EntryDate()->value(), QStringLiteral("01/01/2026"));
    env.windows().addScheduleDialog()->close();

    // F11 is the key of "Max", which works in the active window wherever its focus is.
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QTest::keyClick(keys, Qt::Key_F11);
    QVERIFY(env.windows().yearView());
}

QTEST_MAIN(TestAccessibleDays)
#include "TestAccessibleDays.moc"
