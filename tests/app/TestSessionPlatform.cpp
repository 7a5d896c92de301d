#include "app/SessionPlatform.h"

#include <QGuiApplication>
#include <QTest>

// Where the program runs on a Wayland session, and the name shells know its windows by.
class TestSessionPlatform : public QObject
{
    Q_OBJECT

private slots:
    void xwaylandIsChosenOnlyWhereOfferedAndNotChosenOtherwise_data();
    void xwaylandIsChosenOnlyWhereOfferedAndNotChosenOtherwise();
    void theWindowsCarryTheDesktopFileName();
};

void TestSessionPlatform::xwaylandIsChosenOnlyWhereOfferedAndNotChosenOtherwise_data()
{
    QTest::addColumn<QByteArray>("qpaPlatform");
    QTest::addColumn<QByteArray>("waylandDisplay");
    QTest::addColumn<QByteArray>("x11Display");
    QTest::addColumn<QByteArray>("sessionType");
    QTest::addColumn<QString>("expected");
    QTest::newRow("wayland with xwayland") << QByteArray() << QByteArray("wayland-0") << QByteArray(":0")
                                           << QByteArray("wayland") << QStringLiteral("xcb");
    QTest::newRow("session type alone") << QByteArray() << QByteArray() << QByteArray(":1") << QByteArray("wayland")
                                        << QStringLiteral("xcb");
    QTest::newRow("no xwayland: native") << QByteArray() << QByteArray("wayland-0") << QByteArray()
                                         << QByteArray("wayland") << QString();
    QTest::newRow("the user's choice stands") << QByteArray("wayland") << QByteArray("wayland-0")
                                              << QByteArray(":0") << QByteArray("wayland") << QString();
    QTest::newRow("x11 session") << QByteArray() << QByteArray() << QByteArray(":0") << QByteArray("x11")
                                 << QString();
    QTest::newRow("no display at all") << QByteArray() << QByteArray() << QByteArray() << QByteArray() << QString();
}

void TestSessionPlatform::xwaylandIsChosenOnlyWhereOfferedAndNotChosenOtherwise()
{
    QFETCH(QByteArray, qpaPlatform);
    QFETCH(QByteArray, waylandDisplay);
    QFETCH(QByteArray, x11Display);
    QFETCH(QByteArray, sessionType);
    QFETCH(QString, expected);
    QCOMPARE(SessionPlatform::chosenPlatform({qpaPlatform, waylandDisplay, x11Display, sessionType}), expected);
}

void TestSessionPlatform::theWindowsCarryTheDesktopFileName()
{
    SessionPlatform::setIdentity(QStringLiteral("1.2.3"));
    QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("org.zentravio.Zentravio"));
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Zentravio"));
    QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("1.2.3"));
}

QTEST_MAIN(TestSessionPlatform)
#include "TestSessionPlatform.moc"
