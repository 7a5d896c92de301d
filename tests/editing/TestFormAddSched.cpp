#include "calendar/MainForm.h"
#include "controls/VemraButton.h"
#include "editing/DateEdit.h"
#include "editing/FormAddSched.h"
#include "editing/NoteEdit.h"
#include "editing/TimeEdit.h"
#include "forms/ClickLabel.h"
#include "forms/DesignUnits.h"
#include "store/ScheduleEntry.h"
#include "support/WindowTestEnv.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

#include <sqlite3.h>

// The add-schedule dialog on its own: what Save writes, what it refuses and keeps, the field limits,
// and the close path that tells the opener the dialog is gone.
class TestFormAddSched : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void savesTheKindOfTheChosenOption_data();
    void savesTheKindOfTheChosenOption();
    void alarmBoxSwitchesTheTimeAndTheStoredText();
    void incompleteFormKeepsEverything_data();
    void incompleteFormKeepsEverything();
    void refusedTextIsReportedAndKept();
    void brokenFileIsReportedAndStoredEntriesStay();
    void boxesHoldNoMoreThanTheirFields();
    void everyWayOutTellsTheOpenerAndStartsAfresh();
    void openedFromTheOrganizerPresetsToday();
    void unreadableDateOrTimeIsNamedAndKept_data();
    void unreadableDateOrTimeIsNamedAndKept();
    void subjectIsOneLineOfWholeCharacters();
    void draggingTheDialogMarksTheMainWindowAgain();

private:
    void openFromMainForm(const QString& date = QStringLiteral("10/15/2002"));
    void fill(const QString& subject, const QString& note);
    void clickSave();
    QComboBox* subject() const { return m_dialog->findChild<QComboBox*>(QStringLiteral("cboType")); }
    NoteEdit* note() const { return m_dialog->findChild<NoteEdit*>(QStringLiteral("txtNote")); }
    QCheckBox* alarm() const { return m_dialog->findChild<QCheckBox*>(QStringLiteral("Check1")); }
    // Types into a box the way a keyboard does: the box has the focus, the text replaces what it held.
    void typeInto(QWidget* box, const QString& text);
    // One key press that gives the whole text at once, as a compose key or an emoji picker does.
    static void typeAtOnce(QWidget* box, const QString& text)
    {
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, text, Qt::NoModifier);
    }

    std::unique_ptr<WindowTestEnv> m_env;
    std::unique_ptr<FormAddSched> m_dialog;
};

void TestFormAddSched::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestFormAddSched::init()
{
    m_env = std::make_unique<WindowTestEnv>();
    m_dialog = std::make_unique<FormAddSched>(m_env->context());
}

void TestFormAddSched::cleanup()
{
    m_dialog.reset();
    m_env.reset();
}

void TestFormAddSched::openFromMainForm(const QString& date)
{
    m_dialog->loadIfNeeded();
    m_dialog->EntryDate()->setValue(date);
    m_dialog->show();
    m_env->values().OpenedFrom = AddDialogOpener::MainWindow;
}

void TestFormAddSched::typeInto(QWidget* box, const QString& text)
{
    m_dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
    box->setFocus();
    QTRY_VERIFY(box->hasFocus());
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, text);
}

void TestFormAddSched::fill(const QString& subjectText, const QString& noteText)
{
    QTest::keyClicks(subject()->lineEdit(), subjectText);
    QTest::keyClicks(note(), noteText);
}

void TestFormAddSched::clickSave()
{
    QTest::mouseClick(m_dialog->findChild<VemraButton*>(QStringLiteral("cmdButton(0)")), Qt::LeftButton);
}

void TestFormAddSched::savesTheKindOfTheChosenOption_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("stored");
    QTest::newRow("one time") << 0 << "OneTime";
    QTest::newRow("monthly") << 1 << "Monthly";
    QTest::newRow("yearly") << 2 << "Yearly";
    QTest::newRow("every day") << 3 << "Everyday";
    QTest::newRow("weekdays") << 4 << "Monday to Friday";
}

void TestFormAddSched::savesTheKindOfTheChosenOption()
{
    QFETCH(int, option);
    QFETCH(QString, stored);
    openFromMainForm();
    QVERIFY(m_dialog->findChild<QRadioButton*>(QStringLiteral("Option1(0)"))->isChecked());
    QTest::mouseClick(m_dialog->findChild<ClickLabel*>(QStringLiteral("Label4(%1)").arg(option)),
                      Qt::LeftButton);
    QVERIFY(m_dialog->findChild<QRadioButton*>(QStringLiteral("Option1(%1)").arg(option))->isChecked());
    fill(QStringLiteral("Meeting"), QStringLiteral("Room 4"));
    clickSave();
    const ScheduleTable& table = m_env->database().table();
    QCOMPARE(table.size(), size_t(1));
    QCOMPARE(table.text(0, ScheduleField::Kind), stored);
    QCOMPARE(table.text(0, ScheduleField::Day), QStringLiteral("Tuesday"));
    QVERIFY(!m_dialog->isVisible());
}

