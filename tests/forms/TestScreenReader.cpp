#include "account/FormAccount.h"
#include "alarm/FormAlarm.h"
#include "alarm/FormAlarmList.h"
#include "alarm/RingingWindows.h"
#include "controls/ListGrid.h"
#include "calendar/MainForm.h"
#include "controls/MonthCalendar.h"
#include "editing/DateEdit.h"
#include "editing/FormAddSched.h"
#include "editing/FormOrganizer.h"
#include "editing/TimeEdit.h"
#include "forms/ClickLabel.h"
#include "forms/MonthGridCells.h"
#include "support/AccessibleEvents.h"
#include "support/WindowTestEnv.h"
#include "views/formYear.h"

#include <QAccessible>
#include <QAbstractItemView>
#include <QAccessibleTableInterface>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QtTest>

// What a screen reader is told of each window, heard through the events the program sends: the focus
// sink is never heard of, the day reached with the keys is announced with its date, entries and state,
// fields are named by their captions, Tab reaches every command and field and comes round again, and
// an alarm is announced as an alert with its subject, note and due time.
class TestScreenReader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }
    void init() { m_env = std::make_unique<WindowTestEnv>(QDateTime(QDate(2026, 12, 7), QTime(9, 0))); }
    void cleanup()
    {
        m_env.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void mainWindowHidesItsSinkAndAnnouncesTheDays();
    void tabWalksTheMainWindowAndComesRound();
    void addDialogFieldsAreNamedAndSaveIsInReach();
    void organizerAnnouncesDaysAndTabReachesTheTable();
    void yearViewExposesItsDaysAndAnnouncesThem();
    void alarmIsAnnouncedAsAnAlert();
    void manyAlarmsAreAnnouncedAsOneAlertAndEveryStopSpeaks();
    void organizerPictureCellsAreRead();
    void accountWindowHasOneCloseAndTheKeysClose();

private:
    static QAccessibleInterface* spoken(QObject* object)
    {
        return QAccessible::queryAccessibleInterface(object);
    }
    static void activate(QWidget* window);
    // The caption a reader names a control by: the text of what labels it.
    static QString labelOf(QObject* control)
    {
        const auto labels = spoken(control)->relations(QAccessible::Label);
        return labels.isEmpty() ? QString() : labels.first().first->text(QAccessible::Name);
    }
    // The window's stop the user is on: the command or day the sink's keys work, or the field with the
    // focus (a box inside a field counts as the field).
    static QString stopOf(DesignForm* window);
    // The stops met pressing Tab (or Shift+Tab) until the first comes round again, at most `limit`.
    static QStringList walk(DesignForm* window, bool forward, int limit = 40);

    std::unique_ptr<WindowTestEnv> m_env;
    AccessibleEvents m_heard;
};

void TestScreenReader::activate(QWidget* window)
{
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
}

QString TestScreenReader::stopOf(DesignForm* window)
{
    QCoreApplication::processEvents();
    QWidget* focus = window->focusWidget();
    if (focus == window->cmdSetfocus()) {
        QWidget* target = window->keyboardTarget();
        if (!target)
            return QStringLiteral("sink");
        return target->objectName().startsWith(QLatin1String("DaySlot")) ||
                       target->objectName().startsWith(QLatin1String("YearCalendar"))
                   ? QStringLiteral("days")
                   : target->objectName();
    }
    for (QWidget* stop : window->keyboardStops()) {
        if (focus && (stop == focus || stop->isAncestorOf(focus)))
            return stop->objectName();
    }
    return focus ? QStringLiteral("lost in ") + focus->objectName() : QStringLiteral("nowhere");
}

QStringList TestScreenReader::walk(DesignForm* window, bool forward, int limit)
{
    const QString first = stopOf(window);
    QStringList met;
    for (int i = 0; i < limit; ++i) {
        QWidget* focus = window->focusWidget();
        QTest::keyClick(focus ? focus : window, forward ? Qt::Key_Tab : Qt::Key_Backtab,
                        forward ? Qt::NoModifier : Qt::ShiftModifier);
        const QString now = stopOf(window);
        met << now;
        if (now == first)
            break;
    }
    return met;
}

