#include "alarm/FormAlarm.h"
#include "calendar/MainForm.h"
#include "controls/ButtonColor.h"
#include "controls/ListGrid.h"
#include "controls/VemraButton.h"
#include "editing/FormAddSched.h"
#include "editing/FormOrganizer.h"
#include "forms/ClickLabel.h"
#include "settings/ColourTheme.h"
#include "support/WindowTestEnv.h"
#include "views/FormGrid.h"
#include "views/formYear.h"

#include <QAbstractItemModel>
#include <QTableView>
#include <QtTest>

#include <cmath>

namespace {

// The contrast of two colours as WCAG 2 defines it, from their relative luminance.
double luminance(const QColor& colour)
{
    const auto channel = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The widgets of the same parent stacked under the widget, nearest first.
QList<const QWidget*> stackedUnder(const QWidget* widget)
{
    QList<const QWidget*> under;
    const QWidget* parent = widget->parentWidget();
    if (!parent)
        return under;
    const QObjectList& siblings = parent->children();
    for (qsizetype i = siblings.indexOf(widget) - 1; i >= 0; --i) {
        if (const auto* sibling = qobject_cast<const QWidget*>(siblings[i]);
            sibling && sibling->isVisibleTo(parent))
            under << sibling;
    }
    return under;
}

// What lies behind a text: its own back colour when it paints one, otherwise that of the nearest widget
// painted under its middle (a title strip under a title), or of the window.
QColor backOf(const QWidget* widget)
{
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (w->autoFillBackground() || w->isWindow())
            return w->palette().color(QPalette::Window);
        for (const QWidget* under : stackedUnder(w)) {
            if (under->autoFillBackground() && under->geometry().contains(w->geometry().center()))
                return under->palette().color(QPalette::Window);
        }
    }
    return Qt::white;
}

// A shadow lies under a label with the same text a little beside it; only the text over it is read.
bool isShadow(const ClickLabel* label)
{
    const QWidget* parent = label->parentWidget();
    const QObjectList& siblings = parent->children();
    for (qsizetype i = siblings.indexOf(label) + 1; i < siblings.size(); ++i) {
        const auto* over = qobject_cast<const ClickLabel*>(siblings[i]);
        if (over && over->isVisibleTo(parent) && over->text() == label->text() &&
            over->geometry().intersects(label->geometry()))
            return true;
    }
    return false;
}

// A button's colour as painted: a colour naming a system colour takes the desktop's.
QColor designColour(quint32 colour)
{
    return ButtonColor::toQColor(ButtonColor::translate(colour, QGuiApplication::palette()));
}

} // namespace

// Every text a person reads in the windows stands out from what is behind it by at least 4.5 to 1, in
// both themes: the ratios are worked out from the colours the windows really paint.
class TestTextContrast : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void everyTextIsReadableInBothThemes_data();
    void everyTextIsReadableInBothThemes();

private:
    void checkWindow(QWidget* window);
    void checkGrid(const ListGrid* grid, const QString& where);
    void expect(const QColor& fore, const QColor& back, const QString& what);

    std::unique_ptr<WindowTestEnv> m_env;
    QStringList m_unreadable;
};

void TestTextContrast::init()
{
    m_env = std::make_unique<WindowTestEnv>(QDateTime(QDate(2002, 10, 12), QTime(9, 30)));
    // Every marking of the month: today, a one-time entry ahead and one gone by, and a monthly one; an
    // organizer row gone by.
    m_env->addEntry(QStringLiteral("10/20/2002"), QStringLiteral("Ahead"), QStringLiteral("OneTime"));
    m_env->addEntry(QStringLiteral("10/02/2002"), QStringLiteral("Past"), QStringLiteral("OneTime"));
    m_env->addEntry(QStringLiteral("09/25/2002"), QStringLiteral("Rent"), QStringLiteral("Monthly"));
    m_unreadable.clear();
}