void TestFormAddSched::alarmBoxSwitchesTheTimeAndTheStoredText()
{
    openFromMainForm();
    TimeEdit* time = m_dialog->EntryTime();
    QCOMPARE(time->value(), QStringLiteral("12:00:00 PM"));
    QVERIFY(!time->isEnabled());
    QTest::mouseClick(alarm(), Qt::LeftButton);
    QVERIFY(time->isEnabled());
    time->setValue(QStringLiteral("7:45 am"));
    fill(QStringLiteral("Train"), QStringLiteral("Platform 2"));
    clickSave();
    QCOMPARE(m_env->database().table().text(0, ScheduleField::AlarmOnOff), QStringLiteral("on"));
    QCOMPARE(m_env->database().table().text(0, ScheduleField::AlarmTime), QStringLiteral("07:45:00 AM"));

    openFromMainForm();
    QTest::mouseClick(alarm(), Qt::LeftButton);
    QTest::mouseClick(alarm(), Qt::LeftButton);
    QVERIFY(!m_dialog->EntryTime()->isEnabled());
    fill(QStringLiteral("Train"), QStringLiteral("Platform 3"));
    clickSave();
    QCOMPARE(m_env->database().table().size(), size_t(2));
    QCOMPARE(m_env->database().table().text(1, ScheduleField::AlarmOnOff), QStringLiteral("off"));
    QCOMPARE(m_env->database().table().text(1, ScheduleField::AlarmTime), QStringLiteral("12:00:00 PM"));
}

void TestFormAddSched::incompleteFormKeepsEverything_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("note");
    QTest::newRow("no note") << "10/15/2002"
                             << "Meeting"
                             << "";
    QTest::newRow("no subject") << "10/15/2002"
                                << ""
                                << "Room 4";
    QTest::newRow("no date") << ""
                             << "Meeting"
                             << "Room 4";
    QTest::newRow("blank subject") << "10/15/2002"
                                   << "   "
                                   << "Room 4";
    QTest::newRow("blank note") << "10/15/2002"
                                << "Meeting"
                                << "    ";
}

void TestFormAddSched::incompleteFormKeepsEverything()
{
    QFETCH(QString, date);
    QFETCH(QString, subject);
    QFETCH(QString, note);
    openFromMainForm(date);
    fill(subject, note);
    QSignalSpy closed(m_dialog.get(), &FormAddSched::UnloadedFrom);
    clickSave();

    QCOMPARE(m_env->messages.shown.size(), 1);
    QCOMPARE(m_env->messages.shown[0].text, QStringLiteral("You must complete the form."));
    QCOMPARE(m_env->messages.shown[0].title, QStringLiteral("Incomplete entry"));
    QCOMPARE(m_env->messages.shown[0].icon, QMessageBox::Information);
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(closed.count(), 0);
    QCOMPARE(m_env->database().table().size(), size_t(0));
    QCOMPARE(m_dialog->EntryDate()->value(), date);
    QCOMPARE(this->subject()->currentText(), subject);
    QCOMPARE(this->note()->toPlainText(), note);

    // Completing what was missing then saves.
    m_dialog->EntryDate()->setValue(QStringLiteral("10/15/2002"));
    this->subject()->setEditText(QStringLiteral("Meeting"));
    this->note()->setPlainText(QStringLiteral("Room 4"));
    clickSave();
    QCOMPARE(m_env->database().table().size(), size_t(1));
    QCOMPARE(closed.count(), 1);
}

void TestFormAddSched::refusedTextIsReportedAndKept()
{
    openFromMainForm();
    QTest::mouseClick(alarm(), Qt::LeftButton);
    m_dialog->EntryTime()->setValue(QString());
    fill(QStringLiteral("Meeting"), QStringLiteral("Room 4"));
    clickSave();

    QCOMPARE(m_env->messages.shown.size(), 1);
    QCOMPARE(m_env->messages.shown[0].text, QStringLiteral("The alarm time cannot be empty."));
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(m_env->database().table().size(), size_t(0));
    QCOMPARE(subject()->currentText(), QStringLiteral("Meeting"));
    QCOMPARE(note()->toPlainText(), QStringLiteral("Room 4"));

    m_dialog->EntryTime()->setValue(QStringLiteral("09:00:00 AM"));
    clickSave();
    QCOMPARE(m_env->database().table().size(), size_t(1));
}