void TestScreenReader::mainWindowHidesItsSinkAndAnnouncesTheDays()
{
    m_env->addEntry(QStringLiteral("12/08/2026"), QStringLiteral("Dentist"), QStringLiteral("OneTime"));
    MainForm& main = m_env->windows().mainForm();
    activate(&main);

    QAccessibleInterface* sink = spoken(main.cmdSetfocus());
    QCOMPARE(sink->role(), QAccessible::NoRole);
    QVERIFY(sink->text(QAccessible::Name).isEmpty());
    QVERIFY(sink->state().invisible);
    QAccessibleInterface* window = spoken(&main);
    QCOMPARE(window->text(QAccessible::Name), QStringLiteral("Zentravio"));
    for (int i = 0; i < window->childCount(); ++i)
        QVERIFY(window->child(i)->object() != main.cmdSetfocus());

    // The focus a reader hears of is today, not the sink that holds the keys.
    QTRY_COMPARE(m_heard.focusName(), QStringLiteral("Monday, 7 December 2026, no entries"));
    QCOMPARE(window->focusChild()->text(QAccessible::Name),
             QStringLiteral("Monday, 7 December 2026, no entries"));
    QVERIFY(window->focusChild()->state().focused);

    QTest::keyClick(main.cmdSetfocus(), Qt::Key_Right);
    QTRY_COMPARE(m_heard.focusName(), QStringLiteral("Tuesday, 8 December 2026, 1 entry"));
    const AccessibleEvents::Event reached = *m_heard.lastFocus();
    QCOMPARE(reached.object.data(), main.dayCells().DaySlot(main.dayCells().selectedCell()));
    QCOMPARE(reached.description, QStringLiteral("selected"));
    QTest::keyClick(main.cmdSetfocus(), Qt::Key_Left);
    QTRY_COMPARE(m_heard.focusName(), QStringLiteral("Monday, 7 December 2026, no entries"));
    QCOMPARE(m_heard.lastFocus()->description, QStringLiteral("today, selected"));

    // A day of another month turns the calendar, and the day is still heard.
    QTest::keyClick(main.cmdSetfocus(), Qt::Key_PageDown);
    QTRY_COMPARE(m_heard.focusName(), QStringLiteral("Thursday, 7 January 2027, no entries"));
    QCOMPARE(main.ShownMonth(), 1);
}

void TestScreenReader::tabWalksTheMainWindowAndComesRound()
{
    MainForm& main = m_env->windows().mainForm();
    activate(&main);
    QTRY_COMPARE(stopOf(&main), QStringLiteral("days"));

    const QStringList forward = {
        "Combo1",       "Combo2",       "EXTRA(0)",     "EXTRA(1)",     "EXTRA(2)",     "EXTRA(3)",
        "VemraButton1", "cmdButton(2)", "cmdButton(5)", "cmdButton(6)", "cmdButton(0)", "cmdButton(3)",
        "cmdButton(4)", "cmdButton(1)", "Image1(1)",    "Image1(0)",    "days"};
    QCOMPARE(walk(&main, true), forward);
    QStringList backward = forward;
    std::reverse(backward.begin(), backward.end());
    backward.removeFirst();
    backward << QStringLiteral("days");
    QCOMPARE(walk(&main, false), backward);

    // A command reached with Tab is what a reader hears, and Space presses it: "Hide" folds the column,
    // whose commands Tab then passes by.
    for (int i = 0; i < 7; ++i)
        QTest::keyClick(main.focusWidget(), Qt::Key_Tab);
    QCOMPARE(stopOf(&main), QStringLiteral("VemraButton1"));
    QTRY_COMPARE(m_heard.focusName(), QStringLiteral("Hide"));
    QCOMPARE(m_heard.lastFocus()->role, QAccessible::Button);
    QTest::keyClick(main.cmdSetfocus(), Qt::Key_Space);
    QVERIFY(main.isFolded());
    QTest::keyClick(main.cmdSetfocus(), Qt::Key_Tab);
    QCOMPARE(stopOf(&main), QStringLiteral("cmdButton(1)"));
    QTRY_COMPARE(m_heard.focusName(), QStringLiteral("Max"));

    // The arrows go back to the days.
    QTest::keyClick(main.cmdSetfocus(), Qt::Key_Down);
    QCOMPARE(stopOf(&main), QStringLiteral("days"));
    QTRY_COMPARE(m_heard.focusName(), QStringLiteral("Monday, 14 December 2026, no entries"));
}

