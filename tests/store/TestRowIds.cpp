#include "store/RowIds.h"

#include <QTest>

#include <algorithm>
#include <limits>
#include <random>

namespace {

// Every position and every search of the ids must answer as a plain sorted list of them does.
void compareWithPlainList(const RowIds& ids, const std::vector<qint64>& plain,
                          const std::vector<qint64>& probes)
{
    QCOMPARE(ids.size(), plain.size());
    for (size_t i = 0; i < plain.size(); ++i)
        QCOMPARE(ids[i], plain[i]);
    for (qint64 probe : probes) {
        const auto lower = size_t(std::lower_bound(plain.begin(), plain.end(), probe) - plain.begin());
        const auto upper = size_t(std::upper_bound(plain.begin(), plain.end(), probe) - plain.begin());
        QCOMPARE(ids.lowerBound(probe), lower);
        QCOMPARE(ids.upperBound(probe), upper);
    }
}

std::vector<qint64> probesAround(const std::vector<qint64>& plain)
{
    std::vector<qint64> probes = {std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(), 0};
    for (qint64 id : plain) {
        for (qint64 step : {-1, 0, 1}) {
            if ((step < 0 && id == std::numeric_limits<qint64>::min()) ||
                (step > 0 && id == std::numeric_limits<qint64>::max()))
                continue;
            probes.push_back(id + step);
        }
    }
    return probes;
}

} // namespace

// The row ids of the schedule in memory: four bytes an id for the ids a schedule gives, any id of the
// file read back and found as it was given.
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
        QCOMPARE(ids[0], qint64(5));
        QCOMPARE(ids[99999], qint64(100004));
    }

    void anyIdOfTheFileIsKeptAndFound_data()
    {
        QTest::addColumn<std::vector<qint64>>("given");
        constexpr qint64 low = std::numeric_limits<qint64>::min();
        constexpr qint64 high = std::numeric_limits<qint64>::max();
        constexpr qint64 narrowEnd = qint64(std::numeric_limits<quint32>::max());
        QTest::newRow("dense with gaps") << std::vector<qint64>{1, 2, 3, 7, 8, 100};
        QTest::newRow("negative ids") << std::vector<qint64>{-50, -49, -3, 0, 4};
        QTest::newRow("the last id that fits four bytes") << std::vector<qint64>{10, 11, 10 + narrowEnd};
        QTest::newRow("one past it") << std::vector<qint64>{10, 11, 11 + narrowEnd, 12 + narrowEnd};
        QTest::newRow("both ends of the file's range") << std::vector<qint64>{low, -1, 1, high};
        QTest::newRow("a far id given by hand") << std::vector<qint64>{1, 2, 3, high - 1, high};
    }

    void anyIdOfTheFileIsKeptAndFound()
    {
        QFETCH(std::vector<qint64>, given);
        RowIds ids;
        for (qint64 id : given)
            ids.append(id);
        compareWithPlainList(ids, given, probesAround(given));
    }

    void removalsKeepTheIdsAsAPlainListWould()
    {
        std::mt19937 random(11);
        for (const qint64 far : {qint64(0), qint64(1) << 40}) {
            RowIds ids;
            std::vector<qint64> plain;
            qint64 next = -20;
            for (int step = 0; step < 400; ++step) {
                if (!plain.empty() && random() % 3 == 0) {
                    const size_t at = random() % plain.size();
                    ids.remove(at);
                    plain.erase(plain.begin() + qsizetype(at));
                } else {
                    // Once in a while an id far above the rest, as a writer that chose its own would give.
                    next += 1 + qint64(random() % 5) + (step == 200 ? far : 0);
                    ids.append(next);
                    plain.push_back(next);
                }
            }
            compareWithPlainList(ids, plain, probesAround(plain));
        }
    }

    void anEmptiedListCountsFromItsNextId()
    {
        RowIds ids;
        ids.append(1);
        ids.append(qint64(1) << 40); // too far: every id takes eight bytes from here
        ids.clear();
        std::vector<qint64> plain;
        for (qint64 id = -7; id < 993; ++id) {
            ids.append(id);
            plain.push_back(id);
        }
        ids.shrinkToFit();
        QCOMPARE(ids.memoryBytes(), size_t(1000 * 4));
        compareWithPlainList(ids, plain, {-8, -7, 0, 992, 993});
        for (int i = 0; i < 1000; ++i)
            ids.remove(0);
        ids.append(1000);
        compareWithPlainList(ids, {1000}, {-7, 999, 1000, 1001});
    }
};

QTEST_GUILESS_MAIN(TestRowIds)
#include "TestRowIds.moc"
