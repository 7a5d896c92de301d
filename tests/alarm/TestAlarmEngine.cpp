#include "alarm/FormAlarm.h"
#include "alarm/RingingWindows.h"
#include "alarmservice/AlarmService.h"
#include "calendar/MainForm.h"
#include "controls/ListGrid.h"
#include "forms/ClickLabel.h"
#include "store/Recurrence.h"
#include "store/ScheduleDatabase.h"
#include "support/OtherConnection.h"
#include "support/WindowTestEnv.h"
#include "views/FormGrid.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QtTest>

// The alarm check on the main window's tick, driven by the test's clock: which windows open, with what
// they show, and that every alarm second rings exactly once however the ticks come.
class TestAlarmEngine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void entriesDueInOneSecondOpenOneWindowEachInTableOrder();
    void entryTextsAreShownAsPlainText();
    void lateAndDoubledTicksRingEachSecondOnce();
    void aSimulatedDayRingsExactlyTheExpectedAlarmsAndClosedWindowsAreFreed();
    void anAlarmLoadsTheCountdownListHiddenAndRebuildsIt();
    void anotherProgramsChangeRingsAtItsSecond();

private:
    // A tick of the main window's Timer1 at the clock's time.
    void tickAt(const QTime& time, int ms = 0);
    QStringList openSubjects() const;
    void closeAllAlarms();

    std::unique_ptr<WindowTestEnv> m_env;
};

void TestAlarmEngine::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestAlarmEngine::init()
{
    m_env = std::make_unique<WindowTestEnv>(QDateTime(QDate(2002, 10, 12), QTime(9, 59, 58)));
}

