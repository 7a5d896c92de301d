#include "store/RowIds.h"

#include <QTest>

#include <algorithm>
#include <limits>

// The row ids of the schedule in memory: four bytes an id for the ids a schedule gives, and any id of
// the file read back and found as a plain sorted list of them finds it.
class TestRowIds : public QObject
{
    Q_OBJECT

private slots:
    void idsOfAScheduleTakeFourBytesEach()
    {
        RowIds ids;
        ids.reserve(100000);
        for (qint64 id = 5; id < 100005; ++id)
            ids.append(id);
        QCOMPARE(ids.memoryBytes(), size_t(100000 * 4));
        QCOMPARE(ids[99999], qint64(100004));
    }

    void anyIdOfTheFileIsKeptAndFound_data()
    {
        QTest::addColumn<std::vector<qint64>>("given");
        constexpr qint64 low = std::numeric_limits<qint64>::min();
        constexpr qint64 high = std::numeric_limits<qint64>::max();
        constexpr qint64 narrowEnd = qint64(std::numeric_limits<quint32>::max());
        QTest::newRow("negative ids, gaps") << std::vector<qint64>{-50, -49, -3, 0, 4, 100};
        QTest::newRow("the last id that fits four bytes") << std::vector<qint64>{10, 11, 10 + narrowEnd};
        QTest::newRow("one past it") << std::vector<qint64>{10, 11, 11 + narrowEnd, 12 + narrowEnd};
        QTest::newRow("both ends of the file's range") << std::vector<qint64>{low, -1, 1, high};
    }

    void anyIdOfTheFileIsKeptAndFound()
    {
        QFETCH(std::vector<qint64>, given);
        RowIds ids;
        for (qint64 id : given)
            ids.append(id);
        // The second id removed, as a deletion does, and the list compared again.
        for (int round = 0; round < 2; ++round) {
            QCOMPARE(ids.size(), given.size());
            for (size_t i = 0; i < given.size(); ++i) {
                QCOMPARE(ids[i], given[i]);
                for (qint64 step : {-1, 0, 1}) {
                    if ((given[i] == std::numeric_limits<qint64>::min() && step < 0) ||
                        (given[i] == std::numeric_limits<qint64>::max() && step > 0))
                        continue;
                    const qint64 probe = given[i] + step;
                    QCOMPARE(ids.lowerBound(probe),
                             size_t(std::lower_bound(given.begin(), given.end(), probe) - given.begin()));
                    QCOMPARE(ids.upperBound(probe),
                             size_t(std::upper_bound(given.begin(), given.end(), probe) - given.begin()));
                }
            }
            ids.remove(1);
            given.erase(given.begin() + 1);
        }
    }
};

QTEST_GUILESS_MAIN(TestRowIds)
#include "TestRowIds.moc"
