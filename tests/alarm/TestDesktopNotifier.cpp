#include "alarm/FormAlarm.h"
#include "app/ProgramWindows.h"
#include "calendar/MainForm.h"
#include "notify/DesktopNotifier.h"
#include "support/WindowTestEnv.h"

#include <QDBusConnection>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// Alarms sent to the desktop's notification service, tested against a real session bus that the test
// starts, with a stand-in notification service on it that keeps what it receives.

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");

struct Received
{
    QString appName;
    uint replacesId;
    QString icon;
    QString summary;
    QString body;
    QStringList actions;
    QVariantMap hints;
    int timeout;
};

} // namespace

class FakeNotificationService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList capabilities{QStringLiteral("body"), QStringLiteral("body-markup")};
    QList<Received> received;
    QList<uint> closed;

signals:
    void ActionInvoked(uint id, const QString& actionKey);

public slots:
    void CloseNotification(uint id) { closed << id; }
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString& appName, uint replacesId, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout)
    {
        received << Received{appName, replacesId, icon, summary, body, actions, hints, timeout};
        return uint(received.size());
    }
};

class TestDesktopNotifier : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void aNotificationCarriesSubjectNoteDueTimeAndCriticalUrgency();
    void entryTextsReachTheServiceAsTheirCharacters();
    void withoutAServiceOrABusTheAlarmWindowStillOpensAndNothingIsReported();
    void theNotificationsButtonsReachItsAlarmAndItsWindowTakesItBack();

private:
    static AlarmNotice dentist();

    QTemporaryDir m_dir;
    QProcess m_bus;
    QString m_address;
    std::unique_ptr<FakeNotificationService> m_service;
    QString m_serviceConnection;
};

