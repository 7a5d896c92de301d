#include "calendar/MainForm.h"
#include "editing/FormAddSched.h"
#include "forms/ClickLabel.h"
#include "hostile/ShownText.h"
#include "store/DateText.h"
#include "store/DayMarking.h"
#include "store/ScheduleDatabase.h"
#include "support/ScheduleAsSeen.h"
#include "support/WindowTestEnv.h"

#include <QComboBox>
#include <QScreen>
#include <QtTest>

#include <sqlite3.h>

#include <limits>
#include <variant>

namespace {

// One value of a field as another writer may have stored it.
struct Null
{};
struct Blob
{
    QByteArray bytes;
};
using Value = std::variant<Null, QByteArray, qint64, double, Blob>;
using Row = std::array<Value, ScheduleFieldCount>;

Row goodRow(const char* date, const QByteArray& subject)
{
    return {QByteArray(date), QByteArray("Monday"), subject, QByteArray("note"), QByteArray("10:00:00 AM"),
            QByteArray("on"), QByteArray("OneTime")};
}

Row withField(Row row, ScheduleField field, Value value)
{
    row[size_t(field)] = std::move(value);
    return row;
}

// Every bad row that was tried, written past the table's checks as a careless writer could. Most fall
// on 7 December 2026; 8 December holds three thousand entries; the rest are spread over the months
// around it.
struct HostileRows
{
    std::vector<std::pair<std::optional<qint64>, Row>> rows;

    HostileRows()
    {
        const char* day = "12/07/2026";
        for (int f = 0; f < ScheduleFieldCount; ++f)
            add(withField(goodRow(day, "null field"), ScheduleField(f), Null{}));
        add(Row{});
        for (const char* date :
             {"", "abc", "13/45/2026", "02/30/2026", "1/1/1", "12/31/99999", " 12/07/2026 ", "12/07/2026 "})
            add(goodRow(date, QByteArray("date ") + date));
        for (const char* time : {"", "25:61:00 PM", "noon", "10:00:00", "0:0"})
            add(withField(goodRow(day, QByteArray("time ") + time), ScheduleField::AlarmTime,
                          QByteArray(time)));
        for (const char* kind : {"onetime", "ONETIME", "mOnThLy", "yearly", "EVERYDAY", "monday to friday",
                                 "Weekly", "", "ONETIME "})
            add(withField(goodRow(day, QByteArray("kind ") + kind), ScheduleField::Kind, QByteArray(kind)));
        add(withField(goodRow("11/15/2026", "monthly"), ScheduleField::Kind, QByteArray("Monthly")));
        add(withField(goodRow("01/04/2027", "yearly"), ScheduleField::Kind, QByteArray("Yearly")));

        add(withField(goodRow(day, "megabyte note"), ScheduleField::Note, QByteArray(1 << 20, 'n')));
        add(withField(goodRow("12/09/2026", "twenty megabyte note"), ScheduleField::Note,
                      QByteArray("<b>").repeated(7 << 20)));
        add(goodRow(day, QByteArray(70000, 'W')));
        add(goodRow("11/20/2026", QByteArray("<b>x</b>").repeated(8750)));
        add(goodRow("01/10/2027", QByteArray("w ").repeated(35000)));

        add(goodRow(day, "\xF0\x9F\x98\x80\xF0\x9F\x8E\x89 \xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9"));
        add(goodRow(day, "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7"));
        add(goodRow(day, QByteArray("e") + QByteArray("\xCC\x81").repeated(400)));
        add(goodRow(day, "\xE2\x80\xAE reversed \xE2\x80\xAC"));
        add(goodRow(day, "'\"`"));
        add(goodRow(day, "%s%n%x%p%999999d"));
        add(goodRow(day, "'); DROP TABLE Schedule; --"));
        add(goodRow(day, "<img src=\"/dev/zero\">"));
        add(goodRow(day, QByteArray("before\0after", 12)));
        add(withField(goodRow(day, "nul in the date"), ScheduleField::Date,
                      QByteArray("12/07/2026\0junk", 15)));
        add(goodRow(day, "line\nbreak\r\nand\ttab"));
        add(goodRow(day, "\xFF\xFE\xC3\x28 \xED\xA0\x80 \xF4\x90\x80\x80"));
        add(withField(goodRow(day, "bad bytes in the time"), ScheduleField::AlarmTime,
                      QByteArray("\xFF:\xFE")));

        Row numbers;
        numbers.fill(qint64(42));
        add(numbers);
        numbers.fill(std::numeric_limits<qint64>::min());
        add(numbers);
        Row reals;
        reals.fill(3.5);
        add(reals);
        Row blobs;
        blobs.fill(Blob{QByteArray("\x00\x01<b>\xFF", 6)});
        add(blobs);
        add(withField(goodRow(day, "blob date"), ScheduleField::Date, Blob{QByteArray(day)}));

        for (int i = 0; i < 3000; ++i)
            add(goodRow("12/08/2026", "crowded " + QByteArray::number(i)));

        // Last, so that every row before them gets the next row id in turn.
        rows.emplace_back(-5, goodRow("12/10/2026", "lowest row"));
        rows.emplace_back(std::numeric_limits<qint64>::max(), goodRow("12/10/2026", "highest row"));
    }

