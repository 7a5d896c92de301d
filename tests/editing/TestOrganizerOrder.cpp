#include "editing/OrganizerOrder.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <numeric>
#include <string>

namespace {

// The rows' present order: row k shows slot rows[k].
std::vector<quint32> shuffledSlots(size_t count, QRandomGenerator& random)
{
    std::vector<quint32> rows(count);
    std::iota(rows.begin(), rows.end(), 0);
    std::shuffle(rows.begin(), rows.end(), random);
    return rows;
}

// What the order must agree with: the rows stably sorted by their slots' case-folded texts.
std::vector<quint32> reference(const std::vector<std::string>& texts, const std::vector<quint32>& rows,
                               bool descending)
{
    std::vector<QString> folded;
    for (const std::string& text : texts)
        folded.push_back(QString::fromUtf8(text.data(), qsizetype(text.size())).toCaseFolded());
    std::vector<quint32> sorted = rows;
    std::stable_sort(sorted.begin(), sorted.end(), [&](quint32 a, quint32 b) {
        return descending ? folded[b] < folded[a] : folded[a] < folded[b];
    });
    return sorted;
}

// Hands the order each round's keys as the window's thread does, counting the keys it was asked for.
std::vector<quint32> orderByTexts(const std::vector<std::string>& texts, const std::vector<quint32>& rows,
                                  bool descending, size_t* asked = nullptr)
{
    OrganizerOrder order(rows, true, descending);
    const std::atomic<bool> cancelled{false};
    const auto give = [&](quint32 slot) {
        const QByteArray folded = QString::fromStdString(texts[slot]).toCaseFolded().toUtf8();
        order.setKey(slot, OrganizerOrder::chunk(folded.toStdString(), order.offset()));
        if (asked)
            ++*asked;
    };
    for (int round = 0; round < 100; ++round) {
        if (order.everySlotNeeded()) {
            for (quint32 slot = 0; slot < texts.size(); ++slot)
                give(slot);
        } else {
            for (quint32 slot : order.needed())
                give(slot);
        }
        if (order.runRound(cancelled))
            break;
    }
    const std::vector<quint32> taken = order.takeSlots();
    const std::vector<int> moves = order.takeMoves();
    for (size_t k = 0; k < moves.size(); ++k) {
        if (rows[size_t(moves[k])] != taken[k])
            qWarning("the moves and the slots disagree at %zu", k);
    }
    return taken;
}

QStringList shown(const std::vector<std::string>& texts, const std::vector<quint32>& order)
{
    QStringList list;
    for (quint32 slot : order)
        list.append(QString::fromStdString(texts[slot]));
    return list;
}

} // namespace

// The organizer's order of many rows, worked out from keys a round at a time, against a plain stable
// sort of the folded texts, for the texts that make rounds go wrong: long shared beginnings, texts that
// end where another goes on, case, letters beyond ASCII, equal texts in a shuffled present order.
class TestOrganizerOrder : public QObject
{
    Q_OBJECT

private slots:
    void textsSortAsTheirFoldedTextsCompare_data();
    void textsSortAsTheirFoldedTextsCompare();
    void manyRowsOfFewWordsNeedFewKeysAfterTheFirstRound();
    void numbersSortInOneRoundKeepingTiesInTheirOrder();
    void asciiChunkFoldsOnlyCapitalLetters();
};

void TestOrganizerOrder::textsSortAsTheirFoldedTextsCompare_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addRow("shared beginnings") << QStringList{"bring the papers to Anna", "bring the papers",
                                                      "bring the papers to anna", "bring", "bring the",
                                                      "bring the papers to Ann", ""};
    QTest::addRow("eight-byte edges") << QStringList{"abcdefgh", "abcdefghi", "abcdefg", "ABCDEFGH",
                                                     "abcdefgh", "abcdefghabcdefgh", "abcdefghabcdefg"};
    QTest::addRow("beyond ASCII") << QStringList{"Émile", "emile", "Zoë", "zoe", "Ärger", "arger", "Straße",
                                                 "strasse", "ÉMILE", "żubr"};
    QTest::addRow("all alike") << QStringList{"Meeting", "meeting", "MEETING", "Meeting", "meeting"};
    QTest::addRow("one row") << QStringList{"Vet"};
    QTest::addRow("no rows") << QStringList{};
}