void TestTextContrast::cleanup()
{
    m_env.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestTextContrast::expect(const QColor& fore, const QColor& back, const QString& what)
{
    const double ratio = contrast(fore, back);
    if (ratio < 4.5)
        m_unreadable << QStringLiteral("%1: %2 on %3 is %4:1")
                            .arg(what, fore.name(), back.name())
                            .arg(ratio, 0, 'f', 2);
}

void TestTextContrast::checkWindow(QWidget* window)
{
    for (const ClickLabel* label : window->findChildren<ClickLabel*>()) {
        if (label->isVisibleTo(window) && label->isEnabled() && !label->text().trimmed().isEmpty() &&
            !isShadow(label))
            expect(label->palette().color(QPalette::WindowText), backOf(label),
                   window->objectName() + QLatin1Char('/') + label->objectName());
    }
    for (const VemraButton* button : window->findChildren<VemraButton*>()) {
        if (button->isVisibleTo(window) && button->isEnabled() && !button->caption().isEmpty())
            expect(designColour(button->foreColor()), designColour(button->backColor()),
                   window->objectName() + QLatin1Char('/') + button->objectName());
    }
    for (const ListGrid* grid : window->findChildren<ListGrid*>())
        checkGrid(grid, window->objectName() + QLatin1Char('/') + grid->objectName());
}

void TestTextContrast::checkGrid(const ListGrid* grid, const QString& where)
{
    const QPalette colours = grid->view()->palette();
    const QAbstractItemModel* model = grid->view()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        for (int column = 0; column < model->columnCount(); ++column) {
            const QModelIndex index = model->index(row, column);
            if (model->data(index, Qt::DisplayRole).toString().isEmpty())
                continue;
            const QVariant fore = model->data(index, Qt::ForegroundRole);
            const QString what = QStringLiteral("%1 row %2 column %3").arg(where).arg(row + 1).arg(column + 1);
            expect(fore.isValid() ? fore.value<QColor>() : colours.color(QPalette::Text),
                   colours.color(QPalette::Base), what);
        }
    }
    expect(colours.color(QPalette::HighlightedText), colours.color(QPalette::Highlight),
           where + QStringLiteral(" selected row"));
}

void TestTextContrast::everyTextIsReadableInBothThemes_data()
{
    QTest::addColumn<int>("theme");
    QTest::newRow("light") << ColourTheme::Light;
    QTest::newRow("dark") << ColourTheme::Dark;
}

void TestTextContrast::everyTextIsReadableInBothThemes()
{
    QFETCH(int, theme);
    ProgramWindows& windows = m_env->windows();
    MainForm& main = windows.mainForm();
    main.show();
    windows.ApplyTheme(theme);
    // The command column unfolded and the countdown list docked beside the window.
    QCOMPARE(main.findChild<VemraButton*>(QStringLiteral("VemraButton1"))->caption(), QStringLiteral("Hide"));
    QTest::mouseClick(main.findChild<VemraButton*>(QStringLiteral("cmdButton(6)")), Qt::LeftButton);
    QVERIFY(windows.loadedListWindow());
    checkWindow(&main);
    checkWindow(windows.loadedListWindow());

    FormAlarm* alarm = windows.newAlarmWindow();
    alarm->setSubject(QStringLiteral("Dentist"));
    alarm->setNote(QStringLiteral("at nine"));
    alarm->setLateLine(QStringLiteral("Due 10 minutes ago"));
    alarm->show();
    checkWindow(alarm);
    alarm->close();

    QTest::mouseClick(main.findChild<VemraButton*>(QStringLiteral("cmdButton(5)")), Qt::LeftButton);
    FormOrganizer* organizer = windows.openOrganizer();
    QVERIFY(organizer);
    organizer->Grid()->setSelectedRow(2);
    organizer->Grid_SelectionChange();
    checkWindow(organizer);

    FormAddSched* dialog = windows.addScheduleDialog();
    dialog->show();
    checkWindow(dialog);
    dialog->close();
    organizer->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    formYear* year = windows.yearWindow();
    year->show();
    checkWindow(year);

    for (const QString& line : std::as_const(m_unreadable))
        qWarning("%s", qPrintable(line));
    QVERIFY(m_unreadable.isEmpty());
}

QTEST_MAIN(TestTextContrast)
#include "TestTextContrast.moc"
