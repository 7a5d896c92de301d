#include "ButtonTestHost.h"
#include "controls/VemraButton.h"

#include <QSignalSpy>
#include <QTest>

// The fixed grey palette (colour scheme 3) makes the up and down looks easy to tell apart: a type-7
// button's top-left pixel is the white highlight while up and the grey shadow while down.
constexpr QRgb UpCorner = 0xFFFFFFFF;
constexpr QRgb DownCorner = 0xFF808080;

class TestVemraButtonEvents : public QObject
{
    Q_OBJECT

private slots:
    void leftClickRaisesEventsInOrder();
    void rightButtonDrawsNothingAndClicksNothing();
    void middleButtonDrawsDownButDoesNotClick();
    void mouseDownHandlerDecidesTheButton();
    void releaseOutsideDoesNotClick();
    void doubleClickPressesAgain();
    void disabledButtonIgnoresClicks();
    void checkBoxBehaviourTogglesValueAndStaysDown();
    void valueWithoutCheckBoxChangesNothingOnScreen();
    void spacePressAndReleaseClicks();
    void anotherKeyCancelsSpace();
    void arrowKeysMoveTheFocus();
    void accessKeyClicks_data();
    void accessKeyClicks();
    void hoverRaisesMouseOverOnceAndMouseOutWithinOneTick();
    void coveringWidgetCountsAsLeaving();
    void leftDragInsideIsAFreshEntryAfterwards();
    void zeroHeightNeverPaints();
    void disableRefreshHoldsPaintsUntilRefresh();
    void sameCaptionRepaints();
    void focusRepaintsWithTheFocusRectangle();
};

void TestVemraButtonEvents::leftClickRaisesEventsInOrder()
{
    ButtonTestHost host;
    QStringList order;
    connect(host.button, &VemraButton::MouseDown, this,
            [&](short& b, short&, float&, float&) { order << QStringLiteral("down %1").arg(b); });
    connect(host.button, &VemraButton::MouseUp, this,
            [&](short& b, short&, float&, float&) { order << QStringLiteral("up %1").arg(b); });
    connect(host.button, &VemraButton::Click, this, [&] { order << QStringLiteral("click"); });

    QTest::mousePress(host.button, Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 12));
    QCOMPARE(host.pixel(0, 0), DownCorner);
    QTest::mouseRelease(host.button, Qt::LeftButton, {}, QPoint(20, 12));
    QCOMPARE(host.pixel(0, 0), UpCorner);
    QCOMPARE(order, QStringList({"down 1", "up 1", "click"}));
}

void TestVemraButtonEvents::rightButtonDrawsNothingAndClicksNothing()
{
    ButtonTestHost host;
    QSignalSpy clicks(host.button, &VemraButton::Click);
    ButtonEventLog log(host.button);
    const int painted = host.button->paintCount();

    QTest::mousePress(host.button, Qt::RightButton);
    QCOMPARE(host.pixel(0, 0), UpCorner);
    QTest::mouseRelease(host.button, Qt::RightButton);

    QCOMPARE(log.mouseDowns.count(), 1);
    QCOMPARE(log.mouseDowns.at(0).at(0), 2.0f);
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(host.button->paintCount(), painted);
}

void TestVemraButtonEvents::middleButtonDrawsDownButDoesNotClick()
{
    ButtonTestHost host;
    QSignalSpy clicks(host.button, &VemraButton::Click);
    QTest::mousePress(host.button, Qt::MiddleButton);
    QCOMPARE(host.pixel(0, 0), DownCorner);
    QTest::mouseRelease(host.button, Qt::MiddleButton);
    QCOMPARE(host.pixel(0, 0), UpCorner);
    QCOMPARE(clicks.count(), 0);
}

void TestVemraButtonEvents::mouseDownHandlerDecidesTheButton()
{
    // The event's arguments are references: a handler that turns a left press into a right one
    // keeps the button up and its click away.
    ButtonTestHost host;
    QSignalSpy clicks(host.button, &VemraButton::Click);
    connect(host.button, &VemraButton::MouseDown, this, [](short& b, short&, float&, float&) { b = 2; });
    QTest::mouseClick(host.button, Qt::LeftButton);
    QCOMPARE(host.pixel(0, 0), UpCorner);
    QCOMPARE(clicks.count(), 0);
}