void TestFormAddSched::brokenFileIsReportedAndStoredEntriesStay()
{
    m_env->addEntry(QStringLiteral("10/01/2002"), QStringLiteral("Kept"), QStringLiteral("OneTime"));
    // Another program leaves the file refusing every new row.
    sqlite3* other = nullptr;
    QCOMPARE(sqlite3_open(qPrintable(m_env->databasePath()), &other), SQLITE_OK);
    QCOMPARE(
        sqlite3_exec(
            other,
            "CREATE TRIGGER refuse BEFORE INSERT ON Schedule BEGIN SELECT RAISE(ABORT, 'disk full'); END",
            nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(other);

    openFromMainForm();
    fill(QStringLiteral("Meeting"), QStringLiteral("Room 4"));
    clickSave();
    QCOMPARE(m_env->messages.shown.size(), 1);
    QVERIFY(m_env->messages.shown[0].text.contains(QStringLiteral("disk full")));
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(note()->toPlainText(), QStringLiteral("Room 4"));
    const ScheduleTable& table = m_env->database().table();
    QCOMPARE(table.size(), size_t(1));
    QCOMPARE(table.text(0, ScheduleField::Subject), QStringLiteral("Kept"));
}

void TestFormAddSched::boxesHoldNoMoreThanTheirFields()
{
    openFromMainForm();
    QTest::keyClicks(subject()->lineEdit(), QString(60, u's'));
    QCOMPARE(subject()->currentText().size(), 50);

    QTest::keyClicks(note(), QString(240, u'n'));
    QTest::keyClicks(note(), QStringLiteral("0123456789abc"));
    QCOMPARE(note()->toPlainText(), QString(240, u'n') + QStringLiteral("0123456789"));

    // A paste in the middle keeps what was there and takes only what fits; a character made of two
    // UTF-16 units is never split.
    note()->setPlainText(QString(248, u'n'));
    QTextCursor cursor = note()->textCursor();
    cursor.setPosition(10);
    note()->setTextCursor(cursor);
    note()->insertPlainText(QStringLiteral("\U0001F600\U0001F600\U0001F600"));
    QCOMPARE(characterCount(note()->toPlainText()), 250);
    QCOMPARE(note()->toPlainText(),
             QString(10, u'n') + QStringLiteral("\U0001F600\U0001F600") + QString(238, u'n'));

    m_dialog->EntryDate()->setValue(QStringLiteral("10/15/2002"));
    clickSave();
    QCOMPARE(m_env->messages.shown.size(), 0);
    QCOMPARE(m_env->database().table().size(), size_t(1));
}

void TestFormAddSched::everyWayOutTellsTheOpenerAndStartsAfresh()
{
    QSignalSpy closed(m_dialog.get(), &FormAddSched::UnloadedFrom);
    const QStringList ways = {QStringLiteral("cmdButton(1)"), QStringLiteral("Image1")};
    for (const QString& way : ways) {
        openFromMainForm();
        fill(QStringLiteral("Meeting"), QStringLiteral("Room 4"));
        QTest::mouseClick(alarm(), Qt::LeftButton);
        QTest::mouseClick(m_dialog->findChild<QWidget*>(way), Qt::LeftButton);
        QVERIFY(!m_dialog->isVisible());
        QCOMPARE(closed.takeFirst().first().value<AddDialogOpener>(), AddDialogOpener::MainWindow);
        QCOMPARE(m_env->values().OpenedFrom, AddDialogOpener::None);
    }
    QCOMPARE(m_env->database().table().size(), size_t(0));

    m_dialog->show();
    QCOMPARE(subject()->currentText(), QString());
    QCOMPARE(note()->toPlainText(), QString());
    QVERIFY(!alarm()->isChecked());
    QCOMPARE(m_dialog->EntryTime()->value(), QStringLiteral("12:00:00 PM"));
    QCOMPARE(m_dialog->EntryDate()->value(), QString());
    // The note box keeps the room for its flat frame at every opening, not only the first.
    QCOMPARE(note()->geometry(), Design::rect(240, 1680, 2775, 1335).adjusted(2, 2, -2, -2));
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Add schedule"));
    QCOMPARE(m_dialog->pos(), QPoint((1280 - m_dialog->width()) / 2, (1024 - m_dialog->height()) / 2));
}

void TestFormAddSched::openedFromTheOrganizerPresetsToday()
{
    m_env->values().OpenedFrom = AddDialogOpener::Organizer;
    m_dialog->show();
    QCOMPARE(m_dialog->EntryDate()->value(), QStringLiteral("10/12/2002"));
    QSignalSpy closed(m_dialog.get(), &FormAddSched::UnloadedFrom);
    m_dialog->close();
    QCOMPARE(closed.takeFirst().first().value<AddDialogOpener>(), AddDialogOpener::Organizer);
}

void TestFormAddSched::unreadableDateOrTimeIsNamedAndKept_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("named");
    QTest::newRow("no such day") << "EntryDate"
                                 << "02/30/2003"
                                 << "date";
    QTest::newRow("nothing like a date") << "EntryDate"
                                         << "99/99/9999"
                                         << "date";
    QTest::newRow("no such minute") << "EntryTime"
                                    << "7:75 PM"
                                    << "alarm time";
}

void TestFormAddSched::unreadableDateOrTimeIsNamedAndKept()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, named);
    openFromMainForm(QStringLiteral("10/15/2002"));
    fill(QStringLiteral("Meeting"), QStringLiteral("Room 4"));
    QTest::mouseClick(alarm(), Qt::LeftButton);
    QWidget* edit = m_dialog->findChild<QWidget*>(box);
    QLineEdit* line = edit->findChild<QLineEdit*>();
    typeInto(line, typed);
    QCOMPARE(line->text(), typed);
    // Save takes the focus from the box before it reads it.
    clickSave();
    QVERIFY(!line->hasFocus());

    QCOMPARE(m_env->messages.shown.size(), 1);
    const QString text = m_env->messages.shown[0].text;
    QVERIFY2(text.startsWith(QStringLiteral("The %1 \"%2\" cannot be read.").arg(named, typed)),
             qPrintable(text));
    QCOMPARE(m_env->database().table().size(), size_t(0));
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(line->text(), typed);

    // Once it reads as a date or time the entry is saved with what was typed.
    typeInto(line,
             box == QLatin1String("EntryDate") ? QStringLiteral("3/7/2003") : QStringLiteral("7:45 pm"));
    clickSave();
    QCOMPARE(m_env->messages.shown.size(), 1);
    const ScheduleTable& table = m_env->database().table();
    QCOMPARE(table.size(), size_t(1));
    QCOMPARE(
        table.text(0, box == QLatin1String("EntryDate") ? ScheduleField::Date : ScheduleField::AlarmTime),
        box == QLatin1String("EntryDate") ? QStringLiteral("03/07/2003") : QStringLiteral("07:45:00 PM"));
}

