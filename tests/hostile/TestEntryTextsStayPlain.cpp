#include "alarm/FormAlarm.h"
#include "calendar/MainForm.h"
#include "controls/ListGrid.h"
#include "controls/VemraButton.h"
#include "editing/FormOrganizer.h"
#include "editing/NoteEdit.h"
#include "editing/OrganizerGrid.h"
#include "forms/ClickLabel.h"
#include "forms/MonthGridCells.h"
#include "hostile/ShownText.h"
#include "support/WindowTestEnv.h"
#include "views/FormGrid.h"

#include <QLineEdit>
#include <QTableView>
#include <QtTest>

#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// A check in a helper ends the test at its first failure, before a window could be painted with what
// the check found.
#define CHECKED(check)                                                                                       \
    do {                                                                                                     \
        check;                                                                                               \
        if (QTest::currentTestFailed())                                                                      \
            return;                                                                                          \
    } while (false)

namespace {

// A pipe nobody writes to: a window that reads it as a picture would wait forever. The watch notices
// any reader at once, records it and closes its own end, so that the reader reads nothing and goes on
// and the test fails instead of hanging.
class PipeWatch
{
public:
    explicit PipeWatch(const QString& path) : m_path(QFile::encodeName(path))
    {
        m_made = ::mkfifo(m_path.constData(), 0600) == 0;
        if (m_made)
            m_watch = std::thread([this] { watch(); });
    }
    ~PipeWatch()
    {
        if (!m_made)
            return;
        m_stop = true;
        // Opening the reading end lets the watch's waiting open return.
        const int reader = ::open(m_path.constData(), O_RDONLY | O_NONBLOCK);
        m_watch.join();
        ::close(reader);
    }
    PipeWatch(const PipeWatch&) = delete;
    PipeWatch& operator=(const PipeWatch&) = delete;

    bool made() const { return m_made; }
    bool wasRead() const { return m_read; }

private:
    void watch()
    {
        while (!m_stop) {
            // Waits until someone opens the pipe to read it.
            const int writer = ::open(m_path.constData(), O_WRONLY);
            if (!m_stop && writer >= 0)
                m_read = true;
            if (writer >= 0)
                ::close(writer);
        }
    }

    QByteArray m_path;
    bool m_made = false;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_read{false};
    std::thread m_watch;
};

} // namespace

// Entries whose subject and note look like markup: a bold tag, a picture that never ends loading and a
// picture that is a pipe nobody writes to (opening it would hang the program). Every window that shows
// an entry's texts is opened, hovered and painted, and must show the characters as they stand.
class TestEntryTextsStayPlain : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyWindowShowsEntryTextsAsTheirCharacters();

private:
    // No label shows one of the texts as markup, and no hint carries one of them unescaped.
    void checkNoWindowReadsMarkup(const QStringList& texts);
    // The day cell's hint, once hovered, reads as its characters, and Qt's hint window shows and paints.
    void checkDayHint(ClickLabel* cell, const QString& expected);
};

void TestEntryTextsStayPlain::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestEntryTextsStayPlain::checkNoWindowReadsMarkup(const QStringList& texts)
{
    for (QWidget* top : QApplication::topLevelWidgets()) {
        QList<QWidget*> widgets = top->findChildren<QWidget*>();
        widgets << top;
        for (QWidget* widget : widgets) {
            for (const QString& text : texts) {
                if (auto* label = qobject_cast<QLabel*>(widget); label && label->text().contains(text))
                    QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->objectName()));
                QVERIFY2(!widget->toolTip().contains(text), qPrintable(widget->objectName()));
            }
        }
    }
}

void TestEntryTextsStayPlain::checkDayHint(ClickLabel* cell, const QString& expected)
{
    QVERIFY(cell);
    ShownText::hover(cell);
    QCOMPARE(ShownText::hintCharacters(cell->toolTip()), expected);
    QVERIFY(!cell->toolTip().contains(expected));
    QLabel* hint = ShownText::showHint(cell);
    QVERIFY(hint);
    QCOMPARE(ShownText::hintCharacters(hint->text()), expected);
    hint->grab();
}

namespace {

ClickLabel* cellShowing(QWidget* window, int day)
{
    for (ClickLabel* cell : window->findChildren<ClickLabel*>()) {
        if (cell->objectName().startsWith(QLatin1String("DaySlot(")) && cell->isVisibleTo(window) &&
            cell->text() == QString::number(day))
            return cell;
    }
    return nullptr;
}

} // namespace