    void add(Row row) { rows.emplace_back(std::nullopt, std::move(row)); }

    bool writeTo(const QString& path) const
    {
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK) {
            sqlite3_close(db);
            return false;
        }
        bool ok = sqlite3_exec(db, "PRAGMA ignore_check_constraints = ON; BEGIN", nullptr, nullptr,
                               nullptr) == SQLITE_OK;
        sqlite3_stmt* insert = nullptr;
        ok = ok && sqlite3_prepare_v2(
                       db,
                       "INSERT INTO Schedule (rowid, \"Date\", \"Day\", \"Type\", \"Note\", "
                       "\"AlarmTime\", \"AlarmOnOff\", \"SchedType\") VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
                       -1, &insert, nullptr) == SQLITE_OK;
        for (const auto& [rowId, row] : rows) {
            if (!ok)
                break;
            if (rowId)
                sqlite3_bind_int64(insert, 1, *rowId);
            else
                sqlite3_bind_null(insert, 1);
            for (int f = 0; f < ScheduleFieldCount; ++f)
                bind(insert, f + 2, row[size_t(f)]);
            ok = sqlite3_step(insert) == SQLITE_DONE;
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
        sqlite3_close(db);
        return ok;
    }

    static void bind(sqlite3_stmt* statement, int index, const Value& value)
    {
        if (const auto* text = std::get_if<QByteArray>(&value))
            sqlite3_bind_text(statement, index, text->constData(), int(text->size()), SQLITE_STATIC);
        else if (const auto* number = std::get_if<qint64>(&value))
            sqlite3_bind_int64(statement, index, *number);
        else if (const auto* real = std::get_if<double>(&value))
            sqlite3_bind_double(statement, index, *real);
        else if (const auto* blob = std::get_if<Blob>(&value))
            sqlite3_bind_blob(statement, index, blob->bytes.constData(), int(blob->bytes.size()),
                              SQLITE_STATIC);
        else
            sqlite3_bind_null(statement, index);
    }
};

} // namespace

// A schedule file holding every bad row that was tried, loaded by the store and shown by the main
// window over three months: nothing crashes, nothing is written, and every day hint stays plain text of
// about a screenful.
class TestHostileSchedule : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void everyBadRowIsReadAsItStands();
    void mainWindowShowsThreeMonthsOfBadRowsAndWritesNothing();

private:
    ClickLabel* cellShowing(int day) const;
    // Hovers, clicks and double-clicks every day of the month, closing the add dialog each time.
    void driveMonth(int month, int year);
    void checkHint(ClickLabel* cell, const QString& date);

    std::unique_ptr<WindowTestEnv> m_env;
    HostileRows m_rows;
    MainForm* m_main = nullptr;
};

void TestHostileSchedule::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestHostileSchedule::init()
{
    m_env = std::make_unique<WindowTestEnv>(QDateTime(QDate(2026, 12, 1), QTime(9, 30, 30)));
    QVERIFY(m_rows.writeTo(m_env->databasePath()));
}