void TestVemraButtonEvents::releaseOutsideDoesNotClick()
{
    ButtonTestHost host;
    QSignalSpy clicks(host.button, &VemraButton::Click);
    QTest::mousePress(host.button, Qt::LeftButton);
    QTest::mouseRelease(host.button, Qt::LeftButton, {}, QPoint(150, 50));
    QCOMPARE(clicks.count(), 0);
}

void TestVemraButtonEvents::doubleClickPressesAgain()
{
    ButtonTestHost host;
    QSignalSpy clicks(host.button, &VemraButton::Click);
    ButtonEventLog log(host.button);
    // The host's order: press, release, double click, release.
    QTest::mouseClick(host.button, Qt::LeftButton, {}, QPoint(20, 10));
    QTest::mouseDClick(host.button, Qt::LeftButton, {}, QPoint(20, 10));
    QCOMPARE(host.pixel(0, 0), DownCorner);
    QTest::mouseRelease(host.button, Qt::LeftButton, {}, QPoint(20, 10));
    QCOMPARE(log.mouseDowns.count(), 2);
    QCOMPARE(clicks.count(), 2);
    QCOMPARE(log.mouseDowns.at(0), QList<float>({1, 0, 20, 10}));
    QCOMPARE(log.mouseDowns.at(1), QList<float>({1, 0, 0, 0}));
}

void TestVemraButtonEvents::disabledButtonIgnoresClicks()
{
    ButtonTestHost host;
    QSignalSpy clicks(host.button, &VemraButton::Click);
    host.button->setCaption(QStringLiteral("&Off"));
    host.button->setEnabled(false);
    QVERIFY(!host.button->isEnabled());

    QTest::mouseClick(host.button, Qt::LeftButton);
    QTest::keyClick(host.button, Qt::Key_Space);
    QTest::keyClick(host.window.get(), Qt::Key_O, Qt::AltModifier);
    QCOMPARE(clicks.count(), 0);

    // Enabling the widget directly counts as the property too.
    QSignalSpy changes(host.button, &VemraButton::PropertyChanged);
    host.button->QWidget::setEnabled(true);
    QVERIFY(host.button->enabled());
    QCOMPARE(changes.count(), 1);
    QTest::mouseClick(host.button, Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);
}

void TestVemraButtonEvents::checkBoxBehaviourTogglesValueAndStaysDown()
{
    ButtonTestHost host;
    host.button->setCheckBoxBehaviour(true);
    QSignalSpy clicks(host.button, &VemraButton::Click);

    QTest::mouseClick(host.button, Qt::LeftButton);
    QVERIFY(host.button->value());
    QCOMPARE(host.pixel(0, 0), DownCorner);

    // Hovering a checked button keeps it down.
    QVERIFY(host.hover());
    QCOMPARE(host.pixel(0, 0), DownCorner);

    QTest::mouseClick(host.button, Qt::LeftButton);
    QVERIFY(!host.button->value());
    QCOMPARE(host.pixel(0, 0), UpCorner);
    QCOMPARE(clicks.count(), 2);

    host.button->setValue(true);
    QCOMPARE(host.pixel(0, 0), DownCorner);
}

void TestVemraButtonEvents::valueWithoutCheckBoxChangesNothingOnScreen()
{
    ButtonTestHost host;
    const int painted = host.button->paintCount();
    host.button->setValue(true);
    QVERIFY(host.button->value());
    QCOMPARE(host.button->paintCount(), painted);
    QCOMPARE(host.pixel(0, 0), UpCorner);
}

void TestVemraButtonEvents::spacePressAndReleaseClicks()
{
    ButtonTestHost host;
    QSignalSpy clicks(host.button, &VemraButton::Click);
    ButtonEventLog log(host.button);

    QTest::keyPress(host.button, Qt::Key_Space);
    QCOMPARE(host.pixel(0, 0), DownCorner);
    QTest::keyRelease(host.button, Qt::Key_Space);
    QCOMPARE(host.pixel(0, 0), UpCorner);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(log.keyDowns, QList<QList<short>>({{32, 0}}));
    QCOMPARE(log.keyPresses, QList<short>({32}));
}

