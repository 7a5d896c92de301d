#include "alarm/FormAlarm.h"
#include "alarm/FormAlarmList.h"
#include "alarm/RingingWindows.h"
#include "alarmservice/AlarmService.h"
#include "calendar/MainForm.h"
#include "controls/VemraButton.h"
#include "forms/ClickLabel.h"
#include "store/ScheduleDatabase.h"
#include "support/WindowTestEnv.h"

#include <QComboBox>
#include <QtTest>

// Snoozing an alarm from its window or its notification, the snooze kept in the schedule file across a
// restart and a jump of the clock, dropped with its entry's alarm; and many alarms due together in one
// window.
class TestSnooze : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init();
    void cleanup();

    void theWindowOffersTheSnoozeBesideCloseWithoutMovingItsLines();
    void aSnoozeFromTheWindowRingsOnceAsANewAlarmAfterItsMinutes();
    void aRestartInTheMiddleOfASnoozeRingsItOnceLate();
    void aSnoozeAcrossAClockJumpRingsOnce();
    void deletingSwitchingOffOrRetimingTheEntryDropsItsSnooze();
    void theNotificationsActionsSnoozeOrDismissAndCloseTheWindow();
    void closingOrSnoozingTheWindowWithdrawsTheNotification();
    void eachWindowOfOneSecondSnoozesItsOwnEntry();
    void moreThanFiveAlarmsTogetherShareOneWindowAndOneNotification();
    void alarmsRingWithoutTheMainWindow();

private:
    void tickAt(int h, int m, int s = 0);
    void addAlarm(const QString& subject, const QString& time = QStringLiteral("10:00:00 AM"));
    QStringList openSubjects();
    FormAlarm* onlyAlarm();
    void snoozeFromWindow(FormAlarm* alarm, int choiceIndex);
    void closeAlarms();
    qint64 rowOf(const QString& subject);

    std::unique_ptr<WindowTestEnv> m_env;
};

namespace {

const QDate Monday(2026, 12, 7);

} // namespace

void TestSnooze::init()
{
    m_env = std::make_unique<WindowTestEnv>(QDateTime(Monday, QTime(9, 59, 59)));
}