void TestOrganizerOrder::textsSortAsTheirFoldedTextsCompare()
{
    QFETCH(QStringList, texts);
    std::vector<std::string> given;
    for (const QString& text : texts)
        given.push_back(text.toStdString());
    // Each order of the same texts, also once with a hundred times as many in a shuffled order.
    QRandomGenerator random(20031007);
    for (int many : {1, 100}) {
        std::vector<std::string> all;
        for (int copy = 0; copy < many; ++copy)
            all.insert(all.end(), given.begin(), given.end());
        const std::vector<quint32> rows = shuffledSlots(all.size(), random);
        for (bool descending : {false, true}) {
            QCOMPARE(shown(all, orderByTexts(all, rows, descending)),
                     shown(all, reference(all, rows, descending)));
        }
    }
}

// Notes made of a few words share their beginnings with many others; the rounds after the first ask
// only for the rows that still tie, each round fewer.
void TestOrganizerOrder::manyRowsOfFewWordsNeedFewKeysAfterTheFirstRound()
{
    const char* const words[] = {"bring", "the", "papers", "for", "room", "call", "Noon", "ask"};
    QRandomGenerator random(7);
    std::vector<std::string> texts;
    for (int i = 0; i < 20000; ++i) {
        std::string note;
        const int count = random.bounded(8);
        for (int w = 0; w < count; ++w)
            note += (w ? " " : "") + std::string(words[random.bounded(8)]);
        texts.push_back(note);
    }
    const std::vector<quint32> rows = shuffledSlots(texts.size(), random);
    size_t asked = 0;
    QCOMPARE(shown(texts, orderByTexts(texts, rows, false, &asked)), shown(texts, reference(texts, rows, false)));
    QVERIFY2(asked < texts.size() * 8, qPrintable(QString::number(asked)));
}

void TestOrganizerOrder::numbersSortInOneRoundKeepingTiesInTheirOrder()
{
    const std::vector<quint64> keys = {5, 0, 3, 5, 1, 3, 0, quint64(1) << 40, 70000, 5};
    const std::vector<quint32> rows = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0};
    for (bool descending : {false, true}) {
        OrganizerOrder order(rows, false, descending);
        for (quint32 slot = 0; slot < keys.size(); ++slot)
            order.setKey(slot, keys[slot]);
        const std::atomic<bool> cancelled{false};
        QVERIFY(order.runRound(cancelled));
        std::vector<quint32> expected = rows;
        std::stable_sort(expected.begin(), expected.end(), [&](quint32 a, quint32 b) {
            return descending ? keys[b] < keys[a] : keys[a] < keys[b];
        });
        QCOMPARE(order.takeSlots(), expected);
    }
}

void TestOrganizerOrder::asciiChunkFoldsOnlyCapitalLetters()
{
    for (const char* text : {"Team LUNCH at [Noon]", "A", "@Z[`az{", "12345678"}) {
        const std::string folded = QString::fromLatin1(text).toCaseFolded().toStdString();
        for (size_t offset : {0, 8, 16}) {
            const OrganizerOrder::Chunk ascii = OrganizerOrder::asciiChunk(text, offset);
            const OrganizerOrder::Chunk general = OrganizerOrder::chunk(folded, offset);
            QCOMPARE(ascii.key, general.key);
            QCOMPARE(ascii.more, general.more);
        }
    }
}

QTEST_GUILESS_MAIN(TestOrganizerOrder)
#include "TestOrganizerOrder.moc"