void TestVemraButtonEvents::anotherKeyCancelsSpace()
{
    ButtonTestHost host;
    QSignalSpy clicks(host.button, &VemraButton::Click);
    QTest::keyPress(host.button, Qt::Key_Space);
    QTest::keyClick(host.button, Qt::Key_X);
    QTest::keyRelease(host.button, Qt::Key_Space);
    QCOMPARE(clicks.count(), 0);

    // A release without its press does nothing either.
    QTest::keyRelease(host.button, Qt::Key_Space);
    QCOMPARE(clicks.count(), 0);
}

void TestVemraButtonEvents::arrowKeysMoveTheFocus()
{
    ButtonTestHost host;
    auto* before = new VemraButton(host.window.get());
    auto* after = new VemraButton(host.window.get());
    // Tab order follows creation: host.button, before, after; put "before" ahead of the button.
    QWidget::setTabOrder(before, host.button);
    QWidget::setTabOrder(host.button, after);
    before->show();
    after->show();
    host.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(host.window.get()));

    host.button->setFocus();
    QTest::keyClick(host.button, Qt::Key_Right);
    QCOMPARE(QApplication::focusWidget(), after);
    host.button->setFocus();
    QTest::keyClick(host.button, Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), after);
    host.button->setFocus();
    QTest::keyClick(host.button, Qt::Key_Left);
    QCOMPARE(QApplication::focusWidget(), before);
    host.button->setFocus();
    QTest::keyClick(host.button, Qt::Key_Up);
    QCOMPARE(QApplication::focusWidget(), before);
}

void TestVemraButtonEvents::accessKeyClicks_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("clicks");
    QTest::newRow("marked letter") << "C&hange Color" << int(Qt::Key_H) << 1;
    QTest::newRow("other letter") << "C&hange Color" << int(Qt::Key_C) << 0;
    QTest::newRow("doubled pair only") << "Save && Exit" << int(Qt::Key_E) << 0;
    QTest::newRow("single after pair") << "R&&D &Notes" << int(Qt::Key_N) << 1;
    QTest::newRow("digit") << "Slot &2" << int(Qt::Key_2) << 1;
}

void TestVemraButtonEvents::accessKeyClicks()
{
    QFETCH(QString, caption);
    QFETCH(int, key);
    QFETCH(int, clicks);

    ButtonTestHost host;
    auto* other = new QWidget(host.window.get());
    other->setFocusPolicy(Qt::StrongFocus);
    other->show();
    host.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(host.window.get()));
    other->setFocus();

    host.button->setCaption(caption);
    QSignalSpy spy(host.button, &VemraButton::Click);
    QTest::keyClick(other, Qt::Key(key), Qt::AltModifier);
    QCOMPARE(spy.count(), clicks);
}

void TestVemraButtonEvents::hoverRaisesMouseOverOnceAndMouseOutWithinOneTick()
{
    ButtonTestHost host(12, 3);
    QSignalSpy overs(host.button, &VemraButton::MouseOver);
    QSignalSpy outs(host.button, &VemraButton::MouseOut);
    QCOMPARE(host.pixel(0, 0), 0xFFC0C0C0); // type 12 shows its bevel only while hovered

    QVERIFY(host.hover());
    QTest::mouseMove(host.button, QPoint(30, 10));
    QTest::mouseMove(host.button, QPoint(40, 12));
    QCOMPARE(overs.count(), 1);
    QCOMPARE(host.pixel(0, 0), UpCorner);
    QVERIFY(host.window->findChild<QTimer*>(QStringLiteral("OverTimer"))->isActive());

    // A tick with the pointer still over the button changes nothing.
    host.button->OverTimer_Timer();
    QCOMPARE(outs.count(), 0);

    host.leave();
    host.button->OverTimer_Timer();
    QCOMPARE(outs.count(), 1);
    QVERIFY(!host.button->pointerOver());
    QCOMPARE(host.pixel(0, 0), 0xFFC0C0C0);
    host.button->OverTimer_Timer();
    QCOMPARE(outs.count(), 1);
}