void TestSnooze::cleanup()
{
    m_env.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestSnooze::tickAt(int h, int m, int s)
{
    m_env->clock.set(QDateTime(m_env->clock.now().date(), QTime(h, m, s)));
    m_env->windows().mainForm().Timer1_Timer();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestSnooze::addAlarm(const QString& subject, const QString& time)
{
    m_env->addEntry(QStringLiteral("12/07/2026"), subject, QStringLiteral("OneTime"), time,
                    QStringLiteral("on"));
}

QStringList TestSnooze::openSubjects()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QStringList subjects;
    for (FormAlarm* alarm : m_env->windows().alarmWindows())
        subjects << alarm->subject();
    return subjects;
}

FormAlarm* TestSnooze::onlyAlarm()
{
    const std::vector<FormAlarm*> alarms = m_env->windows().alarmWindows();
    return alarms.size() == 1 ? alarms.front() : nullptr;
}

void TestSnooze::snoozeFromWindow(FormAlarm* alarm, int choiceIndex)
{
    alarm->findChild<QComboBox*>(QStringLiteral("SnoozeChoice"))->setCurrentIndex(choiceIndex);
    QTest::mouseClick(alarm->findChild<VemraButton*>(QStringLiteral("SnoozeButton")), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestSnooze::closeAlarms()
{
    for (FormAlarm* alarm : m_env->windows().alarmWindows())
        alarm->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

qint64 TestSnooze::rowOf(const QString& subject)
{
    const ScheduleTable& table = m_env->database().table();
    for (size_t i = 0; i < table.size(); ++i) {
        if (table.text(i, ScheduleField::Subject) == subject)
            return table.rowId(i);
    }
    return 0;
}

void TestSnooze::theWindowOffersTheSnoozeBesideCloseWithoutMovingItsLines()
{
    addAlarm(QStringLiteral("Dentist"));
    tickAt(10, 0);
    FormAlarm* alarm = onlyAlarm();
    QVERIFY(alarm);
    auto* choice = alarm->findChild<QComboBox*>(QStringLiteral("SnoozeChoice"));
    auto* snooze = alarm->findChild<VemraButton*>(QStringLiteral("SnoozeButton"));
    auto* close = alarm->findChild<VemraButton*>(QStringLiteral("VemraButton1"));
    QVERIFY(choice && snooze && close);
    QStringList items;
    for (int i = 0; i < choice->count(); ++i)
        items << choice->itemText(i);
    QCOMPARE(items, (QStringList{"5 minutes", "10 minutes", "15 minutes", "30 minutes", "1 hour"}));
    QCOMPARE(choice->currentText(), QStringLiteral("10 minutes"));
    QVERIFY(!choice->isEditable());
    QCOMPARE(snooze->caption(), QStringLiteral("&Snooze"));
    QCOMPARE(close->caption(), QStringLiteral("&Close"));
    // Beside the close button, on its line, and over none of the window's lines.
    QCOMPARE(snooze->geometry().top(), close->geometry().top());
    QVERIFY(snooze->geometry().left() > close->geometry().right());
    QVERIFY(alarm->rect().contains(snooze->geometry()));
    QVERIFY(alarm->rect().contains(choice->geometry()));
    for (const char* name : {"Label1", "Label2", "Label4", "Label5", "Label6", "LateLine", "VemraButton1"}) {
        const QWidget* line = alarm->findChild<QWidget*>(QLatin1String(name));
        QVERIFY2(!line->geometry().intersects(snooze->geometry()), name);
        QVERIFY2(!line->geometry().intersects(choice->geometry()), name);
    }
    QCOMPARE(alarm->findChild<QWidget*>(QStringLiteral("Label2"))->geometry().topLeft(), QPoint(24, 88));
}

void TestSnooze::aSnoozeFromTheWindowRingsOnceAsANewAlarmAfterItsMinutes()
{
    addAlarm(QStringLiteral("Dentist"));
    tickAt(10, 0);
    snoozeFromWindow(onlyAlarm(), 0); // 5 minutes
    QVERIFY(openSubjects().isEmpty());
    QCOMPARE(m_env->database().snoozes().size(), size_t(1));

    tickAt(10, 4, 59);
    QVERIFY(openSubjects().isEmpty());
    tickAt(10, 5, 0);
    QCOMPARE(openSubjects(), QStringList{"Dentist"});
    QCOMPARE(onlyAlarm()->lateLine(), QStringLiteral("Snoozed from 10:00:00 AM"));
    QCOMPARE(m_env->notifications.sent.size(), 2);
    QCOMPARE(*m_env->notifications.sent.back().snoozedFrom, QTime(10, 0));
    // It is gone from the file once it rang.
    QVERIFY(m_env->database().snoozes().empty());
    tickAt(10, 5, 1);
    tickAt(10, 20, 0);
    QCOMPARE(openSubjects().size(), 1);

    // Snoozed again, it still says when it first rang.
    snoozeFromWindow(onlyAlarm(), 1);
    tickAt(10, 30, 0);
    QCOMPARE(onlyAlarm()->lateLine(), QStringLiteral("Snoozed from 10:00:00 AM"));
}

void TestSnooze::aRestartInTheMiddleOfASnoozeRingsItOnceLate()
{
    addAlarm(QStringLiteral("Dentist"));
    tickAt(10, 0);
    snoozeFromWindow(onlyAlarm(), 1); // 10 minutes
    tickAt(10, 1);
    m_env->closeWindows();

    // The program starts again at 10:30, long after the snooze's minute.
    tickAt(10, 30);
    QCOMPARE(openSubjects(), QStringList{"Dentist"});
    QCOMPARE(onlyAlarm()->lateLine(), QStringLiteral("Snoozed from 10:00:00 AM; late, due 10:10:00 AM"));
    closeAlarms();
    m_env->closeWindows();
    tickAt(10, 31);
    QVERIFY(openSubjects().isEmpty());
}

void TestSnooze::aSnoozeAcrossAClockJumpRingsOnce()
{
    addAlarm(QStringLiteral("Dentist"));
    tickAt(10, 0);
    snoozeFromWindow(onlyAlarm(), 2); // 15 minutes
    // A suspend: the clock jumps an hour on.
    tickAt(11, 15);
    QCOMPARE(openSubjects(), QStringList{"Dentist"});
    closeAlarms();
    // And back again over the snooze's second: it does not ring again.
    tickAt(10, 10);
    tickAt(10, 16);
    QVERIFY(openSubjects().isEmpty());

    // Set back before it came due, it waits for its second and rings once.
    addAlarm(QStringLiteral("Gym"), QStringLiteral("10:20:00 AM"));
    tickAt(10, 20);
    FormAlarm* gym = onlyAlarm();
    QVERIFY(gym);
    snoozeFromWindow(gym, 0);
    tickAt(10, 0);
    tickAt(10, 24, 59);
    QVERIFY(openSubjects().isEmpty());
    tickAt(10, 25);
    tickAt(10, 26);
    QCOMPARE(openSubjects(), QStringList{"Gym"});
}

void TestSnooze::deletingSwitchingOffOrRetimingTheEntryDropsItsSnooze()
{
    addAlarm(QStringLiteral("Deleted"));
    addAlarm(QStringLiteral("Switched off"));
    addAlarm(QStringLiteral("Retimed"));
    addAlarm(QStringLiteral("Renamed"));
    tickAt(10, 0);
    for (FormAlarm* alarm : m_env->windows().alarmWindows())
        snoozeFromWindow(alarm, 0);
    QCOMPARE(m_env->database().snoozes().size(), size_t(4));

    ScheduleDatabase& db = m_env->database();
    QVERIFY(db.remove(rowOf(QStringLiteral("Deleted"))));
    auto edited = [&](const QString& subject, ScheduleField field, const QString& value) {
        const qint64 row = rowOf(subject);
        ScheduleEntry entry = db.table().entry(db.table().indexOf(row));
        entry[field] = value;
        QVERIFY(db.update(row, entry));
    };
    edited(QStringLiteral("Switched off"), ScheduleField::AlarmOnOff, QStringLiteral("off"));
    edited(QStringLiteral("Retimed"), ScheduleField::AlarmTime, QStringLiteral("11:00:00 AM"));
    // Another edit keeps the snooze.
    edited(QStringLiteral("Renamed"), ScheduleField::Subject, QStringLiteral("Renamed again"));
    QCOMPARE(db.snoozes().size(), size_t(1));
    tickAt(10, 5);
    QCOMPARE(openSubjects(), QStringList{"Renamed again"});
    // The dropped ones are gone from the file too: a restart rings nothing of them.
    closeAlarms();
    m_env->closeWindows();
    tickAt(10, 30);
    QVERIFY(openSubjects().isEmpty());
}

void TestSnooze::theNotificationsActionsSnoozeOrDismissAndCloseTheWindow()
{
    addAlarm(QStringLiteral("Snoozed"));
    addAlarm(QStringLiteral("Dismissed"));
    tickAt(10, 0);
    const QList<AlarmNotice>& sent = m_env->notifications.sent;
    QCOMPARE(sent.size(), 2);
    QVERIFY(sent[0].key != 0 && sent[0].key != sent[1].key);
    m_env->notifications.invokeAction(sent[0].key, NoticeAction::Snooze);
    QCOMPARE(openSubjects(), QStringList{"Dismissed"});
    m_env->notifications.invokeAction(sent[1].key, NoticeAction::Dismiss);
    QVERIFY(openSubjects().isEmpty());
    // An action on an alarm already answered changes nothing.
    m_env->notifications.invokeAction(sent[1].key, NoticeAction::Snooze);
    QCOMPARE(m_env->database().snoozes().size(), size_t(1));

    // The notification's snooze is ten minutes.
    tickAt(10, 9, 59);
    QVERIFY(openSubjects().isEmpty());
    tickAt(10, 10);
    QCOMPARE(openSubjects(), QStringList{"Snoozed"});
}

void TestSnooze::closingOrSnoozingTheWindowWithdrawsTheNotification()
{
    addAlarm(QStringLiteral("Closed"));
    addAlarm(QStringLiteral("Snoozed"));
    tickAt(10, 0);
    const std::vector<FormAlarm*> alarms = m_env->windows().alarmWindows();
    const QList<AlarmNotice> sent = m_env->notifications.sent;
    QTest::mouseClick(alarms[0]->findChild<VemraButton*>(QStringLiteral("VemraButton1")), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(m_env->notifications.withdrawn, QList<quint64>{sent[0].key});
    snoozeFromWindow(alarms[1], 0);
    QCOMPARE(m_env->notifications.withdrawn, (QList<quint64>{sent[0].key, sent[1].key}));
}

void TestSnooze::eachWindowOfOneSecondSnoozesItsOwnEntry()
{
    addAlarm(QStringLiteral("First"));
    addAlarm(QStringLiteral("Second"));
    tickAt(10, 0);
    snoozeFromWindow(m_env->windows().alarmWindows().back(), 0);
    QCOMPARE(openSubjects(), QStringList{"First"});
    const std::vector<Snooze> snoozes = m_env->database().snoozes();
    QCOMPARE(snoozes.size(), size_t(1));
    QCOMPARE(snoozes[0].uid, m_env->database().uidOf(rowOf(QStringLiteral("Second"))));
}

void TestSnooze::moreThanFiveAlarmsTogetherShareOneWindowAndOneNotification()
{
    for (int i = 1; i <= 5; ++i)
        addAlarm(QStringLiteral("Alone %1").arg(i), QStringLiteral("09:00:00 AM"));
    m_env->clock.set(QDateTime(Monday, QTime(8, 59, 59)));
    m_env->windows().mainForm().Timer1_Timer();
    tickAt(9, 0);
    QCOMPARE(openSubjects().size(), 5); // up to five keep a window each
    closeAlarms();

    for (int i = 1; i <= 7; ++i)
        m_env->addEntry(QStringLiteral("12/07/2026"), QStringLiteral("Together %1").arg(i),
                        QStringLiteral("OneTime"), QStringLiteral("10:00:00 AM"), QStringLiteral("on"),
                        QStringLiteral("line one\nline two"));
    const int sentBefore = int(m_env->notifications.sent.size());
    const int soundsBefore = m_env->beeper.alarmSounds;
    tickAt(10, 0);
    QVERIFY(openSubjects().isEmpty());
    FormAlarmList* list = m_env->windows().ringingWindows().alarmList();
    QVERIFY(list);
    QVERIFY(list->isVisible());
    QVERIFY(list->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(list->rowCount(), 7);
    QCOMPARE(list->rowTexts(0), (QStringList{"Together 1", "December 07, 2026 10:00:00 AM", "line one"}));
    QCOMPARE(list->countLine(), QStringLiteral("7 alarms are due."));
    QCOMPARE(m_env->beeper.alarmSounds, soundsBefore + 1);
    QCOMPARE(m_env->notifications.sent.size(), sentBefore + 1);
    QCOMPARE(m_env->notifications.sent.back().count, 7);

    // One snooze for all of them.
    list->findChild<QComboBox*>(QStringLiteral("SnoozeChoice"))->setCurrentIndex(0);
    QTest::mouseClick(list->findChild<VemraButton*>(QStringLiteral("SnoozeAll")), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!m_env->windows().ringingWindows().alarmList());
    QCOMPARE(m_env->database().snoozes().size(), size_t(7));
    tickAt(10, 5);
    list = m_env->windows().ringingWindows().alarmList();
    QVERIFY(list);
    QCOMPARE(list->rowCount(), 7);
    QVERIFY(list->rowTexts(6)[1].contains(QStringLiteral("Snoozed from 10:00:00 AM")));
    QTest::mouseClick(list->findChild<VemraButton*>(QStringLiteral("CloseAll")), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!m_env->windows().ringingWindows().alarmList());
    QVERIFY(m_env->database().snoozes().empty());
    QCOMPARE(m_env->notifications.withdrawn.back(), m_env->notifications.sent.back().key);
}

void TestSnooze::alarmsRingWithoutTheMainWindow()
{
    addAlarm(QStringLiteral("Dentist"));
    AlarmService* engine = m_env->windows().alarmService();
    QVERIFY(engine);
    QVERIFY(!m_env->windows().mainWindow()->isVisible());
    m_env->clock.set(QDateTime(Monday, QTime(10, 0)));
    engine->check();
    QCOMPARE(openSubjects(), QStringList{"Dentist"});
    engine->start();
    QVERIFY(engine->running());
}

QTEST_MAIN(TestSnooze)
#include "TestSnooze.moc"
