#include "alarmservice/AlarmService.h"

#include "settings/SettingsStore.h"
#include "store/ScheduleDatabase.h"
#include "store/ScheduleEntry.h"
#include "support/ManualClock.h"
#include "support/TestServices.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The alarm service with no window at all: what its listeners and the desktop notification hear when
// alarms come due, alone or together, and what an answer on the notification does.
class TestAlarmService : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void alarmsDueTogetherRingAloneOrAsOne_data();
    void alarmsDueTogetherRingAloneOrAsOne();
    void anAnswerOnTheNotificationReachesEveryListener();

private:
    struct Recorder : AlarmListener
    {
        void alarmRings(const RingingAlarm& alarm) override { rung.push_back(alarm); }
        void alarmAnswered(quint64 key) override { answered.push_back(key); }
        std::vector<RingingAlarm> rung;
        std::vector<quint64> answered;
    };

    void addAlarm(const QString& subject);
    // Checks at 9:59:59 and at 10:00:00 of the schedule's day.
    void ringTen();

    QTemporaryDir m_dir;
    ManualClock m_clock{QDateTime(QDate(2026, 12, 7), QTime(9, 59, 59))};
    RecordingAlarmNotifier m_notifier;
    std::unique_ptr<ScheduleDatabase> m_database;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<AlarmService> m_service;
    Recorder m_windows;
};

void TestAlarmService::init()
{
    const QString path = m_dir.filePath(ScheduleDatabase::FileName);
    QFile::remove(path);
    QFile::remove(m_dir.filePath(QStringLiteral("Zentravio.conf")));
    QVERIFY(ScheduleDatabase::CreateDatabaseFile(path));
    m_database = ScheduleDatabase::open(path, nullptr);
    QVERIFY(m_database);
    m_settings = std::make_unique<SettingsStore>(m_dir.filePath(QStringLiteral("Zentravio.conf")));
    m_service = std::make_unique<AlarmService>(*m_database, *m_settings, m_clock, m_notifier, nullptr);
    m_service->addListener(&m_windows);
    m_clock.set(QDateTime(QDate(2026, 12, 7), QTime(9, 59, 59)));
}

void TestAlarmService::cleanup()
{
    m_service.reset();
    m_settings.reset();
    m_database.reset();
    m_windows = {};
    m_notifier.sent.clear();
    m_notifier.withdrawn.clear();
}

void TestAlarmService::addAlarm(const QString& subject)
{
    QVERIFY(m_database->append(ScheduleEntry::make(QStringLiteral("12/07/2026"), QStringLiteral("Monday"), subject,
                                                   QStringLiteral("note"), QStringLiteral("10:00:00 AM"),
                                                   QStringLiteral("on"), QStringLiteral("OneTime"))));
}

void TestAlarmService::ringTen()
{
    m_service->check();
    m_clock.set(QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
    m_service->check();
}

void TestAlarmService::alarmsDueTogetherRingAloneOrAsOne_data()
{
    QTest::addColumn<int>("due");
    QTest::addColumn<std::vector<size_t>>("rung"); // the alarms each ringing holds
    QTest::newRow("one") << 1 << std::vector<size_t>{1};
    QTest::newRow("as many as windows") << int(AlarmService::MostWindows)
                                        << std::vector<size_t>(AlarmService::MostWindows, 1);
    QTest::newRow("one more") << int(AlarmService::MostWindows) + 1
                              << std::vector<size_t>{AlarmService::MostWindows + 1};
}

void TestAlarmService::alarmsDueTogetherRingAloneOrAsOne()
{
    QFETCH(int, due);
    QFETCH(std::vector<size_t>, rung);
    for (int i = 0; i < due; ++i)
        addAlarm(QStringLiteral("Alarm %1").arg(i));
    ringTen();
    QCOMPARE(m_windows.rung.size(), rung.size());
    QCOMPARE(size_t(m_notifier.sent.size()), rung.size());
    for (size_t i = 0; i < rung.size(); ++i) {
        const RingingAlarm& ringing = m_windows.rung[i];
        QCOMPARE(ringing.alarms.size(), rung[i]);
        QCOMPARE(ringing.alarms.front().dueTime, QTime(10, 0));
        for (const AlarmNotice& notice : ringing.alarms)
            QCOMPARE(notice.key, ringing.key);
        QCOMPARE(m_notifier.sent[qsizetype(i)].key, ringing.key);
        QCOMPARE(m_notifier.sent[qsizetype(i)].count, int(rung[i]));
    }
    QCOMPARE(m_service->ringingKeys().size(), rung.size());
    // The same second checked again rings nothing more.
    m_service->check();
    QCOMPARE(m_windows.rung.size(), rung.size());
}

void TestAlarmService::anAnswerOnTheNotificationReachesEveryListener()
{
    addAlarm(QStringLiteral("Dentist"));
    Recorder other;
    m_service->addListener(&other);
    ringTen();
    QCOMPARE(other.rung.size(), size_t(1));
    const quint64 key = m_windows.rung.front().key;

    // Snoozed on the notification: every listener lets the alarm go, and it rings again ten minutes on.
    m_notifier.invokeAction(key, NoticeAction::Snooze);
    QCOMPARE(m_windows.answered, std::vector<quint64>{key});
    QCOMPARE(other.answered, std::vector<quint64>{key});
    QCOMPARE(m_notifier.withdrawn, QList<quint64>{key});
    QVERIFY(m_service->ringingKeys().empty());
    QCOMPARE(m_database->snoozes().size(), size_t(1));

    // A listener taken off hears nothing more.
    m_service->removeListener(&other);
    m_clock.set(QDateTime(QDate(2026, 12, 7), QTime(10, 10)));
    m_service->check();
    QCOMPARE(m_windows.rung.size(), size_t(2));
    QCOMPARE(other.rung.size(), size_t(1));
    const RingingAlarm& again = m_windows.rung.back();
    QCOMPARE(again.alarms.front().subject, QStringLiteral("Dentist"));
    QCOMPARE(again.alarms.front().snoozedFrom, std::optional<QTime>(QTime(10, 0)));

    // Dismissed there: the window's listener closes it; the snooze is gone from the file.
    m_notifier.invokeAction(again.key, NoticeAction::Dismiss);
    QCOMPARE(m_windows.answered.back(), again.key);
    QVERIFY(m_database->snoozes().empty());
    // An answer for an alarm no longer ringing does nothing.
    m_service->dismiss(again.key);
    QCOMPARE(m_windows.answered.size(), size_t(2));
}

QTEST_GUILESS_MAIN(TestAlarmService)
#include "TestAlarmService.moc"
