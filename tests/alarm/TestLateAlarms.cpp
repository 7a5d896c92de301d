#include "alarm/FormAlarm.h"
#include "calendar/MainForm.h"
#include "forms/ClickLabel.h"
#include "store/ScheduleDatabase.h"
#include "support/WindowTestEnv.h"

#include <QtTest>

// Alarms that fell due while the program was not running: each run records the last second its alarm
// check covered, and the next start opens one window, marked late, for every entry due in between.
class TestLateAlarms : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init();
    void cleanup();

    void aRestartOpensTheAlarmsDueWhileTheProgramWasOffMarkedLate();
    void aRestartDaysLaterOpensOneWindowPerEntryForItsLatestDay();
    void aFirstStartOpensNothingFromThePast();
    void anAlarmOnTimeHasNoLateLineAndALateLineCoversNoText();
    void aRunKilledRightAfterAnAlarmRangDoesNotRingItAgain();
    void anEntryMovedIntoThePastDoesNotRingAfterAKill();

private:
    // One run of the program's alarm check: its windows made, a tick at each given time, then the end.
    void run(const QList<QDateTime>& ticks);
    void tickAt(const QDateTime& when);
    QStringList openSubjects();
    void closeAlarms();
    // Ends the run as a kill does: the settings file stays as it is on the disk now, whatever the end of
    // the run would have written. The next start reads it.
    void killAndRestart();

    std::unique_ptr<WindowTestEnv> m_env;
};

namespace {

const QDate Monday(2026, 12, 7);
const QString On = QStringLiteral("on");

QDateTime on(QDate day, int h, int m = 0, int s = 0)
{
    return QDateTime(day, QTime(h, m, s));
}

} // namespace

void TestLateAlarms::init()
{
    m_env = std::make_unique<WindowTestEnv>(on(Monday, 8));
}