void TestFormAddSched::subjectIsOneLineOfWholeCharacters()
{
    openFromMainForm();
    QLineEdit* line = subject()->lineEdit();
    const QString face = QStringLiteral("\U0001F600");

    // The last place of the field takes a whole character made of two UTF-16 units.
    QTest::keyClicks(line, QString(49, u's'));
    typeAtOnce(line, face);
    QCOMPARE(line->text(), QString(49, u's') + face);
    // A full field takes nothing more, not even half of one.
    typeAtOnce(line, face);
    QTest::keyClicks(line, QStringLiteral("x"));
    QCOMPARE(line->text(), QString(49, u's') + face);
    QCOMPARE(characterCount(line->text()), 50);

    // A paste of several lines becomes one line; what does not fit is cut at a whole character.
    line->clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("Call\nthe\r\nplumber") + QString(37, u'!') + face);
    line->paste();
    QCOMPARE(line->text(), QStringLiteral("Call the plumber") + QString(34, u'!'));
    line->setCursorPosition(4);
    QGuiApplication::clipboard()->setText(face);
    line->paste();
    QCOMPARE(line->text(), QStringLiteral("Call the plumber") + QString(34, u'!'));

    line->clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("Dentist\nat nine") + face);
    line->paste();
    QTest::keyClicks(note(), QStringLiteral("Bring the card"));
    clickSave();
    QCOMPARE(m_env->messages.shown.size(), 0);
    QCOMPARE(m_env->database().table().text(0, ScheduleField::Subject),
             QStringLiteral("Dentist at nine") + face);
}

void TestFormAddSched::draggingTheDialogMarksTheMainWindowAgain()
{
    MainForm& main = m_env->windows().mainForm();
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    ClickLabel* day20 = nullptr;
    for (ClickLabel* cell : main.findChildren<ClickLabel*>()) {
        if (cell->objectName().startsWith(QLatin1String("DaySlot(")) && cell->isVisible() &&
            cell->text() == QLatin1String("20"))
            day20 = cell;
    }
    QVERIFY(day20);
    const BgrColor unmarked = day20->ForeColor();
    // An entry that reached the file while the calendar was not looking.
    m_env->addEntry(QStringLiteral("10/20/2002"), QStringLiteral("Fair"), QStringLiteral("OneTime"));

    FormAddSched* dialog = m_env->windows().addScheduleDialog();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    QWidget* strip = dialog->findChild<ClickLabel*>(QStringLiteral("Label1"));
    QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(20, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(60, 40), strip->mapToGlobal(QPointF(60, 40)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(strip, &move);
    QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(60, 40));
    QVERIFY(day20->ForeColor() == unmarked);
    QTRY_COMPARE(day20->ForeColor(), Bgr::OneTimeGreen);
}

QTEST_MAIN(TestFormAddSched)
#include "TestFormAddSched.moc"
