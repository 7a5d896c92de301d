#include "editing/OrganizerRows.h"

#include "editing/OrganizerColumns.h"
#include "store/ScheduleTable.h"

#include <QTest>

#include <chrono>

namespace {

using OrganizerColumns::Column;

ScheduleEntry entry(const QString& subject, const QString& kind, const QString& note = QStringLiteral("-"))
{
    return ScheduleEntry::make(QStringLiteral("10/20/2002"), QStringLiteral("Sunday"), subject, note,
                               QStringLiteral("10:00:00 AM"), QStringLiteral("off"), kind);
}

QStringList shownColumn(const OrganizerRows& rows, int column)
{
    QStringList texts;
    for (int row = 1; row <= rows.count(); ++row)
        texts.append(rows.cell(row, column).text);
    return texts;
}

// Sorts as the organizer sorts a long table: keys handed over in short steps, the work done on the
// other thread, the order taken once ready; `meanwhile` runs after the first step.
std::vector<int> sortInSteps(OrganizerRows& rows, int column, ListGridSortOrder order,
                             const std::function<void()>& meanwhile = {})
{
    rows.beginSort(column, ListGridSortType::Text, order);
    bool first = true;
    while (!rows.stepSort(std::chrono::steady_clock::now() + std::chrono::microseconds(200))) {
        if (first && meanwhile)
            meanwhile();
        first = false;
        QTest::qWait(1);
    }
    return rows.sortBy(column, ListGridSortType::Text, order);
}

} // namespace

// The organizer's rows sorted away from the window's thread: the same order as a sort done at once, by
// the text each row shows (a kept recurrence's rule in words), with a write meanwhile taken in.
class TestOrganizerRows : public QObject
{
    Q_OBJECT

private slots:
    void aSortInStepsGivesTheOrderOfASortAtOnce_data();
    void aSortInStepsGivesTheOrderOfASortAtOnce();
    void aWriteDuringTheSortIsInTheOrderTaken();
};

void TestOrganizerRows::aSortInStepsGivesTheOrderOfASortAtOnce_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("order");
    QTest::addColumn<QStringList>("expected");
    // Subjects Dentist, bring, Ärger; kinds OneTime, a rule "Every other Tuesday", Yearly.
    QTest::addRow("subject ascending") << int(Column::Subject) << int(ListGridSortOrder::Ascending)
                                       << QStringList{"bring", "Dentist", "Ärger"};
    QTest::addRow("subject descending") << int(Column::Subject) << int(ListGridSortOrder::Descending)
                                        << QStringList{"Ärger", "Dentist", "bring"};
    QTest::addRow("kind by the words shown") << int(Column::Event) << int(ListGridSortOrder::Ascending)
                                             << QStringList{"Every other Tuesday", "OneTime", "Yearly"};
    QTest::addRow("kind descending") << int(Column::Event) << int(ListGridSortOrder::Descending)
                                     << QStringList{"Yearly", "OneTime", "Every other Tuesday"};
}

void TestOrganizerRows::aSortInStepsGivesTheOrderOfASortAtOnce()
{
    QFETCH(int, column);
    QFETCH(int, order);
    QFETCH(QStringList, expected);
    ScheduleTable table;
    // Many rows of each, so that the order is worked out in several steps and rounds.
    constexpr int Copies = 3000;
    qint64 rowId = 0;
    for (int copy = 0; copy < Copies; ++copy) {
        table.append(++rowId, entry(QStringLiteral("Dentist"), QStringLiteral("OneTime")));
        table.append(++rowId, entry(QStringLiteral("bring"), QStringLiteral("Recurring")));
        table.append(++rowId, entry(QStringLiteral("Ärger"), QStringLiteral("Yearly")));
    }
    for (bool inSteps : {false, true}) {
        OrganizerRows rows([&]() -> const ScheduleTable& { return table; });
        rows.setRuleWords(
            [](qint64 id) { return id % 3 == 2 ? QStringLiteral("Every other Tuesday") : QString(); });
        rows.reset(table, QDateTime(QDate(2002, 10, 12), QTime(9, 30)));
        const auto sortOrder = ListGridSortOrder(order);
        const std::vector<int> moves = inSteps ? sortInSteps(rows, column, sortOrder)
                                               : rows.sortBy(column, ListGridSortType::Text, sortOrder);
        QCOMPARE(int(moves.size()), rows.count());
        const QStringList shown = shownColumn(rows, column);
        for (int group = 0; group < 3; ++group)
            QCOMPARE(shown.mid(group * Copies, Copies), QStringList(Copies, expected[group]));
        // Rows that compare equal keep their order: walk order, the ids ascending.
        QVERIFY(*rows.rowIdOf(1) < *rows.rowIdOf(2));
    }
}

void TestOrganizerRows::aWriteDuringTheSortIsInTheOrderTaken()
{
    ScheduleTable table;
    constexpr int Count = 30000;
    for (int i = 0; i < Count; ++i)
        table.append(i + 1, entry(QStringLiteral("s%1").arg(Count - i, 6, 10, QLatin1Char('0')),
                                  QStringLiteral("OneTime"), QStringLiteral("note %1").arg(i % 97)));
    OrganizerRows rows([&]() -> const ScheduleTable& { return table; });
    rows.reset(table, QDateTime(QDate(2002, 10, 12), QTime(9, 30)));
    sortInSteps(rows, Column::Subject, ListGridSortOrder::Ascending, [&] {
        // The old order is still shown while the sort is under way.
        QCOMPARE(rows.cell(1, Column::Subject).text, QStringLiteral("s%1").arg(Count, 6, 10, QLatin1Char('0')));
        table.replace(10, entry(QStringLiteral("a renamed"), QStringLiteral("OneTime")));
        table.remove(20);
    });
    QCOMPARE(rows.cell(1, Column::Subject).text, QString()); // the entry gone sorts as no text
    QCOMPARE(rows.cell(2, Column::Subject).text, QStringLiteral("a renamed"));
    QCOMPARE(rows.cell(3, Column::Subject).text, QStringLiteral("s000001"));
    QCOMPARE(rows.cell(Count, Column::Subject).text, QStringLiteral("s%1").arg(Count, 6, 10, QLatin1Char('0')));
}

QTEST_GUILESS_MAIN(TestOrganizerRows)
#include "TestOrganizerRows.moc"
