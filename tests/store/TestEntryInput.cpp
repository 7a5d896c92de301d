#include "store/EntryInput.h"
#include "store/ScheduleEntry.h"

#include <QTest>

// What typing and pasting into a subject box leaves in it, as the schedule will count and store it.
class TestEntryInput : public QObject
{
    Q_OBJECT

private slots:
    void editsAreKeptToOneLineOfWholeCharacters_data();
    void editsAreKeptToOneLineOfWholeCharacters();
    void spacesAloneSayNothing();
};

namespace {
const QString Face = QStringLiteral("\U0001F600");
}

void TestEntryInput::editsAreKeptToOneLineOfWholeCharacters_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<int>("keptCursor");
    const QString full = QString(50, u'a');
    QTest::newRow("fits") << "abc"
                          << "abXc" << 3 << "abXc" << 3;
    QTest::newRow("last place takes a pair")
        << QString(49, u'a') << QString(49, u'a') + Face << 51 << QString(49, u'a') + Face << 51;
    QTest::newRow("full box takes no pair") << full << full + Face << 52 << full << 50;
    QTest::newRow("pair in the middle of a full box")
        << full << QStringLiteral("aa") + Face + QString(48, u'a') << 4 << full << 2;
    QTest::newRow("second half typed alone")
        << QString(49, u'a') + Face.at(0) << QString(49, u'a') + Face << 51 << QString(49, u'a') + Face << 51;
    QTest::newRow("second half without its first") << full << full + Face.at(1) << 51 << full << 50;
    QTest::newRow("lines of a paste")
        << "Call "
        << "Call the\r\nplumber\nnow\u2029" << 22 << "Call the plumber now " << 21;
    QTest::newRow("paste cut to what fits")
        << "ab" << QStringLiteral("a") + QString(60, u'x') + QStringLiteral("b") << 61
        << QStringLiteral("a") + QString(48, u'x') + QStringLiteral("b") << 49;
}

void TestEntryInput::editsAreKeptToOneLineOfWholeCharacters()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(int, cursor);
    QFETCH(QString, kept);
    QFETCH(int, keptCursor);
    const EntryInput::Fitted fitted = EntryInput::fitOneLine(before, after, cursor, 50);
    QCOMPARE(fitted.text, kept);
    QCOMPARE(fitted.cursor, keptCursor);
    QVERIFY(characterCount(fitted.text) <= 50);
    QVERIFY(fitted.text.isValidUtf16());
}

void TestEntryInput::spacesAloneSayNothing()
{
    QVERIFY(EntryInput::isBlank(QString()));
    QVERIFY(EntryInput::isBlank(QStringLiteral(" \t\n\u00A0")));
    QVERIFY(!EntryInput::isBlank(QStringLiteral(" x ")));
}

QTEST_GUILESS_MAIN(TestEntryInput)
#include "TestEntryInput.moc"