void TestScreenReader::addDialogFieldsAreNamedAndSaveIsInReach()
{
    MainForm& main = m_env->windows().mainForm();
    activate(&main);
    QTest::keyClick(main.cmdSetfocus(), Qt::Key_Return);
    FormAddSched* dialog = m_env->windows().addScheduleDialog();
    QVERIFY(dialog->isVisible());
    activate(dialog);

    // The keys go to the first field rather than to the sink, and it is named by its caption.
    QTRY_COMPARE(stopOf(dialog), QStringLiteral("EntryDate"));
    QCOMPARE(spoken(dialog->focusWidget())->text(QAccessible::Name), QStringLiteral("Date"));
    auto* subject = dialog->findChild<QComboBox*>(QStringLiteral("cboType"));
    QCOMPARE(spoken(subject)->text(QAccessible::Name), QStringLiteral("Subject"));
    QCOMPARE(spoken(subject->lineEdit())->text(QAccessible::Name), QStringLiteral("Subject"));
    QCOMPARE(
        spoken(static_cast<QWidget*>(dialog->EntryTime()->findChild<QLineEdit*>()))->text(QAccessible::Name),
        QStringLiteral("Alarm time"));
    QCOMPARE(labelOf(subject), QStringLiteral("Subject:"));
    QCOMPARE(labelOf(dialog->findChild<QPlainTextEdit*>(QStringLiteral("txtNote"))), QStringLiteral("Note:"));

    // Shift+Tab from the date field goes on to the close picture, Cancel and Save, and on round.
    const QStringList backward = {"Image1",     "cmdButton(1)", "cmdButton(0)", "Check1",
                                  "Option1(4)", "Option1(3)",   "Option1(2)",   "Option1(1)",
                                  "Option1(0)", "txtNote",      "cboType",      "EntryDate"};
    QCOMPARE(walk(dialog, false), backward);
    // The alarm time joins the walk once the alarm is on; Tab leaves the note rather than typing in it.
    dialog->findChild<QCheckBox*>(QStringLiteral("Check1"))->setChecked(true);
    dialog->EntryTime()->setEnabled(true);
    dialog->EntryTime()->setValue(QStringLiteral("10:00:00 AM"));
    QStringList forward = backward;
    std::reverse(forward.begin(), forward.end());
    forward.removeFirst();
    forward.insert(forward.indexOf(QStringLiteral("cmdButton(0)")), QStringLiteral("EntryTime"));
    forward << QStringLiteral("EntryDate");
    QCOMPARE(walk(dialog, true), forward);

    // Enter on Save, reached with the keyboard, saves the entry.
    subject->setCurrentText(QStringLiteral("Meeting"));
    dialog->findChild<QPlainTextEdit*>(QStringLiteral("txtNote"))->setPlainText(QStringLiteral("Room 4"));
    dialog->findChild<QRadioButton*>(QStringLiteral("Option1(0)"))->setChecked(true);
    const size_t before = m_env->database().table().size();
    while (stopOf(dialog) != QLatin1String("cmdButton(0)"))
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Tab);
    QTRY_COMPARE(m_heard.focusName(), QStringLiteral("Save"));
    QTest::keyClick(dialog->cmdSetfocus(), Qt::Key_Return);
    QVERIFY2(m_env->messages.shown.isEmpty(), qPrintable(m_env->messages.shown.value(0).text));
    QVERIFY(!dialog->isVisible());
    QCOMPARE(m_env->database().table().size(), before + 1);
}