void TestVemraButtonEvents::coveringWidgetCountsAsLeaving()
{
    ButtonTestHost host(12, 3);
    QSignalSpy outs(host.button, &VemraButton::MouseOut);
    QVERIFY(host.hover());

    // A window laid over the button takes the pointer even though it has not moved.
    auto* cover = new QWidget(host.window.get());
    cover->setGeometry(0, 0, 200, 80);
    cover->show();
    cover->raise();
    host.button->OverTimer_Timer();
    QCOMPARE(outs.count(), 1);
}

void TestVemraButtonEvents::leftDragInsideIsAFreshEntryAfterwards()
{
    ButtonTestHost host;
    QSignalSpy overs(host.button, &VemraButton::MouseOver);
    QVERIFY(host.hover());
    QCOMPARE(overs.count(), 1);

    QTest::mousePress(host.button, Qt::LeftButton, {}, QPoint(50, 15));
    QMouseEvent drag(QEvent::MouseMove, QPointF(52, 15), host.button->mapToGlobal(QPointF(52, 15)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(host.button, &drag);
    QCOMPARE(host.pixel(0, 0), DownCorner);
    QVERIFY(!host.button->pointerOver());

    QTest::mouseRelease(host.button, Qt::LeftButton, {}, QPoint(52, 15));
    QTest::mouseMove(host.button, QPoint(54, 15));
    QCOMPARE(overs.count(), 2);
}

void TestVemraButtonEvents::zeroHeightNeverPaints()
{
    ButtonTestHost host;
    host.button->resize(100, 0);
    const int painted = host.button->paintCount();
    host.button->setCaption(QStringLiteral("Hidden"));
    host.button->setBackColor(0x123456);
    host.button->Refresh();
    QTest::mouseClick(host.window.get(), Qt::LeftButton, {}, QPoint(20, 10));
    QCOMPARE(host.button->paintCount(), painted);

    host.button->resize(100, 30);
    QCOMPARE(host.button->paintCount(), painted + 1);
}

void TestVemraButtonEvents::disableRefreshHoldsPaintsUntilRefresh()
{
    ButtonTestHost host(7, 2);
    host.button->setBackColor(0x00FF00);
    QCOMPARE(host.pixel(50, 15), 0xFF00FF00);

    host.button->DisableRefresh();
    const int painted = host.button->paintCount();
    host.button->setBackColor(0x0000FF);
    host.button->setCaption(QStringLiteral("Later"));
    host.button->setButtonType(2);
    QTest::mouseClick(host.button, Qt::LeftButton);
    QCOMPARE(host.button->paintCount(), painted);
    QCOMPARE(host.pixel(5, 5), 0xFF00FF00);

    host.button->Refresh();
    QCOMPARE(host.button->paintCount(), painted + 1);
    QCOMPARE(host.pixel(5, 5), 0xFFFF0000);
}

void TestVemraButtonEvents::sameCaptionRepaints()
{
    ButtonTestHost host;
    host.button->setCaption(QStringLiteral("Same"));
    const int painted = host.button->paintCount();
    host.button->setCaption(QStringLiteral("Same"));
    QCOMPARE(host.button->paintCount(), painted + 1);
}

void TestVemraButtonEvents::focusRepaintsWithTheFocusRectangle()
{
    ButtonTestHost host(7, 3);
    host.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(host.window.get()));
    host.button->setFocus();
    QTRY_VERIFY(host.button->hasFocus());
    // The dotted rectangle inverts every other pixel of the focus rectangle, starting at its corner.
    QCOMPARE(host.pixel(3, 3), 0xFF3F3F3F);
    QCOMPARE(host.pixel(4, 3), 0xFFC0C0C0);
    QCOMPARE(host.pixel(5, 3), 0xFF3F3F3F);

    host.button->setShowFocusRect(false);
    QCOMPARE(host.pixel(3, 3), 0xFFC0C0C0);
    host.button->setShowFocusRect(true);
    host.button->clearFocus();
    QCOMPARE(host.pixel(3, 3), 0xFFC0C0C0);
}

QTEST_MAIN(TestVemraButtonEvents)
#include "TestVemraButtonEvents.moc"