void TestAlarmEngine::cleanup()
{
    m_env.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestAlarmEngine::tickAt(const QTime& time, int ms)
{
    m_env->clock.set(QDateTime(m_env->clock.now().date(), time.addMSecs(ms)));
    m_env->windows().mainForm().Timer1_Timer();
}

QStringList TestAlarmEngine::openSubjects() const
{
    QStringList subjects;
    for (FormAlarm* alarm : m_env->windows().alarmWindows())
        subjects << alarm->subject();
    return subjects;
}

void TestAlarmEngine::closeAllAlarms()
{
    for (FormAlarm* alarm : m_env->windows().alarmWindows())
        alarm->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestAlarmEngine::entriesDueInOneSecondOpenOneWindowEachInTableOrder()
{
    const QString ten = QStringLiteral("10:00:00 AM");
    const QString on = QStringLiteral("on");
    m_env->addEntry(QStringLiteral("10/12/2002"), QStringLiteral("First"), QStringLiteral("OneTime"), ten,
                    on);
    m_env->addEntry(QStringLiteral("10/12/2002"), QStringLiteral("Off"), QStringLiteral("OneTime"), ten);
    m_env->addEntry(QStringLiteral("10/12/2002"), QStringLiteral("Capital"), QStringLiteral("OneTime"), ten,
                    QStringLiteral("On"));
    m_env->addEntry(QStringLiteral("01/01/1990"), QStringLiteral("Second"), QStringLiteral("eVeRyDaY"), ten,
                    on);
    m_env->addEntry(QStringLiteral("10/12/2002"), QStringLiteral("Weekly"), QStringLiteral("Weekly"), ten,
                    on);
    // The 12th of October 2002 is a Saturday.
    m_env->addEntry(QStringLiteral("10/07/2002"), QStringLiteral("Workday"),
                    QStringLiteral("Monday to Friday"), ten, on);
    m_env->addEntry(QStringLiteral("03/12/2002"), QStringLiteral("Third"), QStringLiteral("Monthly"), ten,
                    on);

    tickAt(QTime(9, 59, 59));
    QVERIFY(openSubjects().isEmpty());
    const int beeps = m_env->beeper.count;
    tickAt(QTime(10, 0, 0));
    QCOMPARE(openSubjects(), (QStringList{"First", "Second", "Third"}));
    QCOMPARE(m_env->beeper.count, beeps + 3);

    const std::vector<FormAlarm*> alarms = m_env->windows().alarmWindows();
    QCOMPARE(m_env->windows().ringingWindows().NewFormAlarm(), alarms.back());
    for (FormAlarm* alarm : alarms) {
        QVERIFY(alarm->isVisible());
        QVERIFY(alarm->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(alarm->pos(), m_env->screen.primaryGeometry().topLeft());
        QCOMPARE(alarm->findChild<ClickLabel*>(QStringLiteral("Label6"))->text(),
                 QStringLiteral("October 12, 2002"));
        QCOMPARE(alarm->findChild<ClickLabel*>(QStringLiteral("Label5"))->text(),
                 QStringLiteral("10:00:00 AM"));
    }

    // The next ticks of the same alarm second, and of the next ones, ring nothing more.
    tickAt(QTime(10, 0, 0), 500);
    tickAt(QTime(10, 0, 1));
    QCOMPARE(openSubjects().size(), 3);
}

void TestAlarmEngine::entryTextsAreShownAsPlainText()
{
    ScheduleEntry entry = ScheduleEntry::make(
        QStringLiteral("10/12/2002"), QStringLiteral("Saturday"), QStringLiteral("<b>x</b>"), QString(),
        QStringLiteral("10:00:00 AM"), QStringLiteral("on"), QStringLiteral("OneTime"));
    QVERIFY(m_env->database().append(entry));
    entry[ScheduleField::Subject] = QString();
    entry[ScheduleField::Note] = QStringLiteral("<img src=\"/dev/zero\">");
    QVERIFY(m_env->database().append(entry));

    tickAt(QTime(9, 59, 59));
    tickAt(QTime(10, 0, 0));
    const std::vector<FormAlarm*> alarms = m_env->windows().alarmWindows();
    QCOMPARE(alarms.size(), size_t(2));
    for (FormAlarm* alarm : alarms) {
        for (const char* name : {"Label1", "Label2"})
            QCOMPARE(alarm->findChild<ClickLabel*>(QLatin1String(name))->textFormat(), Qt::PlainText);
    }
    QCOMPARE(alarms[0]->subject(), QStringLiteral("<b>x</b>"));
    QCOMPARE(alarms[0]->note(), QString());
    QCOMPARE(alarms[1]->subject(), QString());
    QCOMPARE(alarms[1]->note(), QStringLiteral("<img src=\"/dev/zero\">"));
    alarms[1]->grab(); // painting a note that looks like a picture reads nothing
}

void TestAlarmEngine::lateAndDoubledTicksRingEachSecondOnce()
{
    const QString on = QStringLiteral("on");
    for (const char* time : {"10:00:00 AM", "10:00:01 AM", "10:00:03 AM", "10:00:07 AM"})
        m_env->addEntry(QStringLiteral("10/12/2002"), QLatin1String(time), QStringLiteral("OneTime"),
                        QLatin1String(time), on);

    tickAt(QTime(9, 59, 59), 900);
    tickAt(QTime(10, 0, 0), 900);
    tickAt(QTime(10, 0, 1), 0);
    QCOMPARE(openSubjects(), (QStringList{"10:00:00 AM", "10:00:01 AM"}));
    // A machine too busy to tick for six seconds rings what it skipped at once, late.
    tickAt(QTime(10, 0, 7), 200);
    QCOMPARE(openSubjects().size(), 4);
    // The clock set back an hour passes those seconds again without a second ringing.
    tickAt(QTime(9, 0, 7));
    for (int second = 0; second <= 3600; second += 1)
        tickAt(QTime(9, 0, 8).addSecs(second));
    QCOMPARE(openSubjects().size(), 4);
}

void TestAlarmEngine::aSimulatedDayRingsExactlyTheExpectedAlarmsAndClosedWindowsAreFreed()
{
    const QDate day(2002, 10, 14); // a Monday
    QRandomGenerator random(20021014);
    const QStringList kinds = {"OneTime", "Monthly", "Yearly", "Everyday", "Monday to Friday", "Weekly"};
    for (int i = 0; i < 300; ++i) {
        const QDate date = day.addDays(random.bounded(-40, 3));
        const QTime time = QTime(0, 0).addSecs(random.bounded(86400));
        m_env->addEntry(date.toString(QStringLiteral("MM/dd/yyyy")), QStringLiteral("Entry %1").arg(i),
                        kinds[random.bounded(kinds.size())], time.toString(QStringLiteral("hh:mm:ss AP")),
                        random.bounded(3) ? QStringLiteral("on") : QStringLiteral("off"));
    }
    m_env->clock.set(QDateTime(day.addDays(-1), QTime(23, 59, 59)));
    m_env->windows().mainForm().Timer1_Timer();
    closeAllAlarms();
    m_env->windows().listWindow(); // made by the first alarm otherwise, and kept
    const qsizetype widgetsBefore = QApplication::allWidgets().size();

    // The reference: every entry due at each second of the day, by the plain per-second rule.
    const ScheduleTable& table = m_env->database().table();
    int expected = 0;
    for (int second = 0; second < 86400; ++second) {
        const QDateTime when(day, QTime(0, 0).addSecs(second));
        for (size_t i = 0; i < table.size(); ++i)
            expected += Recurrence::isAlarmDue(table, i, when) ? 1 : 0;
    }
    QVERIFY(expected > 50);

    int opened = 0;
    for (int second = 0; second < 86400; ++second) {
        m_env->clock.set(QDateTime(day, QTime(0, 0).addSecs(second)));
        m_env->windows().mainForm().Timer1_Timer();
        if (second % 3600 == 3599) {
            opened += int(m_env->windows().alarmWindows().size());
            closeAllAlarms();
        }
    }
    QCOMPARE(opened, expected);
    QVERIFY(m_env->windows().alarmWindows().empty());
    QCOMPARE(QApplication::allWidgets().size(), widgetsBefore);
}

void TestAlarmEngine::anAlarmLoadsTheCountdownListHiddenAndRebuildsIt()
{
    ProgramWindows& windows = m_env->windows();
    QVERIFY(!windows.loadedListWindow());
    m_env->addEntry(QStringLiteral("10/12/2002"), QStringLiteral("Now"), QStringLiteral("OneTime"),
                    QStringLiteral("10:00:00 AM"), QStringLiteral("on"));
    m_env->addEntry(QStringLiteral("10/13/2002"), QStringLiteral("Tomorrow"), QStringLiteral("OneTime"),
                    QStringLiteral("10:00:00 AM"));
    windows.mainForm().alarmService().check();
    m_env->clock.set(QDateTime(QDate(2002, 10, 12), QTime(10, 0)));
    windows.mainForm().alarmService().check();

    FormGrid* list = windows.loadedListWindow();
    QVERIFY(list);
    QVERIFY(!list->isVisible());
    QCOMPARE(list->Grid()->Rows(), 1);
    QCOMPARE(list->Grid()->Cell(1, 1).Text, QStringLiteral("Tomorrow"));
}

void TestAlarmEngine::anotherProgramsChangeRingsAtItsSecond()
{
    m_env->addEntry(QStringLiteral("10/12/2002"), QStringLiteral("Moved"), QStringLiteral("OneTime"),
                    QStringLiteral("11:00:00 AM"), QStringLiteral("on"));
    for (int second = 0; second < 100; ++second)
        tickAt(QTime(9, 58, 0).addSecs(second));
    OtherConnection other(m_env->databasePath());
    QCOMPARE(other.exec("INSERT INTO Schedule VALUES ('10/12/2002', 'Saturday', 'Added', 'n', '10:00:00 AM', "
                        "'on', 'OneTime')"),
             0);
    tickAt(QTime(9, 59, 40));
    QVERIFY(openSubjects().isEmpty());
    QCOMPARE(other.exec("UPDATE Schedule SET AlarmTime = '10:00:01 AM' WHERE Type = 'Moved'"), 0);
    for (int second = 41; second < 60; ++second)
        tickAt(QTime(9, 59, second));
    tickAt(QTime(10, 0, 0));
    QCOMPARE(openSubjects(), QStringList{"Added"});
    tickAt(QTime(10, 0, 1));
    QCOMPARE(openSubjects(), (QStringList{"Added", "Moved"}));
    // Switched off by the other program a second before it is due, it stays quiet.
    QCOMPARE(other.exec("UPDATE Schedule SET AlarmTime = '10:00:05 AM' WHERE Type = 'Added'"), 0);
    tickAt(QTime(10, 0, 3));
    QCOMPARE(other.exec("UPDATE Schedule SET AlarmOnOff = 'off' WHERE Type = 'Added'"), 0);
    tickAt(QTime(10, 0, 4));
    tickAt(QTime(10, 0, 5));
    QCOMPARE(openSubjects().size(), 2);
}

QTEST_MAIN(TestAlarmEngine)
#include "TestAlarmEngine.moc"