void TestDesktopNotifier::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        QSKIP("dbus-daemon is not installed");
    QVERIFY(m_dir.isValid());
    // A session bus of the test's own, at an address in its temporary folder.
    m_bus.start(daemon, {QStringLiteral("--session"),
                         QStringLiteral("--address=unix:path=") + m_dir.filePath(QStringLiteral("bus")),
                         QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    QVERIFY2(m_bus.waitForStarted(), qPrintable(m_bus.errorString()));
    while (!m_bus.canReadLine()) {
        QVERIFY2(m_bus.waitForReadyRead(), qPrintable(QString::fromLocal8Bit(m_bus.readAllStandardError())));
    }
    m_address = QString::fromUtf8(m_bus.readLine()).trimmed();
    QVERIFY(!m_address.isEmpty());
}

void TestDesktopNotifier::cleanupTestCase()
{
    if (m_bus.state() != QProcess::NotRunning) {
        m_bus.terminate();
        m_bus.waitForFinished();
    }
}

void TestDesktopNotifier::init()
{
    static int count = 0;
    m_serviceConnection = QStringLiteral("fake-notifications-%1").arg(++count);
    QDBusConnection connection = QDBusConnection::connectToBus(m_address, m_serviceConnection);
    QVERIFY(connection.isConnected());
    m_service = std::make_unique<FakeNotificationService>();
    QVERIFY(connection.registerObject(QStringLiteral("/org/freedesktop/Notifications"), m_service.get(),
                                      QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
    QVERIFY(connection.registerService(Service));
}

void TestDesktopNotifier::cleanup()
{
    // Given back before the next test takes the name again.
    QDBusConnection(m_serviceConnection).unregisterService(Service);
    QDBusConnection::disconnectFromBus(m_serviceConnection);
    m_service.reset();
}

AlarmNotice TestDesktopNotifier::dentist()
{
    AlarmNotice notice;
    notice.subject = QStringLiteral("Dentist");
    notice.note = QStringLiteral("Main Street 4");
    notice.dueDate = QDate(2026, 12, 5);
    notice.dueTime = QTime(9, 0);
    notice.late = true;
    return notice;
}

void TestDesktopNotifier::aNotificationCarriesSubjectNoteDueTimeAndCriticalUrgency()
{
    DesktopNotifier notifier(m_address);
    notifier.notify(dentist());
    QTRY_COMPARE(m_service->received.size(), 1);
    const Received& got = m_service->received.front();
    QCOMPARE(got.appName, QStringLiteral("Zentravio"));
    QCOMPARE(got.replacesId, 0u);
    QCOMPARE(got.icon, QStringLiteral("zentravio"));
    QCOMPARE(got.summary, QStringLiteral("Dentist"));
    QCOMPARE(got.body, QStringLiteral("Main Street 4\nLate: due December 05, 2026 09:00:00 AM"));
    QVERIFY(got.actions.isEmpty());
    QCOMPARE(got.hints.value(QStringLiteral("urgency")).metaType(), QMetaType::fromType<uchar>());
    QCOMPARE(got.hints.value(QStringLiteral("urgency")).toInt(), 2);
    QCOMPARE(got.hints.value(QStringLiteral("desktop-entry")).toString(),
             QStringLiteral("org.zentravio.Zentravio"));
    QCOMPARE(got.timeout, -1);

    // Each alarm is a notification of its own; one without subject or note still has a summary.
    AlarmNotice bare;
    bare.dueDate = QDate(2026, 12, 5);
    bare.dueTime = QTime(10, 0);
    notifier.notify(bare);
    QTRY_COMPARE(m_service->received.size(), 2);
    QCOMPARE(m_service->received[1].summary, QStringLiteral("Zentravio Alarm"));
    QCOMPARE(m_service->received[1].body, QStringLiteral("Due: December 05, 2026 10:00:00 AM"));
}

void TestDesktopNotifier::entryTextsReachTheServiceAsTheirCharacters()
{
    AlarmNotice notice = dentist();
    notice.subject = QStringLiteral("<i>Tom & Jerry</i>");
    notice.note = QStringLiteral("<b>bold</b> & <a href=\"x\">link</a>");
    {
        DesktopNotifier notifier(m_address);
        notifier.notify(notice);
        QTRY_COMPARE(m_service->received.size(), 1);
    }
    // A service that reads markup in the body gets it escaped; the summary is never markup.
    QCOMPARE(m_service->received[0].summary, notice.subject);
    QVERIFY(m_service->received[0].body.startsWith(
        QStringLiteral("&lt;b&gt;bold&lt;/b&gt; &amp; &lt;a href=&quot;x&quot;&gt;link&lt;/a&gt;\n")));

    m_service->capabilities = {QStringLiteral("body")};
    DesktopNotifier plain(m_address);
    plain.notify(notice);
    QTRY_COMPARE(m_service->received.size(), 2);
    QVERIFY(m_service->received[1].body.startsWith(notice.note + QLatin1Char('\n')));
}

void TestDesktopNotifier::withoutAServiceOrABusTheAlarmWindowStillOpensAndNothingIsReported()
{
    // No service on the bus: the error the bus answers with is let go.
    QVERIFY(QDBusConnection(m_serviceConnection).unregisterService(Service));
    {
        DesktopNotifier notifier(m_address);
        notifier.notify(dentist());
    }

    for (const QString& address :
         {QString(), QStringLiteral("unix:path=") + m_dir.filePath(QStringLiteral("none"))}) {
        WindowTestEnv env(QDateTime(QDate(2026, 12, 7), QTime(9, 59, 59)));
        env.addEntry(QStringLiteral("12/07/2026"), QStringLiteral("Ring"), QStringLiteral("OneTime"),
                     QStringLiteral("10:00:00 AM"), QStringLiteral("on"));
        DesktopNotifier notifier(address);
        AppContext context{env.database(), env.settings(), env.clock, env.beeper,
                           env.messages,   env.screen,     {},        notifier};
        {
            ProgramWindows windows(context);
            windows.mainForm().Timer1_Timer();
            env.clock.set(QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
            windows.mainForm().Timer1_Timer();
            QCOMPARE(windows.alarmWindows().size(), size_t(1));
            QVERIFY(windows.alarmWindows().front()->isVisible());
        }
        QVERIFY(env.messages.shown.isEmpty());
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestDesktopNotifier::theNotificationsButtonsReachItsAlarmAndItsWindowTakesItBack()
{
    m_service->capabilities << QStringLiteral("actions");
    WindowTestEnv env(QDateTime(QDate(2026, 12, 7), QTime(9, 59, 59)));
    for (const char* time : {"10:00:00 AM", "10:00:01 AM", "10:00:02 AM"})
        env.addEntry(QStringLiteral("12/07/2026"), QStringLiteral("At %1").arg(QLatin1String(time)),
                     QStringLiteral("OneTime"), QLatin1String(time), QStringLiteral("on"));
    DesktopNotifier notifier(m_address);
    AppContext context{env.database(), env.settings(), env.clock, env.beeper,
                       env.messages,   env.screen,     {},        notifier};
    ProgramWindows windows(context);
    auto tick = [&](int second) {
        env.clock.set(QDateTime(QDate(2026, 12, 7), QTime(10, 0, second)));
        windows.mainForm().Timer1_Timer();
    };
    auto open = [&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return windows.alarmWindows().size();
    };
    windows.mainForm().Timer1_Timer();

    tick(0);
    QTRY_COMPARE(m_service->received.size(), 1);
    QCOMPARE(m_service->received[0].actions,
             (QStringList{"snooze", "Snooze 10 minutes", "dismiss", "Dismiss"}));
    emit m_service->ActionInvoked(1, QStringLiteral("snooze"));
    QTRY_COMPARE(open(), size_t(0));
    QCOMPARE(env.database().snoozes().size(), size_t(1));

    tick(1);
    QTRY_COMPARE(m_service->received.size(), 2);
    // Another program's notification number, or a key of its own, is none of this alarm's business.
    emit m_service->ActionInvoked(7, QStringLiteral("dismiss"));
    emit m_service->ActionInvoked(2, QStringLiteral("default"));
    QTest::qWait(100);
    QCOMPARE(open(), size_t(1));
    emit m_service->ActionInvoked(2, QStringLiteral("dismiss"));
    QTRY_COMPARE(open(), size_t(0));
    QCOMPARE(env.database().snoozes().size(), size_t(1));

    // Closing the window takes its notification back.
    tick(2);
    QTRY_COMPARE(m_service->received.size(), 3);
    QTRY_COMPARE(open(), size_t(1));
    windows.alarmWindows().front()->VemraButton1_Click();
    QTRY_VERIFY(m_service->closed.contains(3u));
}

QTEST_MAIN(TestDesktopNotifier)
#include "TestDesktopNotifier.moc"
