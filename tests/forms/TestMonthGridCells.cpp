#include "forms/MonthGridCells.h"
#include "forms/ClickLabel.h"
#include "forms/DesignUnits.h"
#include "support/TestServices.h"

#include <QtTest>

// The month layout on real labels: which cells show which days, where they sit and what a shorter
// month leaves behind.
class TestMonthGridCells : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void monthStartingOnSundayShowsCellZero();
    void saturdayStartUsesSixRows();
    void shorterMonthHidesSurplusCells();
    void blanksArePlacedSoHeadersFindTheirColumns();

private:
    QStringList shownCaptions() const;

    std::unique_ptr<QWidget> m_form;
    std::unique_ptr<CountingBeepService> m_beeper;
    MonthGridCells* m_cells = nullptr;
};

void TestMonthGridCells::init()
{
    m_form = std::make_unique<QWidget>();
    m_form->resize(400, 300);
    m_beeper = std::make_unique<CountingBeepService>();
    m_cells = new MonthGridCells(m_form.get(), *m_beeper);
    m_form->show();
}

void TestMonthGridCells::cleanup()
{
    m_form.reset();
}

QStringList TestMonthGridCells::shownCaptions() const
{
    QStringList captions;
    for (int i = 0; i < m_cells->count(); ++i) {
        if (m_cells->DaySlot(i)->isVisible())
            captions << m_cells->DaySlot(i)->text();
    }
    return captions;
}

void TestMonthGridCells::monthStartingOnSundayShowsCellZero()
{
    m_cells->SetupDays(6, 2003); // 1 June 2003 is a Sunday
    QVERIFY(m_cells->DaySlot(0)->isVisible());
    QCOMPARE(m_cells->DaySlot(0)->text(), QStringLiteral("1"));
    QCOMPARE(m_cells->DaySlot(1)->text(), QStringLiteral("2"));
    QCOMPARE(m_cells->DaySlot(29)->text(), QStringLiteral("30"));
    QCOMPARE(shownCaptions().size(), 30);
}

void TestMonthGridCells::saturdayStartUsesSixRows()
{
    m_cells->SetupDays(3, 2003); // 1 March 2003 is a Saturday, and March has 31 days
    QCOMPARE(m_cells->count(), 37);
    QVERIFY(!m_cells->DaySlot(0)->isVisible());
    QCOMPARE(m_cells->DaySlot(6)->text(), QStringLiteral("1"));
    QCOMPARE(m_cells->DaySlot(35)->text(), QStringLiteral("30"));
    QCOMPARE(m_cells->DaySlot(36)->text(), QStringLiteral("31"));

    const QRect first = m_cells->DaySlot(0)->geometry();
    const QRect last = m_cells->DaySlot(36)->geometry();
    QCOMPARE(last.left(), first.left() + first.width());
    QCOMPARE(last.top(), first.top() + 5 * first.height());
    QCOMPARE(shownCaptions().first(), QStringLiteral("1"));
    QCOMPARE(shownCaptions().size(), 31);
}

void TestMonthGridCells::shorterMonthHidesSurplusCells()
{
    m_cells->SetupDays(3, 2003);
    m_cells->SetupDays(2, 2009); // 1 February 2009 is a Sunday: 28 cells
    QCOMPARE(m_cells->count(), 37);
    for (int i = 28; i < 37; ++i)
        QVERIFY2(!m_cells->DaySlot(i)->isVisible(), qPrintable(QString::number(i)));
    QCOMPARE(shownCaptions().size(), 28);
    QCOMPARE(m_cells->DaySlot(0)->text(), QStringLiteral("1"));
    QVERIFY(m_cells->DaySlot(0)->isVisible());
}

void TestMonthGridCells::blanksArePlacedSoHeadersFindTheirColumns()
{
    m_cells->SetupDays(10, 2002); // 1 October 2002 is a Tuesday: two blanks
    QVERIFY(!m_cells->DaySlot(1)->isVisible());
    QVERIFY(m_cells->DaySlot(1)->text().isEmpty());
    const QRect anchor = m_cells->DaySlot(0)->geometry();
    const QStringList names = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    for (int j = 0; j < 7; ++j) {
        const QRect cell = m_cells->DaySlot(j)->geometry();
        QCOMPARE(cell.left(), anchor.left() + j * anchor.width());
        QCOMPARE(cell.top(), anchor.top());
        ClickLabel* header = m_cells->labelss(j);
        QVERIFY(header->isVisible());
        QCOMPARE(header->text(), names[j]);
        QCOMPARE(header->x(), cell.left() + Design::px(40));
        QCOMPARE(header->y() + header->height(), cell.top());
    }
}

QTEST_MAIN(TestMonthGridCells)
#include "TestMonthGridCells.moc"
