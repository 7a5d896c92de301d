#include "app/StatusNotifierItem.h"
#include "app/TrayIcon.h"
#include "forms/AppContext.h"
#include "support/FakeWindows.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QtTest>

// The icon offered on the session bus as a status notifier item, tested against a real bus that the
// test starts, with a stand-in watcher on it of the kind a notification area (swaybar, Waybar, KDE)
// brings: it keeps the items offered to it and says whether an area shows them.

class StandInWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)

public:
    QStringList items;
    bool host = true;
    bool hostRegistered() const { return host; }

public slots:
    void RegisterStatusNotifierItem(const QString& service) { items << service; }

signals:
    void StatusNotifierHostRegistered();
};

class TestStatusNotifierItem : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void aWatcherThatComesLaterOrAgainIsOfferedTheItem();
    void theAreasClicksReachTheIconAndTheMenuOpensWhereTheAreaSays();

private:
    // Puts a stand-in watcher on the bus under its well-known name, on a connection of its own.
    void startWatcher(bool host = true);
    void stopWatcher();
    QDBusConnection itemBus();
    // Reads a property of the item as the area does. Every call to the item is made without waiting on
    // it: the item answers on this same thread.
    QVariant readItem(const QString& item, const QString& property);
    void callItem(const QString& item, const QString& method, int x, int y);

    QTemporaryDir m_dir;
    QProcess m_bus;
    QString m_address;
    std::unique_ptr<StandInWatcher> m_watcher;
    QString m_watcherConnection;
    int m_connections = 0;
};

