#include "controls/ListGridOrder.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <numeric>
#include <string>

namespace {

// What the orders must agree with: a stable sort of the rows by their case-folded texts.
std::vector<int> foldedReference(const std::vector<std::string>& texts, bool descending)
{
    std::vector<QString> folded;
    for (const std::string& text : texts)
        folded.push_back(QString::fromUtf8(text.data(), qsizetype(text.size())).toCaseFolded());
    std::vector<int> order(texts.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return descending ? folded[size_t(b)] < folded[size_t(a)] : folded[size_t(a)] < folded[size_t(b)];
    });
    return order;
}

// The rows handed over in a shuffled order, as the texts of a sorted list lie in memory.
std::vector<int> byFoldedTexts(const std::vector<std::string>& texts, bool descending,
                               QRandomGenerator& random)
{
    std::vector<ListGridOrder::RowText> given;
    for (size_t i = 0; i < texts.size(); ++i)
        given.push_back({texts[i], int(i)});
    std::shuffle(given.begin(), given.end(), random);
    return ListGridOrder::byFoldedTexts(given, descending);
}

QString shown(const std::vector<std::string>& texts, const std::vector<int>& order)
{
    QStringList list;
    for (int row : order)
        list << QStringLiteral("%1:%2").arg(row).arg(QString::fromStdString(texts[size_t(row)]));
    return list.join(u" | ");
}

} // namespace

class TestListGridOrder : public QObject
{
    Q_OBJECT

private slots:
    void keysKeepTiesInOrderBothWays();
    void textsOrderAsTheirFoldedForms_data();
    void textsOrderAsTheirFoldedForms();
    void manyRandomTextsOrderAsTheirFoldedForms();
    void anOrderTakenInStepsIsTheSame();
};

void TestListGridOrder::keysKeepTiesInOrderBothWays()
{
    const std::vector<quint64> keys = {5, 1, 5, 0, ~quint64(0), 1, 1ull << 40, 5};
    QCOMPARE(ListGridOrder::byKeys(keys, false), std::vector<int>({3, 1, 5, 0, 2, 7, 6, 4}));
    QCOMPARE(ListGridOrder::byKeys(keys, true), std::vector<int>({4, 6, 0, 2, 7, 1, 5, 3}));
    QCOMPARE(ListGridOrder::byKeys({}, false), std::vector<int>());

    // Many keys go sixteen bits at a time; the order must be the same.
    QRandomGenerator random(7);
    std::vector<quint64> many(70000);
    for (quint64& key : many)
        key = random.generate64() % 5000 * 1000003;
    std::vector<int> expected(many.size());
    std::iota(expected.begin(), expected.end(), 0);
    std::stable_sort(expected.begin(), expected.end(),
                     [&](int a, int b) { return many[size_t(b)] < many[size_t(a)]; });
    QCOMPARE(ListGridOrder::byKeys(many, true), expected);
}

void TestListGridOrder::textsOrderAsTheirFoldedForms_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("case does not count, ties keep their order")
        << QStringList{"b", "B", "a", "A", "b", "Ab", "aB"};
    QTest::newRow("a shorter text first")
        << QStringList{"abcdefghij", "abcdefgh", "abcdefghi", "", "abcdefgh"};
    QTest::newRow("long shared beginnings")
        << QStringList{"bring the papers for room 12", "bring the papers for room 11", "Bring the papers for",
                       "bring the papers for room 11 ", "bring the papers"};
    QTest::newRow("letters beyond ASCII") << QStringList{
        "Zebra", "Äpfel", "äpfel", "apfel", "Éclair", "eclair", "ÿ", "Ā", "ÿb", "Āa", "日本", "z"};
    QTest::newRow("ASCII beginning, other letters later")
        << QStringList{"abcdefghé", "abcdefghz", "ABCDEFGHÉ", "abcdefgha", "abcdefgh"};
    QTest::newRow("signs sort by their codes")
        << QStringList{"_x", "[x", "@x", "~x", "x", "X", "0x", " x", "-"};
    QTest::newRow("surrogate pairs after the rest of the plane")
        << QStringList{"\U0001F600", "\uFFFD", "\uE000", "a"};
}

void TestListGridOrder::textsOrderAsTheirFoldedForms()
{
    QFETCH(QStringList, texts);
    std::vector<std::string> utf8;
    for (const QString& text : texts)
        utf8.push_back(text.toStdString());
    // Each tie above 16 rows goes another way through the order; repeat the texts to reach both.
    for (int copies : {1, 9}) {
        std::vector<std::string> many;
        for (int c = 0; c < copies; ++c)
            many.insert(many.end(), utf8.begin(), utf8.end());
        QRandomGenerator random{quint32(copies)};
        for (bool descending : {false, true}) {
            const std::vector<int> expected = foldedReference(many, descending);
            const std::vector<int> got = byFoldedTexts(many, descending, random);
            QVERIFY2(got == expected,
                     qPrintable(shown(many, got) + QStringLiteral("\nexpected ") + shown(many, expected)));
        }
    }
}

void TestListGridOrder::manyRandomTextsOrderAsTheirFoldedForms()
{
    // Words from a small set, so that long ties and whole duplicates abound, now and then with a
    // capital, a letter beyond ASCII or a zero byte.
    const std::vector<std::string> words = {"the", "The", "papers", "room", "Room", "a", "", "é", "É", "NUL"};
    QRandomGenerator random(2026);
    std::vector<std::string> texts(20000);
    for (std::string& text : texts) {
        const int count = random.bounded(6);
        for (int w = 0; w < count; ++w) {
            const std::string& word = words[size_t(random.bounded(int(words.size())))];
            text += (w ? " " : "") + (word == "NUL" ? std::string("\0x", 2) : word);
        }
    }
    for (bool descending : {false, true}) {
        const std::vector<int> expected = foldedReference(texts, descending);
        QVERIFY(byFoldedTexts(texts, descending, random) == expected);
    }
}

// An order worked out in the shortest steps there are ends as one worked out at once.
void TestListGridOrder::anOrderTakenInStepsIsTheSame()
{
    QRandomGenerator random(15);
    std::vector<quint64> keys(100000);
    for (quint64& key : keys)
        key = random.generate64() % 70000;
    std::vector<std::string> texts(30000);
    for (std::string& text : texts)
        text = std::to_string(random.bounded(5000)) + (random.bounded(3) ? "ab" : "AB");
    std::vector<ListGridOrder::RowText> rowTexts;
    for (size_t i = 0; i < texts.size(); ++i)
        rowTexts.push_back({texts[i], int(i)});

    const auto inSteps = [](ListGridOrder::Steps steps, int& count) {
        const auto past = std::chrono::steady_clock::now() - std::chrono::seconds(1);
        for (count = 1; !steps.step(past); ++count) {
        }
        return steps.takeOrder();
    };
    for (bool descending : {false, true}) {
        int steps = 0;
        QCOMPARE(inSteps(ListGridOrder::Steps::byKeys(keys, descending), steps),
                 ListGridOrder::byKeys(keys, descending));
        QVERIFY(steps > 10);
        QCOMPARE(inSteps(ListGridOrder::Steps::byFoldedTexts(rowTexts, descending), steps),
                 foldedReference(texts, descending));
        QVERIFY(steps > 10);
    }
}

QTEST_GUILESS_MAIN(TestListGridOrder)
#include "TestListGridOrder.moc"