void TestLateAlarms::cleanup()
{
    m_env.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestLateAlarms::tickAt(const QDateTime& when)
{
    m_env->clock.set(when);
    m_env->windows().mainForm().Timer1_Timer();
}

void TestLateAlarms::run(const QList<QDateTime>& ticks)
{
    for (const QDateTime& when : ticks)
        tickAt(when);
    closeAlarms();
    m_env->closeWindows();
}

QStringList TestLateAlarms::openSubjects()
{
    QStringList subjects;
    for (FormAlarm* alarm : m_env->windows().alarmWindows())
        subjects << alarm->subject();
    return subjects;
}

void TestLateAlarms::closeAlarms()
{
    for (FormAlarm* alarm : m_env->windows().alarmWindows())
        alarm->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestLateAlarms::killAndRestart()
{
    QFile onDisk(m_env->settingsPath());
    QVERIFY(onDisk.open(QIODevice::ReadOnly));
    const QByteArray asKilled = onDisk.readAll();
    onDisk.close();
    closeAlarms();
    m_env->closeWindows();
    QVERIFY(onDisk.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(onDisk.write(asKilled), asKilled.size());
    onDisk.close();
    m_env->reopenSettings();
}

void TestLateAlarms::aRestartOpensTheAlarmsDueWhileTheProgramWasOffMarkedLate()
{
    m_env->addEntry(QStringLiteral("12/07/2026"), QStringLiteral("Rang before"), QStringLiteral("OneTime"),
                    QStringLiteral("09:59:59 AM"), On);
    m_env->addEntry(QStringLiteral("12/07/2026"), QStringLiteral("At the end"), QStringLiteral("OneTime"),
                    QStringLiteral("10:00:00 AM"), On);
    m_env->addEntry(QStringLiteral("12/07/2026"), QStringLiteral("Just after"), QStringLiteral("OneTime"),
                    QStringLiteral("10:00:01 AM"), On);
    m_env->addEntry(QStringLiteral("12/07/2026"), QStringLiteral("Switched off"), QStringLiteral("OneTime"),
                    QStringLiteral("01:00:00 PM"));
    m_env->addEntry(QStringLiteral("12/07/2026"), QStringLiteral("Afternoon"), QStringLiteral("OneTime"),
                    QStringLiteral("03:00:00 PM"), On, QStringLiteral("Bring the cake"));
    m_env->addEntry(QStringLiteral("12/07/2026"), QStringLiteral("At the start"), QStringLiteral("OneTime"),
                    QStringLiteral("06:00:00 PM"), On);
    m_env->addEntry(QStringLiteral("12/07/2026"), QStringLiteral("After the start"),
                    QStringLiteral("OneTime"), QStringLiteral("06:00:01 PM"), On);

    // The run ends at 10:00 without a tick for a minute first: the end records its last second.
    run({on(Monday, 9, 59, 58), on(Monday, 9, 59, 59), on(Monday, 10)});
    QCOMPARE(m_env->notifications.sent.size(), 2);

    const int beeps = m_env->beeper.count;
    tickAt(on(Monday, 18));
    QCOMPARE(openSubjects(), (QStringList{"Just after", "Afternoon", "At the start"}));
    // Each window plays the alarm sound once, with no bell beside it, and goes to the desktop too.
    QCOMPARE(m_env->beeper.count, beeps + 3);
    QCOMPARE(m_env->beeper.alarmSounds, 5);
    const QList<AlarmNotice>& sent = m_env->notifications.sent;
    QCOMPARE(sent.size(), 5);
    QCOMPARE(sent[3].subject, QStringLiteral("Afternoon"));
    QCOMPARE(sent[3].note, QStringLiteral("Bring the cake"));
    QCOMPARE(sent[3].dueLine(), QStringLiteral("Late: due December 07, 2026 03:00:00 PM"));
    QCOMPARE(sent[4].dueLine(), QStringLiteral("Due: December 07, 2026 06:00:00 PM"));
    const std::vector<FormAlarm*> alarms = m_env->windows().alarmWindows();
    QCOMPARE(alarms[0]->lateLine(), QStringLiteral("Late: due December 07, 2026 10:00:01 AM"));
    QCOMPARE(alarms[1]->lateLine(), QStringLiteral("Late: due December 07, 2026 03:00:00 PM"));
    // Due at the very second of the start, it is on time.
    QCOMPARE(alarms[2]->lateLine(), QString());
    // The window shows when it opened, as it always has.
    QCOMPARE(alarms[0]->findChild<ClickLabel*>(QStringLiteral("Label5"))->text(),
             QStringLiteral("06:00:00 PM"));

    tickAt(on(Monday, 18, 0, 1));
    QCOMPARE(openSubjects().size(), 4);
}

void TestLateAlarms::aRestartDaysLaterOpensOneWindowPerEntryForItsLatestDay()
{
    m_env->addEntry(QStringLiteral("01/01/2020"), QStringLiteral("Daily"), QStringLiteral("Everyday"),
                    QStringLiteral("09:00:00 AM"), On);
    m_env->addEntry(QStringLiteral("01/01/2020"), QStringLiteral("Workday"),
                    QStringLiteral("Monday to Friday"), QStringLiteral("11:00:00 PM"), On);
    m_env->addEntry(QStringLiteral("12/09/2026"), QStringLiteral("Once"), QStringLiteral("OneTime"),
                    QStringLiteral("07:00:00 AM"), On);
    m_env->addEntry(QStringLiteral("12/10/2026"), QStringLiteral("Not yet"), QStringLiteral("OneTime"),
                    QStringLiteral("08:00:01 AM"), On);

    // Monday 10:00, then three days off, then Thursday 08:00 (just before the day's first daily alarm).
    run({on(Monday, 10)});
    tickAt(on(Monday.addDays(3), 8));
    QCOMPARE(openSubjects(), (QStringList{"Daily", "Workday", "Once"}));
    const std::vector<FormAlarm*> alarms = m_env->windows().alarmWindows();
    QCOMPARE(alarms[0]->lateLine(), QStringLiteral("Late: due December 09, 2026 09:00:00 AM"));
    QCOMPARE(alarms[1]->lateLine(), QStringLiteral("Late: due December 09, 2026 11:00:00 PM"));
    QCOMPARE(alarms[2]->lateLine(), QStringLiteral("Late: due December 09, 2026 07:00:00 AM"));
}

void TestLateAlarms::aFirstStartOpensNothingFromThePast()
{
    m_env->addEntry(QStringLiteral("01/01/2020"), QStringLiteral("Daily"), QStringLiteral("Everyday"),
                    QStringLiteral("09:00:00 AM"), On);
    m_env->addEntry(QStringLiteral("12/07/2026"), QStringLiteral("Now"), QStringLiteral("OneTime"),
                    QStringLiteral("10:00:00 AM"), On);
    tickAt(on(Monday, 10));
    QCOMPARE(openSubjects(), (QStringList{"Now"}));
    QVERIFY(m_env->messages.shown.isEmpty());
}

void TestLateAlarms::anAlarmOnTimeHasNoLateLineAndALateLineCoversNoText()
{
    m_env->addEntry(QStringLiteral("12/07/2026"), QString(30, QLatin1Char('S')), QStringLiteral("OneTime"),
                    QStringLiteral("10:00:00 AM"), On, QString(250, QLatin1Char('n')));
    m_env->addEntry(QStringLiteral("12/07/2026"), QStringLiteral("Busy"), QStringLiteral("OneTime"),
                    QStringLiteral("10:00:01 AM"), On);
    m_env->addEntry(QStringLiteral("12/07/2026"), QStringLiteral("Asleep"), QStringLiteral("OneTime"),
                    QStringLiteral("10:01:00 AM"), On);
    tickAt(on(Monday, 9, 59, 59));
    tickAt(on(Monday, 10));
    FormAlarm* onTime = m_env->windows().alarmWindows().front();
    auto* late = onTime->findChild<ClickLabel*>(QStringLiteral("LateLine"));
    QVERIFY(late);
    QVERIFY(!late->isVisible());

    // Ticks that stop for a few seconds are no reason to call an alarm late; a suspend of minutes is.
    tickAt(on(Monday, 10, 0, 5));
    QCOMPARE(m_env->windows().alarmWindows().back()->lateLine(), QString());
    tickAt(on(Monday, 10, 2, 0));
    FormAlarm* skipped = m_env->windows().alarmWindows().back();
    QCOMPARE(skipped->subject(), QStringLiteral("Asleep"));
    late = skipped->findChild<ClickLabel*>(QStringLiteral("LateLine"));
    QVERIFY(late->isVisible());
    QCOMPARE(late->textFormat(), Qt::PlainText);
    QVERIFY(skipped->rect().contains(late->geometry()));
    for (const char* name : {"Label1", "Label2", "VemraButton1"})
        QVERIFY(!late->geometry().intersects(skipped->findChild<QWidget*>(QLatin1String(name))->geometry()));
}

void TestLateAlarms::aRunKilledRightAfterAnAlarmRangDoesNotRingItAgain()
{
    m_env->addEntry(QStringLiteral("12/07/2026"), QStringLiteral("Rang"), QStringLiteral("OneTime"),
                    QStringLiteral("10:00:00 AM"), On);
    m_env->addEntry(QStringLiteral("12/07/2026"), QStringLiteral("Snoozed"), QStringLiteral("OneTime"),
                    QStringLiteral("10:00:03 AM"), On);
    m_env->addEntry(QStringLiteral("12/07/2026"), QStringLiteral("While off"), QStringLiteral("OneTime"),
                    QStringLiteral("10:05:00 AM"), On);
    tickAt(on(Monday, 9, 59, 50));
    for (int s = 0; s < 10; ++s)
        tickAt(on(Monday, 10, 0, s));
    QCOMPARE(openSubjects(), (QStringList{"Rang", "Snoozed"}));
    m_env->windows().alarmWindows().back()->SnoozeChosen(5);
    killAndRestart();

    // Only what fell due while the program was off rings, late, and the snooze once.
    tickAt(on(Monday, 10, 10));
    QCOMPARE(openSubjects(), (QStringList{"While off", "Snoozed"}));
    tickAt(on(Monday, 10, 10, 1));
    QCOMPARE(openSubjects().size(), 2);
    // Killed again at once, the alarms just rung stay rung.
    killAndRestart();
    tickAt(on(Monday, 10, 10, 30));
    QCOMPARE(openSubjects(), QStringList());
}

void TestLateAlarms::anEntryMovedIntoThePastDoesNotRingAfterAKill()
{
    m_env->addEntry(QStringLiteral("12/07/2026"), QStringLiteral("Later"), QStringLiteral("OneTime"),
                    QStringLiteral("11:00:00 AM"), On);
    tickAt(on(Monday, 10));
    for (int s = 1; s < 30; ++s)
        tickAt(on(Monday, 10, 0, s));
    // Moved to a second the running check has passed already: it does not ring, now or at the next start.
    const qint64 row = m_env->database().cachedTable().rowId(0);
    QVERIFY(m_env->database().update(
        row, ScheduleEntry::make(QStringLiteral("12/07/2026"), QStringLiteral("Monday"), QStringLiteral("Later"),
                                 QStringLiteral("note"), QStringLiteral("10:00:10 AM"), On,
                                 QStringLiteral("OneTime"))));
    tickAt(on(Monday, 10, 0, 30));
    QCOMPARE(openSubjects(), QStringList());
    killAndRestart();
    tickAt(on(Monday, 10, 1));
    QCOMPARE(openSubjects(), QStringList());
}

QTEST_MAIN(TestLateAlarms)
#include "TestLateAlarms.moc"
