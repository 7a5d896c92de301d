#include "alarm/FormAlarm.h"
#include "calendar/MainForm.h"
#include "controls/VemraButton.h"
#include "editing/FormAddSched.h"
#include "editing/FormOrganizer.h"
#include "support/WindowTestEnv.h"
#include "views/FormGrid.h"
#include "views/formYear.h"

#include <QApplication>
#include <QtTest>

// No owner-drawn button ever shows a focus state, whichever way the focus comes near it: every window
// is tabbed through and each of its buttons pressed, and then no button may draw itself differently
// once it is told that it has no focus.
class TestFocusFrames : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void noButtonOfAnyWindowKeepsAFocusFrame();

private:
    // Tabs round the window and presses each of its buttons (released beside it, so nothing is clicked);
    // then checks every button.
    void exercise(QWidget* window);

    std::unique_ptr<WindowTestEnv> m_env;
};

void TestFocusFrames::init()
{
    m_env = std::make_unique<WindowTestEnv>(QDateTime(QDate(2002, 10, 12), QTime(9, 30)));
    m_env->addEntry(QStringLiteral("10/20/2002"), QStringLiteral("Dentist"), QStringLiteral("OneTime"));
}

void TestFocusFrames::cleanup()
{
    m_env.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestFocusFrames::exercise(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    const QList<VemraButton*> buttons = window->findChildren<VemraButton*>();
    QVERIFY(!buttons.isEmpty());

    for (int i = 0; i < 2 * int(buttons.size()) + 10; ++i) {
        QWidget* focused = QApplication::focusWidget() ? QApplication::focusWidget() : window;
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    for (VemraButton* button : buttons) {
        if (!button->isVisible() || !button->isEnabled())
            continue;
        QTest::mousePress(button, Qt::LeftButton, {}, button->rect().center());
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(-20, -20));
        QVERIFY2(window->isVisible(), qPrintable(button->objectName()));
    }

    for (VemraButton* button : buttons) {
        const QImage shown = button->surface();
        QFocusEvent lost(QEvent::FocusOut, Qt::OtherFocusReason);
        QCoreApplication::sendEvent(button, &lost);
        QVERIFY2(button->surface() == shown,
                 qPrintable(QStringLiteral("%1 of %2 showed a focus frame")
                                .arg(button->objectName(), window->objectName())));
    }
}

void TestFocusFrames::noButtonOfAnyWindowKeepsAFocusFrame()
{
    ProgramWindows& windows = m_env->windows();
    MainForm& main = windows.mainForm();
    exercise(&main);
    if (QTest::currentTestFailed())
        return;

    exercise(windows.listWindow());
    if (QTest::currentTestFailed())
        return;

    QTest::mouseClick(main.findChild<VemraButton*>(QStringLiteral("cmdButton(5)")), Qt::LeftButton);
    FormOrganizer* organizer = windows.openOrganizer();
    QVERIFY(organizer);
    exercise(organizer);
    if (QTest::currentTestFailed())
        return;

    // The add dialog, opened once, closed and opened again as the program reuses it.
    FormAddSched* dialog = windows.addScheduleDialog();
    QVERIFY(dialog);
    exercise(dialog);
    if (QTest::currentTestFailed())
        return;
    dialog->close();
    exercise(dialog);
    if (QTest::currentTestFailed())
        return;
    dialog->close();
    organizer->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    exercise(windows.yearWindow());
    if (QTest::currentTestFailed())
        return;
    windows.yearWindow()->close();

    FormAlarm* alarm = windows.newAlarmWindow();
    QVERIFY(alarm);
    exercise(alarm);
}

QTEST_MAIN(TestFocusFrames)
#include "TestFocusFrames.moc"
