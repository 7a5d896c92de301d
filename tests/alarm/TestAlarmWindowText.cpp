#include "alarm/AlarmListColumns.h"
#include "alarm/FormAlarm.h"
#include "alarm/FormAlarmList.h"
#include "alarm/SubjectLine.h"
#include "app/ProgramWindows.h"
#include "calendar/MainForm.h"
#include "forms/DesignUnits.h"
#include "support/WindowTestEnv.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QTextLayout>
#include <QTreeWidget>
#include <QtTest>

// The alarm windows show the texts that tell one alarm from another whole: the subject of the alarm
// window, and the subject and due time of every row of the many-alarms window.
class TestAlarmWindowText : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() { m_env = std::make_unique<WindowTestEnv>(QDateTime(QDate(2026, 12, 7), QTime(9, 0))); }
    void cleanup()
    {
        m_env.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void theSubjectLineFitsEveryCharacterInItsBox_data();
    void theSubjectLineFitsEveryCharacterInItsBox();
    void theListColumnsGiveSubjectAndDueTheirWidthFirst_data();
    void theListColumnsGiveSubjectAndDueTheirWidthFirst();
    void theAlarmListShowsSubjectAndDueWhole();

private:
    // Whether every character of the text lies on one of the lines laid out in the box, and the lines
    // within the box.
    static bool showsWhole(const QString& text, const QFont& font, const QRect& box);

    std::unique_ptr<WindowTestEnv> m_env;
};

bool TestAlarmWindowText::showsWhole(const QString& text, const QFont& font, const QRect& box)
{
    QTextLayout layout(text, font);
    layout.setTextOption(SubjectLine::wrapping());
    int covered = 0;
    qreal bottom = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(box.width());
        line.setPosition(QPointF(0, bottom));
        bottom += line.height();
        covered += line.textLength();
        if (line.naturalTextWidth() > box.width())
            return false;
    }
    layout.endLayout();
    return covered == text.size() && bottom <= box.height() + 1;
}

void TestAlarmWindowText::theSubjectLineFitsEveryCharacterInItsBox_data()
{
    QTest::addColumn<QString>("subject");
    QTest::newRow("short") << QStringLiteral("Dentist");
    QTest::newRow("50 wide letters") << QString(50, QLatin1Char('W'));
    QTest::newRow("a sentence of 50") << QStringLiteral("Take the medicine with a glass of water before bed");
    QTest::newRow("one long word, then more") << QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW and a few more");
}

void TestAlarmWindowText::theSubjectLineFitsEveryCharacterInItsBox()
{
    QFETCH(QString, subject);
    m_env->addEntry(QStringLiteral("12/07/2026"), subject, QStringLiteral("OneTime"),
                    QStringLiteral("10:00:00 AM"), QStringLiteral("on"), QStringLiteral("A note"));
    m_env->clock.set(QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
    m_env->windows().mainForm().Timer1_Timer();
    QCOMPARE(m_env->windows().alarmWindows().size(), size_t(1));
    FormAlarm* alarm = m_env->windows().alarmWindows().front();
    auto* line = alarm->findChild<SubjectLine*>(QStringLiteral("Label1"));
    QVERIFY(line);
    QCOMPARE(line->text(), subject);

    const QFont shown = line->shownFont();
    QVERIFY2(showsWhole(subject, shown, line->contentsRect()), qPrintable(QString::number(shown.pointSizeF())));
    // The type shrinks only when two lines are not enough, and never below what can still be read.
    if (subject.size() < 10)
        QCOMPARE(shown.pointSizeF(), line->font().pointSizeF());
    QVERIFY(shown.pointSizeF() >= 6.0);
    // The line stays clear of the note below it and within the window.
    QVERIFY(!line->geometry().intersects(alarm->findChild<QWidget*>(QStringLiteral("Label2"))->geometry()));
    QVERIFY(alarm->rect().contains(line->geometry()));
}

void TestAlarmWindowText::theListColumnsGiveSubjectAndDueTheirWidthFirst_data()
{
    QTest::addColumn<int>("subject");
    QTest::addColumn<int>("due");
    QTest::addColumn<int>("widest");
    QTest::addColumn<int>("expectedSubject");
    QTest::addColumn<int>("expectedDue");
    QTest::addColumn<int>("expectedNote");
    QTest::addColumn<int>("expectedList");
    // Design list 400, least note 100.
    QTest::newRow("all fit the design width") << 100 << 150 << 1200 << 100 << 150 << 150 << 400;
    QTest::newRow("the list grows for them") << 300 << 250 << 1200 << 300 << 250 << 100 << 650;
    QTest::newRow("at the screen's edge the subject gives way") << 600 << 350 << 800 << 350 << 350 << 100 << 800;
    QTest::newRow("a due text wider than all") << 100 << 900 << 800 << 100 << 600 << 100 << 800;
    QTest::newRow("a screen narrower than the design") << 100 << 150 << 300 << 100 << 100 << 100 << 300;
}

void TestAlarmWindowText::theListColumnsGiveSubjectAndDueTheirWidthFirst()
{
    QFETCH(int, subject);
    QFETCH(int, due);
    QFETCH(int, widest);
    const AlarmListColumns::Widths widths = AlarmListColumns::fit(subject, due, 400, widest, 100);
    QTEST(widths.subject, "expectedSubject");
    QTEST(widths.due, "expectedDue");
    QTEST(widths.note, "expectedNote");
    QTEST(widths.list, "expectedList");
    QCOMPARE(widths.subject + widths.due + widths.note, widths.list);
}

void TestAlarmWindowText::theAlarmListShowsSubjectAndDueWhole()
{
    std::vector<FormAlarmList::Row> rows;
    for (int i = 1; i <= 7; ++i)
        rows.push_back({QStringLiteral("Standup reminder number %1 for the whole team").arg(i), QDate(2026, 12, 7),
                        QTime(10, 0), QStringLiteral("Room 4\nsecond line"),
                        i % 2 ? QStringLiteral("Snoozed from 09:50:00 AM") : QString()});
    auto* list = new FormAlarmList(m_env->context(), m_env->windows()); // deletes itself when it closes
    list->loadIfNeeded();
    list->setRows(rows);
    list->show();
    auto* view = list->findChild<QTreeWidget*>(QStringLiteral("AlarmRows"));
    QVERIFY(view);
    const QFontMetrics metrics(view->font());
    for (int row = 0; row < list->rowCount(); ++row) {
        const QStringList texts = list->rowTexts(row);
        for (int column = 0; column < 2; ++column)
            QVERIFY2(metrics.horizontalAdvance(texts[column]) < view->columnWidth(column), qPrintable(texts[column]));
    }
    QVERIFY(list->rowTexts(0)[1].endsWith(QStringLiteral("AM (Snoozed from 09:50:00 AM)")));
    // The columns and the window stay on the screen, and the list within the window.
    QVERIFY(list->width() <= m_env->screen.primaryGeometry().width());
    QVERIFY(list->rect().contains(view->geometry()));
    QVERIFY(view->columnWidth(0) + view->columnWidth(1) + view->columnWidth(2) <= view->viewport()->width() + 1);
    for (const char* name : {"SnoozeAll", "CloseAll", "SnoozeChoice", "CountLine"})
        QVERIFY2(list->rect().contains(list->findChild<QWidget*>(QLatin1String(name))->geometry()), name);
    list->close();
}

QTEST_MAIN(TestAlarmWindowText)
#include "TestAlarmWindowText.moc"
