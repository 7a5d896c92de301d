#include "editing/DateEdit.h"
#include "editing/TimeEdit.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

// The date and time edits hold text: what goes in comes back in the fixed forms, the empty text is no
// value, and what is no date or time never becomes one, nor is it thrown away: it stays as typed, to be
// named when the entry is saved.
class TestDateTimeEdit : public QObject
{
    Q_OBJECT

private slots:
    void dateReadsBackInTheFixedForm_data();
    void dateReadsBackInTheFixedForm();
    void typedDateIsTidiedOrKeptAsTyped();
    void timeReadsBackInTheFixedForm_data();
    void timeReadsBackInTheFixedForm();
    void typedTimeIsTidiedOrKeptAsTyped();
    void arrowsStepThePartUnderTheCursor();
};

void TestDateTimeEdit::dateReadsBackInTheFixedForm_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<QString>("value");
    QTest::newRow("fixed form") << "03/07/2003" << true << "03/07/2003";
    QTest::newRow("short form") << "3/7/2003" << true << "03/07/2003";
    QTest::newRow("empty") << "" << true << "";
    QTest::newRow("no such day") << "02/30/2003" << false << "12/25/2001";
    QTest::newRow("day first") << "25/12/2001" << false << "12/25/2001";
    QTest::newRow("two-digit year") << "3/7/03" << false << "12/25/2001";
}

void TestDateTimeEdit::dateReadsBackInTheFixedForm()
{
    QFETCH(QString, given);
    QFETCH(bool, taken);
    QFETCH(QString, value);
    DateEdit edit;
    QVERIFY(edit.setValue(QStringLiteral("12/25/2001")));
    QCOMPARE(edit.setValue(given), taken);
    QCOMPARE(edit.value(), value);
}

void TestDateTimeEdit::typedDateIsTidiedOrKeptAsTyped()
{
    DateEdit edit;
    edit.show();
    QSignalSpy changes(&edit, &DateEdit::valueChanged);
    QTest::keyClicks(edit.lineEdit(), QStringLiteral("3/7/2003"));
    QTest::keyClick(edit.lineEdit(), Qt::Key_Return);
    QCOMPARE(edit.lineEdit()->text(), QStringLiteral("03/07/2003"));
    QCOMPARE(changes.count(), 1);

    edit.lineEdit()->selectAll();
    QTest::keyClicks(edit.lineEdit(), QStringLiteral("13/45/2003"));
    QCOMPARE(edit.value(), QString()); // not a date while it is being typed
    QTest::keyClick(edit.lineEdit(), Qt::Key_Return);
    QCOMPARE(edit.lineEdit()->text(), QStringLiteral("13/45/2003"));
    QCOMPARE(edit.value(), QString());
    QVERIFY(edit.unreadable());
    QCOMPARE(edit.typedText(), QStringLiteral("13/45/2003"));
    QCOMPARE(changes.count(), 2); // the box no longer holds a date

    QTest::keyClicks(edit.lineEdit(), QStringLiteral("abc")); // letters do not go in at all
    QCOMPARE(edit.lineEdit()->text(), QStringLiteral("13/45/2003"));

    // Setting a value, or emptying the box, leaves nothing unreadable behind.
    edit.setValue(QStringLiteral("12/25/2001"));
    QVERIFY(!edit.unreadable());
    edit.lineEdit()->setText(QStringLiteral("  "));
    QVERIFY(!edit.unreadable());
}

void TestDateTimeEdit::timeReadsBackInTheFixedForm_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<QString>("value");
    QTest::newRow("fixed form") << "12:00:00 PM" << true << "12:00:00 PM";
    QTest::newRow("midnight") << "12:00:00 AM" << true << "12:00:00 AM";
    QTest::newRow("24-hour") << "14:30" << true << "02:30:00 PM";
    QTest::newRow("short 12-hour") << "7:05 am" << true << "07:05:00 AM";
    QTest::newRow("empty") << "" << true << "";
    QTest::newRow("no such hour") << "25:00" << false << "09:15:00 AM";
    QTest::newRow("words") << "noon" << false << "09:15:00 AM";
}

void TestDateTimeEdit::timeReadsBackInTheFixedForm()
{
    QFETCH(QString, given);
    QFETCH(bool, taken);
    QFETCH(QString, value);
    TimeEdit edit;
    QVERIFY(edit.setValue(QStringLiteral("09:15:00 AM")));
    QCOMPARE(edit.setValue(given), taken);
    QCOMPARE(edit.value(), value);
}

void TestDateTimeEdit::typedTimeIsTidiedOrKeptAsTyped()
{
    TimeEdit edit;
    edit.setValue(QStringLiteral("12:00:00 PM"));
    edit.show();
    QLineEdit* line = edit.findChild<QLineEdit*>();
    line->selectAll();
    QTest::keyClicks(&edit, QStringLiteral("18:20"));
    QTest::keyClick(&edit, Qt::Key_Return);
    QCOMPARE(line->text(), QStringLiteral("06:20:00 PM"));

    QVERIFY(!edit.unreadable());

    line->selectAll();
    QTest::keyClicks(&edit, QStringLiteral("7:75 PM"));
    QTest::keyClick(&edit, Qt::Key_Return);
    QCOMPARE(line->text(), QStringLiteral("7:75 PM"));
    QCOMPARE(edit.value(), QString());
    QVERIFY(edit.unreadable());
    QCOMPARE(edit.typedText(), QStringLiteral("7:75 PM"));
    edit.setValue(QString());
    QVERIFY(!edit.unreadable());
}

void TestDateTimeEdit::arrowsStepThePartUnderTheCursor()
{
    TimeEdit edit;
    edit.setValue(QStringLiteral("11:59:30 AM"));
    edit.show();
    QLineEdit* line = edit.findChild<QLineEdit*>();
    line->setCursorPosition(1);
    edit.stepBy(1);
    QCOMPARE(edit.value(), QStringLiteral("12:59:30 PM"));
    line->setCursorPosition(4);
    edit.stepBy(1);
    QCOMPARE(edit.value(), QStringLiteral("01:00:30 PM"));
    line->setCursorPosition(10);
    edit.stepBy(-1);
    QCOMPARE(edit.value(), QStringLiteral("01:00:30 AM"));
    line->setCursorPosition(7);
    edit.stepBy(-31);
    QCOMPARE(edit.value(), QStringLiteral("12:59:59 AM"));
}

QTEST_MAIN(TestDateTimeEdit)
#include "TestDateTimeEdit.moc"