void TestEntryTextsStayPlain::everyWindowShowsEntryTextsAsTheirCharacters()
{
    // A short folder name, so that the picture's tag fits in a subject.
    QTemporaryDir pipeDir(QStringLiteral("/tmp/zXXXXXX"));
    QVERIFY(pipeDir.isValid());
    const QString pipe = pipeDir.filePath(QStringLiteral("p"));
    const PipeWatch watch(pipe);
    QVERIFY(watch.made());
    const QStringList texts{QStringLiteral("<b>x</b>"), QStringLiteral("<img src=\"/dev/zero\">"),
                            QStringLiteral("<img src=\"%1\">").arg(pipe)};

    // Today, 12 October 2002, with alarms at ten: still ahead at half past nine.
    WindowTestEnv env(QDateTime(QDate(2002, 10, 12), QTime(9, 30)));
    for (const QString& text : texts)
        env.addEntry(QStringLiteral("10/12/2002"), text, QStringLiteral("OneTime"),
                     QStringLiteral("10:00:00 AM"), QStringLiteral("on"), text);
    const QString dayHint = QStringLiteral("3 Entries: ") + texts.join(QStringLiteral(", "));

    MainForm& main = env.windows().mainForm();
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    CHECKED(checkDayHint(cellShowing(&main, 12), dayHint));
    CHECKED(checkNoWindowReadsMarkup(texts));
    main.grab();

    FormGrid* list = env.windows().listWindow();
    QVERIFY(list);
    list->show();
    for (int row = 1; row <= 3; ++row)
        QCOMPARE(list->Grid()->Cell(row, 1).Text, texts[row - 1]);
    CHECKED(checkNoWindowReadsMarkup(texts));
    list->grab();

    env.clock.set(QDateTime(QDate(2002, 10, 12), QTime(9, 59, 59)));
    main.Timer1_Timer();
    env.clock.set(QDateTime(QDate(2002, 10, 12), QTime(10, 0, 0)));
    main.Timer1_Timer();
    const std::vector<FormAlarm*> alarms = env.windows().alarmWindows();
    QCOMPARE(alarms.size(), size_t(3));
    CHECKED(checkNoWindowReadsMarkup(texts));
    // Every line of an alarm window, the late line among them, is plain text whatever it shows.
    for (FormAlarm* alarm : alarms) {
        for (const QLabel* label : alarm->findChildren<QLabel*>())
            QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->objectName()));
    }
    for (size_t i = 0; i < alarms.size(); ++i) {
        QCOMPARE(alarms[i]->subject(), texts[int(i)]);
        QCOMPARE(alarms[i]->note(), texts[int(i)]);
        alarms[i]->grab();
    }
    for (FormAlarm* alarm : alarms)
        alarm->close();

    QTest::mouseClick(main.findChild<VemraButton*>(QStringLiteral("cmdButton(5)")), Qt::LeftButton);
    FormOrganizer* organizer = env.windows().openOrganizer();
    QVERIFY(organizer);
    CHECKED(checkDayHint(cellShowing(organizer, 12), dayHint));
    CHECKED(checkNoWindowReadsMarkup(texts));
    ListGrid* grid = organizer->Grid();
    QCOMPARE(grid->Rows(), 3);
    for (int row = 1; row <= 3; ++row) {
        QCOMPARE(grid->Cell(row, OrganizerGrid::Subject).Text, texts[row - 1]);
        QCOMPARE(grid->Cell(row, OrganizerGrid::Note).Text, texts[row - 1]);
        QTableView* view = grid->view();
        const QModelIndex subject = view->model()->index(row - 1, OrganizerGrid::Subject - 1);
        QVERIFY(view->model()->data(subject, Qt::ToolTipRole).toString().isEmpty());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(subject).center());
        QCOMPARE(organizer->findChild<QLineEdit*>(QStringLiteral("txtBox(2)"))->text(), texts[row - 1]);
        QCOMPARE(organizer->findChild<NoteEdit*>(QStringLiteral("txtBox(3)"))->toPlainText(), texts[row - 1]);
        CHECKED(checkNoWindowReadsMarkup(texts));
        organizer->grab();
    }
    QVERIFY2(!watch.wasRead(), "a window read an entry's text as a picture to load");
}

QTEST_MAIN(TestEntryTextsStayPlain)
#include "TestEntryTextsStayPlain.moc"
