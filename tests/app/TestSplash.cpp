#include "app/formAbout.h"
#include "app/formSplash.h"
#include "controls/VemraButton.h"
#include "support/TestServices.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

// The splash and credits windows, driven tick by tick through their timer handlers.
class TestSplash : public QObject
{
    Q_OBJECT

private slots:
    void startUpHandsOverAtTheThirdTickAndClosesAtTheFourth();
    void loadsTopMostAndCentred();
    void aboutScreenScrollsTheCreditLineAndShowsItsButtons();
    void aboutScreenClosesOnlyThroughClose();
    void authorOpensTheCreditsWindow();

private:
    FixedScreenService m_screen{QRect(0, 0, 1000, 700)};

    static QTimer* timer(formSplash& splash, const char* name) { return splash.findChild<QTimer*>(name); }
    static VemraButton* button(QWidget& window, const char* name)
    {
        return window.findChild<VemraButton*>(name);
    }
};

void TestSplash::startUpHandsOverAtTheThirdTickAndClosesAtTheFourth()
{
    formSplash splash(m_screen);
    QWidget main;
    connect(&splash, &formSplash::ShowMainWindow, &main, &QWidget::show);
    QSignalSpy unloaded(&splash, &formSplash::Unloaded);

    splash.ShowSplash();
    QVERIFY(splash.isVisible());
    QVERIFY(timer(splash, "Timer1")->isActive());
    QCOMPARE(timer(splash, "Timer1")->interval(), 1000);
    timer(splash, "Timer1")->stop(); // the ticks are the test's to give
    QVERIFY(!timer(splash, "Timer2")->isActive());
    QVERIFY(!button(splash, "VemraButton1")->isVisible());
    QVERIFY(!button(splash, "VemraButton2")->isVisible());

    splash.Timer1_Timer();
    splash.Timer1_Timer();
    QVERIFY(!main.isVisible());
    splash.Timer1_Timer(); // third tick
    QVERIFY(main.isVisible());
    QVERIFY(splash.isVisible());
    QCOMPARE(unloaded.count(), 0);
    splash.Timer1_Timer(); // fourth tick
    QVERIFY(!splash.isVisible());
    QCOMPARE(unloaded.count(), 1);
    // The buttons never showed during start-up.
    QVERIFY(button(splash, "VemraButton1")->isHidden());
}

void TestSplash::loadsTopMostAndCentred()
{
    formSplash splash(m_screen);
    splash.ShowSplash();
    QCOMPARE(splash.windowTitle(), QStringLiteral("Zentravio v1.2.2"));
    QVERIFY(splash.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(splash.pos(), QPoint((1000 - splash.width()) / 2, (700 - splash.height()) / 2));
}

void TestSplash::aboutScreenScrollsTheCreditLineAndShowsItsButtons()
{
    formSplash splash(m_screen);
    splash.ShowAsAboutScreen();
    QVERIFY(!timer(splash, "Timer1")->isActive());
    QVERIFY(timer(splash, "Timer2")->isActive());
    QCOMPARE(timer(splash, "Timer2")->interval(), 150);

    auto* credit = splash.findChild<QLabel*>("Label5");
    const QString start = credit->text();
    splash.Timer2_Timer();
    QVERIFY(button(splash, "VemraButton1")->isVisible());
    QVERIFY(button(splash, "VemraButton2")->isVisible());
    // Drawn like every other placed button of the program.
    QCOMPARE(button(splash, "VemraButton1")->buttonType(), int(ButtonType::ThinEdge));
    QCOMPARE(button(splash, "VemraButton2")->buttonType(), int(ButtonType::ThinEdge));
    QCOMPARE(credit->text(), start.mid(1) + start.at(0));
    for (qsizetype i = 1; i < start.size(); ++i)
        splash.Timer2_Timer();
    QCOMPARE(credit->text(), start); // one full turn later the line reads as at the start
}

void TestSplash::aboutScreenClosesOnlyThroughClose()
{
    formSplash splash(m_screen);
    QSignalSpy mainWanted(&splash, &formSplash::ShowMainWindow);
    QSignalSpy unloaded(&splash, &formSplash::Unloaded);
    splash.ShowAsAboutScreen();
    splash.Timer2_Timer();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));

    // The start-up tick count is off: the about screen neither calls for the main window nor closes.
    QVERIFY(!timer(splash, "Timer1")->isActive());

    // The owner-drawn buttons hand the keyboard focus on at once.
    splash.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&splash));
    button(splash, "VemraButton1")->setFocus();
    QCOMPARE(QApplication::focusWidget(), splash.findChild<QPushButton*>("cmdSetfocus"));

    QTest::mouseClick(button(splash, "VemraButton1"), Qt::LeftButton);
    QVERIFY(!splash.isVisible());
    QCOMPARE(unloaded.count(), 1);
    QCOMPARE(mainWanted.count(), 0);
    QVERIFY(!timer(splash, "Timer2")->isActive());
}

void TestSplash::authorOpensTheCreditsWindow()
{
    formSplash splash(m_screen);
    splash.ShowAsAboutScreen();
    splash.Timer2_Timer();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    QTest::mouseClick(button(splash, "VemraButton2"), Qt::LeftButton);

    formAbout* about = splash.aboutWindow();
    QVERIFY(about);
    QVERIFY(about->isVisible());
    QVERIFY(splash.isVisible()); // modeless: the about screen stays
    QCOMPARE(about->windowTitle(), QStringLiteral("About Zentravio"));
    QVERIFY(about->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(about->pos(), QPoint((1000 - about->width()) / 2, (700 - about->height()) / 2));

    QVERIFY(QTest::qWaitForWindowExposed(about));
    auto* ok = button(*about, "VemraButton1");
    QCOMPARE(ok->caption(), QStringLiteral("&Ok"));
    QCOMPARE(ok->buttonType(), int(ButtonType::ThinEdge));
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(!about->isVisible());

    // A second "Author" shows the same window again.
    QTest::mouseClick(button(splash, "VemraButton2"), Qt::LeftButton);
    QCOMPARE(splash.aboutWindow(), about);
    QVERIFY(about->isVisible());
}

QTEST_MAIN(TestSplash)
#include "TestSplash.moc"