void TestScreenReader::organizerAnnouncesDaysAndTabReachesTheTable()
{
    m_env->addEntry(QStringLiteral("12/08/2026"), QStringLiteral("Dentist"), QStringLiteral("OneTime"));
    m_env->addEntry(QStringLiteral("12/08/2026"), QStringLiteral("Lunch"), QStringLiteral("OneTime"));
    MainForm& main = m_env->windows().mainForm();
    activate(&main);
    main.cmdButton_Click(MainForm::Organizer);
    FormOrganizer* organizer = m_env->windows().openOrganizer();
    QVERIFY(organizer);
    activate(organizer);

    QTRY_COMPARE(m_heard.focusName(), QStringLiteral("Monday, 7 December 2026, no entries"));
    QTest::keyClick(organizer->cmdSetfocus(), Qt::Key_Right);
    QTRY_COMPARE(m_heard.focusName(), QStringLiteral("Tuesday, 8 December 2026, 2 entries"));

    const QStringList met = walk(organizer, true);
    QCOMPARE(met.last(), QStringLiteral("days"));
    for (const char* stop : {"Combo1", "Combo2", "Grid", "VemraButton1(1)", "VemraButton2", "Image1"})
        QVERIFY2(met.contains(QLatin1String(stop)), qPrintable(met.join(u' ')));
    QVERIFY(met.indexOf(QStringLiteral("Grid")) < met.indexOf(QStringLiteral("VemraButton1(1)")));
    // Save and Cancel wait for Edit: till then Tab passes them by.
    QVERIFY(!met.contains(QStringLiteral("VemraButton1(3)")) &&
            !met.contains(QStringLiteral("VemraButton1(4)")));
    QCOMPARE(walk(organizer, false).size(), met.size());

    // Delete, reached with Tab and pressed with Space, removes the day's first entry; with nothing left
    // selected it is out of use, and the reader hears the day again, one entry fewer.
    while (stopOf(organizer) != QLatin1String("VemraButton1(2)"))
        QTest::keyClick(organizer->focusWidget(), Qt::Key_Tab);
    QTRY_COMPARE(m_heard.focusName(), QStringLiteral("Delete"));
    QTest::keyClick(organizer->cmdSetfocus(), Qt::Key_Space);
    QCOMPARE(m_env->database().table().size(), size_t(1));
    QTRY_COMPARE(m_heard.focusName(), QStringLiteral("Tuesday, 8 December 2026, 1 entry"));
}

void TestScreenReader::yearViewExposesItsDaysAndAnnouncesThem()
{
    m_env->addEntry(QStringLiteral("12/24/2026"), QStringLiteral("Eve"), QStringLiteral("OneTime"));
    // The full-screen view covers the screen the window system gives it: the view is told of that one.
    m_env->screen.setGeometry(QGuiApplication::primaryScreen()->geometry());
    MainForm& main = m_env->windows().mainForm();
    activate(&main);
    QTest::keyClick(main.cmdSetfocus(), Qt::Key_F11);
    formYear* year = m_env->windows().yearWindow();
    QVERIFY(year->isVisible());
    activate(year);

    QAccessibleInterface* december = spoken(year->YearCalendar(11));
    QCOMPARE(december->role(), QAccessible::List);
    QCOMPARE(december->childCount(), 31);
    QCOMPARE(december->child(6)->text(QAccessible::Name),
             QStringLiteral("Monday, 7 December 2026, no entries"));
    QCOMPARE(december->child(6)->text(QAccessible::Description), QStringLiteral("today, selected"));
    QCOMPARE(december->child(23)->text(QAccessible::Name),
             QStringLiteral("Thursday, 24 December 2026, 1 entry"));
    QCOMPARE(december->indexOfChild(december->child(23)), 23);
    QCOMPARE(spoken(year->YearCalendar(1))->childCount(), 28);

    QTRY_COMPARE(m_heard.focusName(), QStringLiteral("Monday, 7 December 2026, no entries"));
    QCOMPARE(m_heard.lastFocus()->object.data(), year->YearCalendar(11));
    QCOMPARE(m_heard.lastFocus()->child, 6);

    // Four weeks on is the next year's January: the picker turns and January's day is heard.
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(year->cmdSetfocus(), Qt::Key_Down);
    QTRY_COMPARE(m_heard.focusName(), QStringLiteral("Monday, 4 January 2027, no entries"));
    QCOMPARE(m_heard.lastFocus()->object.data(), year->YearCalendar(0));
    QCOMPARE(m_heard.lastFocus()->child, 3);
    QVERIFY(spoken(year)->focusChild()->state().focused);

    const QStringList met = walk(year, true);
    QCOMPARE(met, (QStringList{"Combo1", "VemraButton1(0)", "VemraButton1(1)", "days"}));
}

