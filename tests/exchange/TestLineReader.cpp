#include "exchange/LineReader.h"

#include <QBuffer>
#include <QTest>

// The content lines of a calendar file as the import sees them, one at a time.
class TestLineReader : public QObject
{
    Q_OBJECT

private:
    static std::vector<LineReader::Line> linesOf(QByteArray text, qint64* zeroLine = nullptr)
    {
        QBuffer buffer(&text);
        buffer.open(QIODevice::ReadOnly);
        LineReader reader(buffer);
        std::vector<LineReader::Line> lines;
        LineReader::Line line;
        while (reader.next(line))
            lines.push_back(line);
        if (zeroLine)
            *zeroLine = reader.zeroByteLine();
        return lines;
    }

private slots:
    void foldsLineEndsAndBlankLines()
    {
        // A byte-order mark, CRLF and LF alone, a fold by space and one by tab, blank lines of either kind,
        // and a last line without a line end.
        const auto lines = linesOf("\xEF\xBB\xBF"
                                   "BEGIN:VCALENDAR\r\nSUMMARY:one\r\n  two\n\tthree\n\n\r\n"
                                   "DESCRIPTION:x\nEND:VCALENDAR");
        QCOMPARE(lines.size(), size_t(4));
        QCOMPARE(lines[0].text, QByteArray("BEGIN:VCALENDAR"));
        QCOMPARE(lines[1].text, QByteArray("SUMMARY:one twothree"));
        QCOMPARE(lines[1].number, 2);
        QCOMPARE(lines[2].text, QByteArray("DESCRIPTION:x"));
        QCOMPARE(lines[2].number, 7);
        QCOMPARE(lines[3].text, QByteArray("END:VCALENDAR"));
        QCOMPARE(lines[3].number, 8);
    }

    void aLineBeyondTheCapIsMarkedAndCut()
    {
        const QByteArray fits = "X:" + QByteArray(LineReader::MaxLine - 2, 'a');
        // Folded pieces count together: the second line reaches the cap only with its continuation.
        const QByteArray folded = "Y:" + QByteArray(LineReader::MaxLine / 2, 'b') + "\r\n " +
                                  QByteArray(LineReader::MaxLine / 2, 'c');
        const auto lines = linesOf(fits + "\r\n" + folded + "\r\nZ:after\r\n");
        QCOMPARE(lines.size(), size_t(3));
        QVERIFY(!lines[0].tooLong);
        QCOMPARE(lines[0].text.size(), LineReader::MaxLine);
        QVERIFY(lines[1].tooLong);
        QCOMPARE(lines[1].text.size(), LineReader::MaxLine);
        QCOMPARE(lines[1].number, 2);
        QCOMPARE(lines[2].text, QByteArray("Z:after"));
        QCOMPARE(lines[2].number, 4);
    }

    void aZeroByteEndsTheReadingAndSaysWhere()
    {
        qint64 zero = 0;
        const auto lines = linesOf(QByteArray("A:1\nB:2\nC:\0\nD:4\n", 17), &zero);
        QCOMPARE(lines.size(), size_t(2));
        QCOMPARE(zero, 3);
    }
};

QTEST_GUILESS_MAIN(TestLineReader)
#include "TestLineReader.moc"