void TestHostileSchedule::cleanup()
{
    m_main = nullptr;
    m_env.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestHostileSchedule::everyBadRowIsReadAsItStands()
{
    QString error;
    const auto database = ScheduleDatabase::open(m_env->databasePath(), &error);
    QVERIFY2(database, qPrintable(error));
    const ScheduleTable& table = database->cachedTable();
    QCOMPARE(table.size(), m_rows.rows.size());
    QCOMPARE(table.rowId(0), qint64(-5));
    QCOMPARE(table.rowId(table.size() - 1), std::numeric_limits<qint64>::max());

    QStringList subjects;
    for (size_t i = 0; i < table.size(); ++i)
        subjects << table.text(i, ScheduleField::Subject);
    QVERIFY(subjects.contains(QString::fromUtf8("before\0after", 12)));
    QVERIFY(subjects.contains(QStringLiteral("'); DROP TABLE Schedule; --")));
    QVERIFY(subjects.contains(QStringLiteral("42")));
    // Only the text that reads as the stored form of a date counts on that day.
    QCOMPARE(DayMarking::dayHint(table, QStringLiteral("12/08/2026")).count, 3000);
    QVERIFY(!DayMarking::DaySummary(table, QStringLiteral("12/07/2026")).contains(QLatin1String("nul in")));
}

ClickLabel* TestHostileSchedule::cellShowing(int day) const
{
    for (ClickLabel* cell : m_main->findChildren<ClickLabel*>()) {
        if (cell->objectName().startsWith(QLatin1String("DaySlot(")) && cell->isVisible() &&
            cell->text() == QString::number(day))
            return cell;
    }
    return nullptr;
}

void TestHostileSchedule::checkHint(ClickLabel* cell, const QString& date)
{
    const QString hint = cell->toolTip();
    const QString shown = ShownText::hintCharacters(hint);
    QVERIFY2(shown.contains(QLatin1String(" Entries: ")), qPrintable(date));
    // Plain: the only markup is the hint's own paragraph around the escaped characters.
    QCOMPARE(hint.count(u'<'), 2);
    QVERIFY(!shown.contains(QChar::ObjectReplacementCharacter));
    // Bounded: thirty subjects of at most sixty characters and their separators, and the count.
    QVERIFY2(shown.size() <= 30 * 63 + 40, qPrintable(date));
    if (shown.startsWith(QLatin1String("0 ")))
        return;
    QLabel* window = ShownText::showHint(cell);
    QVERIFY(window);
    const QSize screen = window->screen()->availableGeometry().size();
    QVERIFY2(
        window->width() <= screen.width() && window->height() <= screen.height(),
        qPrintable(
            QStringLiteral("%1: a hint of %2 x %3").arg(date).arg(window->width()).arg(window->height())));
}

void TestHostileSchedule::driveMonth(int month, int year)
{
    m_main->findChild<QComboBox*>(QStringLiteral("Combo2"))->setCurrentText(QString::number(year));
    m_main->findChild<QComboBox*>(QStringLiteral("Combo1"))->setCurrentIndex(month - 1);
    QCOMPARE(m_main->ShownMonth(), month);
    QCOMPARE(m_main->ShownYear(), year);
    const int days = QDate(year, month, 1).daysInMonth();
    for (int day = 1; day <= days; ++day) {
        const QString date = DateText::mmddyyyy(QDate(year, month, day));
        ClickLabel* cell = cellShowing(day);
        QVERIFY2(cell, qPrintable(date));
        ShownText::hover(cell);
        checkHint(cell, date);
        QTest::mouseClick(cell, Qt::LeftButton);
        QTest::mouseDClick(cell, Qt::LeftButton);
        FormAddSched* dialog = m_env->windows().addScheduleDialog();
        QVERIFY2(dialog->isVisible(), qPrintable(date));
        dialog->close();
        QVERIFY(m_main->isEnabled());
    }
}

void TestHostileSchedule::mainWindowShowsThreeMonthsOfBadRowsAndWritesNothing()
{
    const QString path = m_env->databasePath();
    const QString before = scheduleAsSeen(path);
    m_main = &m_env->windows().mainForm();
    m_main->show();
    driveMonth(11, 2026);
    driveMonth(12, 2026);
    driveMonth(1, 2027);
    QCOMPARE(m_env->messages.shown.size(), 0);
    m_env->closeWindows();
    // Not one entry is written; the bad rows are given their identities, in a table of the program's own.
    QCOMPARE(scheduleAsSeen(path), before);
    QVERIFY(!QFile::exists(path + QStringLiteral("-journal")));
}

QTEST_MAIN(TestHostileSchedule)
#include "TestHostileSchedule.moc"