void TestStatusNotifierItem::initTestCase()
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        QSKIP("dbus-daemon is not installed");
    QVERIFY(m_dir.isValid());
    m_bus.start(daemon, {QStringLiteral("--session"),
                         QStringLiteral("--address=unix:path=") + m_dir.filePath(QStringLiteral("bus")),
                         QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    QVERIFY2(m_bus.waitForStarted(), qPrintable(m_bus.errorString()));
    while (!m_bus.canReadLine())
        QVERIFY(m_bus.waitForReadyRead());
    m_address = QString::fromUtf8(m_bus.readLine()).trimmed();
}

void TestStatusNotifierItem::cleanupTestCase()
{
    if (m_bus.state() != QProcess::NotRunning) {
        m_bus.terminate();
        m_bus.waitForFinished();
    }
}

void TestStatusNotifierItem::cleanup()
{
    stopWatcher();
}

void TestStatusNotifierItem::startWatcher(bool host)
{
    m_watcherConnection = QStringLiteral("watcher-%1").arg(++m_connections);
    QDBusConnection connection = QDBusConnection::connectToBus(m_address, m_watcherConnection);
    QVERIFY(connection.isConnected());
    m_watcher = std::make_unique<StandInWatcher>();
    m_watcher->host = host;
    QVERIFY(connection.registerObject(StatusNotifierItem::WatcherPath, m_watcher.get(),
                                      QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                          QDBusConnection::ExportAllProperties));
    QVERIFY(connection.registerService(StatusNotifierItem::WatcherService));
}

void TestStatusNotifierItem::stopWatcher()
{
    if (m_watcherConnection.isEmpty())
        return;
    QDBusConnection::disconnectFromBus(m_watcherConnection);
    m_watcherConnection.clear();
    m_watcher.reset();
}

QDBusConnection TestStatusNotifierItem::itemBus()
{
    return QDBusConnection::connectToBus(m_address, QStringLiteral("item-%1").arg(++m_connections));
}

QVariant TestStatusNotifierItem::readItem(const QString& item, const QString& property)
{
    QDBusMessage get = QDBusMessage::createMethodCall(item, StatusNotifierItem::ItemPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << QStringLiteral("org.kde.StatusNotifierItem") << property;
    const QDBusPendingCall call = QDBusConnection(m_watcherConnection).asyncCall(get);
    if (!QTest::qWaitFor([&] { return call.isFinished(); }, 10000))
        return {};
    return QDBusPendingReply<QDBusVariant>(call).value().variant();
}

void TestStatusNotifierItem::callItem(const QString& item, const QString& method, int x, int y)
{
    QDBusMessage call = QDBusMessage::createMethodCall(item, StatusNotifierItem::ItemPath,
                                                       QStringLiteral("org.kde.StatusNotifierItem"), method);
    call << x << y;
    QDBusConnection(m_watcherConnection).asyncCall(call);
}

void TestStatusNotifierItem::aWatcherThatComesLaterOrAgainIsOfferedTheItem()
{
    const QDBusConnection bus = itemBus();
    StatusNotifierItem item(bus, QApplication::windowIcon(), TrayIcon::TipText());
    QSignalSpy presence(&item, &StatusNotifierItem::presenceChanged);
    QVERIFY(!item.present());

    // The bar starts after the program: its watcher is offered the item at once, under the item's name.
    startWatcher();
    QTRY_COMPARE(m_watcher->items, QStringList{bus.baseService()});
    QTRY_VERIFY(item.present());
    QCOMPARE(presence.count(), 1);

    // What the area reads of it.
    const QString name = bus.baseService();
    QCOMPARE(readItem(name, QStringLiteral("IconName")).toString(), QStringLiteral("zentravio"));
    QCOMPARE(readItem(name, QStringLiteral("Title")).toString(), QStringLiteral("Zentravio"));
    QCOMPARE(readItem(name, QStringLiteral("Status")).toString(), QStringLiteral("Active"));
    QCOMPARE(readItem(name, QStringLiteral("ItemIsMenu")).toBool(), false);
    item.setShown(false);
    QCOMPARE(readItem(name, QStringLiteral("Status")).toString(), QStringLiteral("Passive"));
    item.setShown(true);

    // The bar goes, and a new one comes (a restart): the item follows.
    stopWatcher();
    QTRY_VERIFY(!item.present());
    startWatcher();
    QTRY_COMPARE(m_watcher->items, QStringList{bus.baseService()});
    QTRY_VERIFY(item.present());

    // A watcher with no area behind it yet keeps the item, which shows once an area comes.
    stopWatcher();
    QTRY_VERIFY(!item.present());
    startWatcher(false);
    QTRY_COMPARE(m_watcher->items.size(), 1);
    QCoreApplication::processEvents();
    QVERIFY(!item.present());
    m_watcher->host = true;
    emit m_watcher->StatusNotifierHostRegistered();
    QTRY_VERIFY(item.present());
}

void TestStatusNotifierItem::theAreasClicksReachTheIconAndTheMenuOpensWhereTheAreaSays()
{
    ProgramValues values;
    values.MainViewActive = true;
    FakeWindows host;
    TrayIcon tray(values, host);
    tray.setAvailable([] { return false; }); // no notification area of Qt's kind
    const QDBusConnection bus = itemBus();
    tray.setStatusNotifier(std::make_unique<StatusNotifierItem>(bus, QApplication::windowIcon(), TrayIcon::TipText()));
    tray.AddTrayIcon();
    QVERIFY(!tray.isShown());

    startWatcher();
    QTRY_VERIFY(tray.isShown());
    QVERIFY(!tray.icon()->isVisible()); // one icon only: Qt's own stays away

    const QString name = bus.baseService();
    // A click shows and hides the calendar, as on any notification area.
    callItem(name, QStringLiteral("Activate"), 10, 10);
    QTRY_VERIFY(values.MainHidden);
    callItem(name, QStringLiteral("Activate"), 10, 10);
    QTRY_VERIFY(!values.MainHidden && host.window->isVisible());

    // A right click: the program's menu opens at the place the area sends, not where the pointer was.
    QCursor::setPos(600, 500);
    callItem(name, QStringLiteral("ContextMenu"), 140, 12);
    QTRY_VERIFY(host.menu->isVisible());
    QCOMPARE(host.menu->geometry().topLeft(), QPoint(140, 12));
    QVERIFY(host.exit->isEnabled());
    host.menu->close();

    tray.RemoveTrayIcon();
    QVERIFY(!tray.isShown());
}

QTEST_MAIN(TestStatusNotifierItem)
#include "TestStatusNotifierItem.moc"
