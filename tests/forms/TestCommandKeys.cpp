#include "account/FormAccount.h"
#include "alarm/FormAlarm.h"
#include "app/formSplash.h"
#include "calendar/MainForm.h"
#include "controls/VemraButton.h"
#include "editing/FormAddSched.h"
#include "editing/FormOrganizer.h"
#include "forms/ClickLabel.h"
#include "support/WindowTestEnv.h"
#include "views/FormGrid.h"
#include "views/formYear.h"

#include <QAccessible>
#include <QPushButton>
#include <QtTest>

// The keyboard reaches every command of every window: each button and each picture that works a command
// tells assistive tools its key, pressing that key in the active window clicks it, and no two commands of
// one window share a key.
class TestCommandKeys : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyCommandOfEveryWindowAnswersItsKey();

private:
    // Checks the window's commands; returns what is wrong, one line a fault.
    static QStringList unreachable(QWidget* window, const QStringList& pictures);
};

namespace {

QStringList keysOf(QWidget* command)
{
    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(command);
    if (!spoken || !spoken->actionInterface())
        return {};
    return spoken->actionInterface()->keyBindingsForAction(QAccessibleActionInterface::pressAction());
}

void activate(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
}

} // namespace

void TestCommandKeys::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

QStringList TestCommandKeys::unreachable(QWidget* window, const QStringList& pictures)
{
    QStringList faults;
    QList<QWidget*> commands;
    for (VemraButton* button : window->findChildren<VemraButton*>()) {
        // The month steps of the main window are worked by the day keys (Page Up and Down, with Ctrl by a
        // year), which move the chosen day with the month.
        if (button->isVisibleTo(window) && !button->objectName().startsWith(QLatin1String("EXTRA(")))
            commands << button;
    }
    for (const QString& name : pictures) {
        auto* picture = window->findChild<ClickLabel*>(name);
        if (!picture)
            faults << window->windowTitle() + QStringLiteral(": no ") + name;
        else
            commands << picture;
    }

    QHash<QString, QString> takenBy;
    for (QWidget* command : commands) {
        const QString name = window->windowTitle() + u' ' + command->objectName();
        const QStringList keys = keysOf(command);
        if (keys.isEmpty()) {
            faults << name + QStringLiteral(": no key");
            continue;
        }
        // A disabled command gives its key up: the organizer's "&Add Today" and "C&ancel" share Alt+A and are
        // never enabled together.
        if (!command->isEnabled())
            continue;
        for (const QString& key : keys) {
            if (takenBy.contains(key))
                faults << name + QStringLiteral(": ") + key + QStringLiteral(" is also ") + takenBy[key];
            takenBy.insert(key, command->objectName());
        }
        // What the command does is its handler's business, tested with each window; here only the click
        // counts, so the handlers are taken off first.
        const bool isButton = qobject_cast<VemraButton*>(command);
        if (isButton)
            QObject::disconnect(static_cast<VemraButton*>(command), &VemraButton::Click, nullptr, nullptr);
        else
            QObject::disconnect(static_cast<ClickLabel*>(command), &ClickLabel::Click, nullptr, nullptr);
        for (const QString& key : keys) {
            std::unique_ptr<QSignalSpy> clicks =
                isButton
                    ? std::make_unique<QSignalSpy>(static_cast<VemraButton*>(command), &VemraButton::Click)
                    : std::make_unique<QSignalSpy>(static_cast<ClickLabel*>(command), &ClickLabel::Click);
            QTest::keySequence(window, QKeySequence(key, QKeySequence::PortableText));
            if (clicks->count() != 1)
                faults << name + QStringLiteral(": ") + key +
                              QStringLiteral(" clicked it %1 times").arg(clicks->count());
        }
    }
    return faults;
}

void TestCommandKeys::everyCommandOfEveryWindowAnswersItsKey()
{
    WindowTestEnv env(QDateTime(QDate(2026, 12, 7), QTime(9, 0)));
    env.addEntry(QStringLiteral("12/07/2026"), QStringLiteral("Dentist"), QStringLiteral("OneTime"));
    ProgramWindows& windows = env.windows();
    QStringList faults;

    MainForm& main = windows.mainForm();
    activate(&main);
    faults << unreachable(&main, {QStringLiteral("Image1(0)"), QStringLiteral("Image1(1)")});
    // Unfolded, the column's buttons are in view and "Options" reads "Hide"; the keys stay the same.
    main.VemraButton1_Click();
    faults << unreachable(&main, {});

    FormAddSched* dialog = windows.addScheduleDialog();
    dialog->loadIfNeeded();
    activate(dialog);
    faults << unreachable(dialog, {QStringLiteral("Image1")});
    dialog->close();

    FormGrid* list = windows.listWindow();
    activate(list);
    faults << unreachable(list, {});

    main.cmdButton_Click(MainForm::Organizer);
    FormOrganizer* organizer = windows.openOrganizer();
    QVERIFY(organizer);
    activate(organizer);
    faults << unreachable(organizer, {QStringLiteral("Image1"), QStringLiteral("ClickHere")});
    organizer->close();
    // While an entry is edited, Save and Cancel are the enabled commands.
    main.cmdButton_Click(MainForm::Organizer);
    organizer = windows.openOrganizer();
    activate(organizer);
    QTest::keyClick(organizer->cmdSetfocus(), Qt::Key_Space); // selects today's entry
    organizer->VemraButton1_Click(FormOrganizer::Edit);
    QVERIFY(organizer->findChild<VemraButton*>(QStringLiteral("VemraButton1(4)"))->isEnabled());
    faults << unreachable(organizer, {QStringLiteral("Image1"), QStringLiteral("ClickHere")});
    organizer->close();

    main.cmdButton_Click(MainForm::Max);
    formYear* year = windows.yearWindow();
    QVERIFY(year);
    activate(year);
    faults << unreachable(year, {});

    FormAlarm* alarm = windows.newAlarmWindow();
    activate(alarm);
    faults << unreachable(alarm, {});
    alarm->close();

    FormAccount* account = windows.accountWindow();
    account->ShowAccount();
    activate(account);
    faults << unreachable(account, {QStringLiteral("Image1")});
    account->close();

    formSplash credits(env.screen);
    credits.ShowAsAboutScreen();
    QTRY_VERIFY(credits.findChild<VemraButton*>(QStringLiteral("VemraButton1"))->isVisible());
    activate(&credits);
    faults << unreachable(&credits, {});

    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestCommandKeys)
#include "TestCommandKeys.moc"