void TestScreenReader::alarmIsAnnouncedAsAnAlert()
{
    m_env->addEntry(QStringLiteral("12/07/2026"), QStringLiteral("Dentist"), QStringLiteral("OneTime"),
                    QStringLiteral("10:00:00 AM"), QStringLiteral("on"), QStringLiteral("Bring the card"));
    m_heard.clear();
    m_env->clock.set(QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
    m_env->windows().mainForm().Timer1_Timer();
    QCOMPARE(m_env->windows().alarmWindows().size(), size_t(1));
    QPointer<FormAlarm> alarm = m_env->windows().alarmWindows().front();

    std::vector<AccessibleEvents::Event> alerts;
    for (const AccessibleEvents::Event& event : m_heard.events()) {
        if (event.type == QAccessible::Alert && event.object == alarm)
            alerts.push_back(event);
    }
    QCOMPARE(alerts.size(), size_t(1));
    QCOMPARE(alerts[0].role, QAccessible::AlertMessage);
    QCOMPARE(alerts[0].name, QStringLiteral("Alarm: Dentist"));
    QVERIFY2(alerts[0].description.contains(QLatin1String("Bring the card")),
             qPrintable(alerts[0].description));
    QVERIFY2(alerts[0].description.contains(QLatin1String("Due December 07, 2026 at 10:00:00 AM")),
             qPrintable(alerts[0].description));

    QCOMPARE(labelOf(alarm->findChild<QComboBox*>(QStringLiteral("SnoozeChoice"))), QStringLiteral("Snooze for:"));

    // Its one command has the keys: Enter closes it.
    activate(alarm);
    QTRY_COMPARE(m_heard.focusName(), QStringLiteral("Close"));
    QTest::keyClick(alarm->cmdSetfocus(), Qt::Key_Return);
    QTRY_VERIFY(!alarm || !alarm->isVisible());
}

void TestScreenReader::manyAlarmsAreAnnouncedAsOneAlertAndEveryStopSpeaks()
{
    for (int i = 1; i <= 6; ++i)
        m_env->addEntry(QStringLiteral("12/07/2026"), QStringLiteral("Standup %1").arg(i), QStringLiteral("OneTime"),
                        QStringLiteral("10:00:00 AM"), QStringLiteral("on"), QStringLiteral("Room 4"));
    m_heard.clear();
    m_env->clock.set(QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
    m_env->windows().mainForm().Timer1_Timer();
    QPointer<FormAlarmList> list = m_env->windows().ringingWindows().alarmList();
    QVERIFY(list);

    std::vector<AccessibleEvents::Event> alerts;
    for (const AccessibleEvents::Event& event : m_heard.events()) {
        if (event.type == QAccessible::Alert && event.object == list)
            alerts.push_back(event);
    }
    QCOMPARE(alerts.size(), size_t(1));
    QCOMPARE(alerts[0].role, QAccessible::AlertMessage);
    QCOMPARE(alerts[0].name, QStringLiteral("6 alarms are due"));
    QVERIFY2(alerts[0].description.contains(QLatin1String("Standup 1, 10:00:00 AM")), qPrintable(alerts[0].description));
    QCOMPARE(labelOf(list->findChild<QComboBox*>(QStringLiteral("SnoozeChoice"))), QStringLiteral("Snooze for:"));

    // Tab comes round the window, and at every stop the reader has something to say.
    activate(list);
    const QString first = stopOf(list);
    QStringList heard;
    for (int i = 0; i < 10; ++i) {
        m_heard.clear();
        QWidget* focus = list->focusWidget();
        QTest::keyClick(focus ? focus : list.data(), Qt::Key_Tab);
        QCoreApplication::processEvents(); // what the stop says once it has the keys
        const QString stop = stopOf(list);
        QTRY_VERIFY2(!m_heard.focusName().isEmpty(), qPrintable(stop));
        heard << m_heard.focusName();
        if (stop == first)
            break;
    }
    // The list is met by its first alarm.
    QVERIFY2(heard.contains(QStringLiteral("Standup 1")) && heard.contains(QStringLiteral("10 minutes")) &&
                 heard.contains(QStringLiteral("Snooze all")) &&
                 heard.contains(QStringLiteral("Close all")),
             qPrintable(heard.join(u'|')));
    list->close();
}

void TestScreenReader::organizerPictureCellsAreRead()
{
    m_env->addEntry(QStringLiteral("12/06/2026"), QStringLiteral("Gone"), QStringLiteral("OneTime"),
                    QStringLiteral("08:00:00 AM"), QStringLiteral("on"));
    m_env->addEntry(QStringLiteral("12/09/2026"), QStringLiteral("Ahead"), QStringLiteral("OneTime"),
                    QStringLiteral("08:00:00 AM"), QStringLiteral("off"));
    MainForm& main = m_env->windows().mainForm();
    activate(&main);
    main.cmdButton_Click(MainForm::Organizer);
    FormOrganizer* organizer = m_env->windows().openOrganizer();
    QVERIFY(organizer);
    QAccessibleTableInterface* table = spoken(organizer->Grid()->view())->tableInterface();
    QVERIFY(table);
    QStringList read;
    for (int row = 0; row < table->rowCount(); ++row) {
        for (int column : {0, 1, 4})
            read << table->cellAt(row, column)->text(QAccessible::Name);
    }
    QCOMPARE(read, (QStringList{"past", "alarm on", "Gone", "ahead", "alarm off", "Ahead"}));
}

void TestScreenReader::accountWindowHasOneCloseAndTheKeysClose()
{
    const auto open = [this] {
        FormAccount* account = m_env->windows().accountWindow();
        account->ShowAccount();
        activate(account);
        return account;
    };
    FormAccount* account = open();
    // Tab meets one "Close", and every stop it meets says what it is.
    const QString first = stopOf(account);
    QStringList heard;
    for (int i = 0; i < 20; ++i) {
        m_heard.clear();
        QTest::keyClick(account->focusWidget() ? account->focusWidget() : account, Qt::Key_Tab);
        QTRY_VERIFY2(!m_heard.focusName().isEmpty(), qPrintable(stopOf(account)));
        heard << m_heard.focusName();
        if (stopOf(account) == first)
            break;
    }
    QCOMPARE(heard.count(QStringLiteral("Close")), 1);

    // Space on the "Close" reached closes the window, as Escape and Ctrl+W do.
    while (stopOf(account) != QLatin1String("cmdClose"))
        QTest::keyClick(account->focusWidget(), Qt::Key_Tab);
    QTRY_COMPARE(m_heard.focusName(), QStringLiteral("Close"));
    QTest::keyClick(account->cmdSetfocus(), Qt::Key_Space);
    QVERIFY(!account->isVisible());
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        account = open();
        QTest::keySequence(account->focusWidget() ? account->focusWidget() : account, key);
        QTRY_VERIFY2(!account->isVisible(), qPrintable(key.toString()));
    }
}

QTEST_MAIN(TestScreenReader)
#include "TestScreenReader.moc"
