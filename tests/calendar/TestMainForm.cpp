#include "app/TrayIcon.h"
#include "calendar/MainForm.h"
#include "controls/VemraButton.h"
#include "editing/DateEdit.h"
#include "editing/FormAddSched.h"
#include "editing/NoteEdit.h"
#include "forms/ClickLabel.h"
#include "forms/DesignUnits.h"
#include "store/DateText.h"
#include "support/WindowTestEnv.h"

#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

#include <sqlite3.h>

// The main window driven as a user drives it: navigation, day clicks and double-clicks, themes, the
// date format, folding, and the settings it reads at load and writes at exit. The clock stands at
// Saturday 12 October 2002, 9:30.
class TestMainForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void opensUnfoldedAtTopLeftWithLightTheme();
    void stepButtonsStopAtTheEndsOfTheYearList();
    void stepButtonsWrapAroundTheYear();
    void dayClickCopiesTheDateInTheChosenFormat();
    void dayClickHighlightsByTheme();
    void doubleClickAndSaveAddsOneMarkedEntry();
    void hoverHintCountsEntriesStoredOnThatDay();
    void hoverHintShowsSubjectsAsTheyStand();
    void themeSwitchGivesTheThemeColoursAndKeepsMarkings();
    void unknownStoredThemeBecomesTheLightThemeItShows();
    void settingsRoundTrip();
    void storedPositionIsBroughtWithinReach_data();
    void storedPositionIsBroughtWithinReach();
    void unwritableSettingsAreReportedOnceAtExit_data();
    void unwritableSettingsAreReportedOnceAtExit();
    void foldingMovesTheTitleStrip();
    void closePicturesHideOrEnd();
    void aboutDisablesAndAsksTheShell();
    void unreadableScheduleIsReportedOnceAndMarkingsStay();
    void aScheduleFaultThatComesBackIsReportedAgain();

private:
    MainForm& open();
    VemraButton* button(const QString& name) const;
    ClickLabel* label(const QString& name) const;
    ClickLabel* cellShowing(int day) const;
    // The hint of a cell as a user reads it: the characters Qt shows for it.
    static QString shownHint(const QWidget* widget);
    QComboBox* combo(const QString& name) const;
    void click(QWidget* widget) const;
    void showMonth(int month, int year);

    std::unique_ptr<WindowTestEnv> m_env;
    MainForm* m_form = nullptr;
};

void TestMainForm::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestMainForm::init()
{
    m_env = std::make_unique<WindowTestEnv>();
}

void TestMainForm::cleanup()
{
    m_form = nullptr;
    m_env.reset();
}

MainForm& TestMainForm::open()
{
    // Every opening is a fresh start of the program's windows.
    m_env->closeWindows();
    m_form = &m_env->windows().mainForm();
    m_form->show();
    return *m_form;
}

VemraButton* TestMainForm::button(const QString& name) const
{
    auto* found = m_form->findChild<VemraButton*>(name);
    if (!found)
        qFatal("no button %s", qPrintable(name));
    return found;
}

ClickLabel* TestMainForm::label(const QString& name) const
{
    auto* found = m_form->findChild<ClickLabel*>(name);
    if (!found)
        qFatal("no label %s", qPrintable(name));
    return found;
}

QComboBox* TestMainForm::combo(const QString& name) const
{
    return m_form->findChild<QComboBox*>(name);
}

ClickLabel* TestMainForm::cellShowing(int day) const
{
    for (ClickLabel* cell : m_form->findChildren<ClickLabel*>()) {
        if (cell->objectName().startsWith(QLatin1String("DaySlot(")) && cell->isVisible() &&
            cell->text() == QString::number(day))
            return cell;
    }
    qFatal("no cell shows day %d", day);
}

QString TestMainForm::shownHint(const QWidget* widget)
{
    const QString hint = widget->toolTip();
    if (!Qt::mightBeRichText(hint))
        return hint;
    QTextDocument document;
    document.setHtml(hint);
    return document.toPlainText();
}

void TestMainForm::click(QWidget* widget) const
{
    QTest::mouseClick(widget, Qt::LeftButton);
}

void TestMainForm::showMonth(int month, int year)
{
    combo(QStringLiteral("Combo1"))->setCurrentIndex(month - 1);
    combo(QStringLiteral("Combo2"))->setCurrentText(QString::number(year));
    QCOMPARE(m_form->ShownMonth(), month);
    QCOMPARE(m_form->ShownYear(), year);
}

void TestMainForm::opensUnfoldedAtTopLeftWithLightTheme()
{
    MainForm& form = open();
    QCOMPARE(form.pos(), QPoint(0, 0));
    QCOMPARE(form.width(), Design::px(4680));
    QCOMPARE(form.height(), Design::px(4275));
    QCOMPARE(form.windowTitle(), QStringLiteral("Zentravio"));
    QVERIFY(form.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(button(QStringLiteral("VemraButton1"))->caption(), QStringLiteral("Hide"));
    QVERIFY(button(QStringLiteral("cmdButton(6)"))->geometry().right() < form.width());
    QCOMPARE(m_env->values().ThemeName, QStringLiteral("LIGHT"));
    QCOMPARE(m_env->values().DateFormatName, QStringLiteral("Long Date"));
    QCOMPARE(label(QStringLiteral("Label2"))->text(),
             DateText::namedFormat(QDate(2002, 10, 12), DateText::LongDate));
    QCOMPARE(form.ShownMonth(), 10);
    QCOMPARE(form.ShownYear(), 2002);
    QCOMPARE(combo(QStringLiteral("Combo1"))->currentText(), QStringLiteral("October"));
    QCOMPARE(combo(QStringLiteral("Combo2"))->count(), 21);
    QCOMPARE(combo(QStringLiteral("Combo2"))->itemText(0), QStringLiteral("1992"));
    QCOMPARE(cellShowing(12)->ForeColor(), Bgr::Red);
    // The load lays out three times (itself, the month picker and the year picker), two beeps each.
    QCOMPARE(m_env->beeper.count, 6);
    QVERIFY(!m_env->values().MainHidden);
}

void TestMainForm::stepButtonsStopAtTheEndsOfTheYearList()
{
    MainForm& form = open();
    showMonth(5, 1992);
    const int beeps = m_env->beeper.count;
    click(button(QStringLiteral("EXTRA(0)")));
    QCOMPARE(form.ShownYear(), 1992);
    QCOMPARE(combo(QStringLiteral("Combo2"))->currentText(), QStringLiteral("1992"));
    QCOMPARE(m_env->beeper.count, beeps);

    showMonth(5, 2012);
    click(button(QStringLiteral("EXTRA(3)")));
    QCOMPARE(form.ShownYear(), 2012);
    click(button(QStringLiteral("EXTRA(0)")));
    QCOMPARE(form.ShownYear(), 2011);
    QCOMPARE(form.ShownMonth(), 5);
}

void TestMainForm::stepButtonsWrapAroundTheYear()
{
    MainForm& form = open();
    showMonth(1, 1992);
    int beeps = m_env->beeper.count;
    click(button(QStringLiteral("EXTRA(1)")));
    QCOMPARE(form.ShownMonth(), 12);
    QCOMPARE(form.ShownYear(), 1992); // the month step succeeds, the year step has no year to go to
    QCOMPARE(m_env->beeper.count, beeps + 2);

    showMonth(12, 2002);
    beeps = m_env->beeper.count;
    click(button(QStringLiteral("EXTRA(2)")));
    QCOMPARE(form.ShownMonth(), 1);
    QCOMPARE(form.ShownYear(), 2003);
    QCOMPARE(m_env->beeper.count, beeps + 4); // two layouts: the month's, then the year's

    click(button(QStringLiteral("EXTRA(1)")));
    QCOMPARE(form.ShownMonth(), 12);
    QCOMPARE(form.ShownYear(), 2002);
    click(button(QStringLiteral("EXTRA(1)")));
    QCOMPARE(form.ShownMonth(), 11);
    QCOMPARE(form.ShownYear(), 2002);
    QCOMPARE(cellShowing(30)->text(), QStringLiteral("30"));
}

void TestMainForm::dayClickCopiesTheDateInTheChosenFormat()
{
    open();
    click(cellShowing(12));
    const QString longDate = DateText::namedFormat(QDate(2002, 10, 12), DateText::LongDate);
    QCOMPARE(QGuiApplication::clipboard()->text(), longDate);
    QCOMPARE(m_env->values().LastDateText, longDate);

    m_form->findChild<QAction*>(QStringLiteral("mnuS"))->trigger();
    QCOMPARE(m_env->values().DateFormatName, QStringLiteral("Short Date"));
    QCOMPARE(label(QStringLiteral("Label2"))->text(),
             DateText::namedFormat(QDate(2002, 10, 12), DateText::ShortDate));
    click(cellShowing(3));
    QCOMPARE(QGuiApplication::clipboard()->text(),
             DateText::namedFormat(QDate(2002, 10, 3), DateText::ShortDate));
    QVERIFY(QGuiApplication::clipboard()->text() !=
            DateText::namedFormat(QDate(2002, 10, 3), DateText::LongDate));
}

void TestMainForm::dayClickHighlightsByTheme()
{
    m_env->addEntry(QStringLiteral("10/20/2002"), QStringLiteral("Meeting"), QStringLiteral("OneTime"));
    open();
    click(cellShowing(15));
    QCOMPARE(cellShowing(15)->BackColor(), Bgr::Black);
    QCOMPARE(cellShowing(15)->ForeColor(), Bgr::White);
    QCOMPARE(cellShowing(16)->BackColor(), Bgr::White);
    QCOMPARE(cellShowing(16)->ForeColor(), Bgr::Black);
    QCOMPARE(cellShowing(20)->ForeColor(), Bgr::OneTimeGreen); // marked again after the recolouring
    QCOMPARE(cellShowing(12)->ForeColor(), Bgr::Red);

    click(button(QStringLiteral("cmdButton(0)")));
    click(cellShowing(15));
    QCOMPARE(cellShowing(15)->BackColor(), Bgr::White);
    QCOMPARE(cellShowing(15)->ForeColor(), Bgr::Black);
    QCOMPARE(cellShowing(16)->BackColor(), Bgr::Black);
    QCOMPARE(cellShowing(16)->ForeColor(), Bgr::White);
}

void TestMainForm::doubleClickAndSaveAddsOneMarkedEntry()
{
    MainForm& form = open();
    QTest::mouseDClick(cellShowing(15), Qt::LeftButton);
    QVERIFY(!form.isEnabled());
    QCOMPARE(m_env->values().OpenedFrom, AddDialogOpener::MainWindow);

    FormAddSched& dialog = *m_env->windows().addScheduleDialog();
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.EntryDate()->value(), QStringLiteral("10/15/2002"));
    QTest::keyClicks(dialog.findChild<QComboBox*>(QStringLiteral("cboType"))->lineEdit(),
                     QStringLiteral("Dentist"));
    QTest::keyClicks(dialog.findChild<NoteEdit*>(QStringLiteral("txtNote")),
                     QStringLiteral("Bring the card"));
    QTest::mouseClick(dialog.findChild<VemraButton*>(QStringLiteral("cmdButton(0)")), Qt::LeftButton);

    QVERIFY(!dialog.isVisible());
    QVERIFY(form.isEnabled());
    QCOMPARE(m_env->values().OpenedFrom, AddDialogOpener::None);
    const ScheduleTable& table = m_env->database().table();
    QCOMPARE(table.size(), size_t(1));
    const ScheduleEntry expected =
        ScheduleEntry::make(QStringLiteral("10/15/2002"), QStringLiteral("Tuesday"),
                            QStringLiteral("Dentist"), QStringLiteral("Bring the card"),
                            QStringLiteral("12:00:00 PM"), QStringLiteral("off"), QStringLiteral("OneTime"));
    QCOMPARE(table.entry(0), expected);
    QCOMPARE(cellShowing(15)->ForeColor(), Bgr::OneTimeGreen);
}

void TestMainForm::hoverHintCountsEntriesStoredOnThatDay()
{
    m_env->addEntry(QStringLiteral("10/20/2002"), QStringLiteral("Meeting"), QStringLiteral("OneTime"));
    m_env->addEntry(QStringLiteral("10/20/2002"), QStringLiteral("Birthday"), QStringLiteral("Yearly"));
    m_env->addEntry(QStringLiteral("09/21/2002"), QStringLiteral("Rent"), QStringLiteral("Monthly"));
    MainForm& form = open();
    QTest::mouseMove(cellShowing(20));
    QCOMPARE(shownHint(cellShowing(20)), QStringLiteral("2 Entries: Meeting, Birthday"));
    form.DaySlot_MouseMove(cellShowing(21)->objectName().mid(8).chopped(1).toInt());
    QCOMPARE(shownHint(cellShowing(21)), QStringLiteral("0 Entries: "));
    QCOMPARE(cellShowing(21)->ForeColor(), Bgr::RecurringBlue); // marked, though not counted here
}

void TestMainForm::hoverHintShowsSubjectsAsTheyStand()
{
    // A picture that never ends loading, or a bold tag: the hint shows the characters and loads nothing.
    m_env->addEntry(QStringLiteral("10/22/2002"), QStringLiteral("<img src=\"/dev/zero\">"),
                    QStringLiteral("OneTime"));
    m_env->addEntry(QStringLiteral("10/22/2002"), QStringLiteral("<b>x</b> & y"), QStringLiteral("OneTime"));
    open();
    QTest::mouseMove(cellShowing(22));
    QCOMPARE(shownHint(cellShowing(22)), QStringLiteral("2 Entries: <img src=\"/dev/zero\">, <b>x</b> & y"));
    QVERIFY(!cellShowing(22)->toolTip().contains(QLatin1String("<img")));
    QCOMPARE(cellShowing(22)->textFormat(), Qt::PlainText);
}

void TestMainForm::themeSwitchGivesTheThemeColoursAndKeepsMarkings()
{
    m_env->addEntry(QStringLiteral("10/20/2002"), QStringLiteral("Meeting"), QStringLiteral("OneTime"));
    MainForm& form = open();
    auto checkTheme = [&](bool dark) {
        const BgrColor paper = dark ? Bgr::Black : Bgr::White, ink = dark ? Bgr::White : Bgr::Black;
        QCOMPARE(Design::bgr(form.palette().color(QPalette::Window)), dark ? 0x585858u : 0xC0C0C0u);
        QCOMPARE(cellShowing(5)->BackColor(), paper);
        QCOMPARE(cellShowing(5)->ForeColor(), ink);
        QCOMPARE(cellShowing(20)->BackColor(), paper);
        QCOMPARE(cellShowing(20)->ForeColor(), Bgr::OneTimeGreen);
        QCOMPARE(cellShowing(12)->ForeColor(), Bgr::Red);
        QCOMPARE(label(QStringLiteral("lblTitle(0)"))->ForeColor(), ink);
        QCOMPARE(label(QStringLiteral("lblTitle(1)"))->BackColor(), paper);
        QCOMPARE(label(QStringLiteral("Label3"))->ForeColor(), paper);
        const BgrColor optionsFace = dark ? 0x808080 : 0xC0C0C0;
        QCOMPARE(button(QStringLiteral("VemraButton1"))->backColor(), optionsFace);
        QCOMPARE(button(QStringLiteral("VemraButton1"))->backOver(), optionsFace);
        const BgrColor face = dark ? 0x585858 : 0xC0C0C0;
        QCOMPARE(button(QStringLiteral("cmdButton(1)"))->backColor(), paper);
        QCOMPARE(button(QStringLiteral("cmdButton(1)"))->foreOver(), ink);
        for (const QString& name : {QStringLiteral("cmdButton(0)"), QStringLiteral("cmdButton(4)"),
                                    QStringLiteral("EXTRA(0)"), QStringLiteral("EXTRA(3)")}) {
            QCOMPARE(button(name)->backColor(), face);
            QCOMPARE(button(name)->backOver(), face);
            QCOMPARE(button(name)->foreColor(), dark ? 0xE0E0E0u : 0u);
            QCOMPARE(button(name)->foreOver(), dark ? 0xE0E0E0u : 0u);
        }
    };
    checkTheme(false);
    QSignalSpy themes(&form, &MainForm::ThemeApplied);
    click(button(QStringLiteral("cmdButton(0)")));
    QCOMPARE(m_env->values().ThemeName, QStringLiteral("DARK"));
    checkTheme(true);
    click(button(QStringLiteral("EXTRA(2)"))); // a new month is laid out in the theme in force
    click(button(QStringLiteral("EXTRA(1)")));
    checkTheme(true);
    click(button(QStringLiteral("cmdButton(0)")));
    QCOMPARE(m_env->values().ThemeName, QStringLiteral("LIGHT"));
    checkTheme(false);
    QCOMPARE(themes.first().first().toInt(), 0);
}

void TestMainForm::unknownStoredThemeBecomesTheLightThemeItShows()
{
    // An unknown stored theme applies nothing at load, but the countdown list loads with the window and
    // follows its light grey face, which applies the light theme to both and names it.
    m_env->settings().SaveString(QStringLiteral("Colors"), QStringLiteral("Theme"), QStringLiteral("dark"));
    MainForm& form = open();
    QCOMPARE(m_env->values().ThemeName, QStringLiteral("LIGHT"));
    QCOMPARE(Design::bgr(form.palette().color(QPalette::Window)), 0xC0C0C0u);
    click(button(QStringLiteral("cmdButton(0)")));
    QCOMPARE(m_env->values().ThemeName, QStringLiteral("DARK"));
    form.close();
    QCOMPARE(m_env->settings().GetString(QStringLiteral("Colors"), QStringLiteral("Theme")),
             QStringLiteral("DARK"));
}

void TestMainForm::settingsRoundTrip()
{
    MainForm& first = open();
    QSignalSpy ending(&first, &MainForm::ProgramEnd);
    QSignalSpy trayGone(&first, &MainForm::RemoveTrayIcon);
    first.close();
    QCOMPARE(ending.count(), 1);
    QCOMPARE(trayGone.count(), 1);
    SettingsStore& settings = m_env->settings();
    QCOMPARE(settings.GetString(QStringLiteral("Position"), QStringLiteral("X")), QStringLiteral("0"));
    QCOMPARE(settings.GetString(QStringLiteral("Position"), QStringLiteral("Y")), QStringLiteral("0"));
    QCOMPARE(settings.GetString(QStringLiteral("Colors"), QStringLiteral("Theme")), QStringLiteral("LIGHT"));
    QCOMPARE(settings.GetString(QStringLiteral("Format"), QStringLiteral("FMat")),
             QStringLiteral("Long Date"));

    MainForm& second = open();
    second.move(300, 200);
    second.findChild<QAction*>(QStringLiteral("mnuS"))->trigger();
    click(button(QStringLiteral("cmdButton(0)")));
    click(button(QStringLiteral("cmdButton(4)")));
    QCOMPARE(settings.GetString(QStringLiteral("Position"), QStringLiteral("X")), QStringLiteral("3000"));
    QCOMPARE(settings.GetString(QStringLiteral("Position"), QStringLiteral("Y")), QStringLiteral("4500"));
    m_form = nullptr;

    m_env->reopenSettings();
    m_env->values() = ProgramValues{};
    MainForm& third = open();
    QCOMPARE(third.pos(), QPoint(300, 200));
    QCOMPARE(m_env->values().ThemeName, QStringLiteral("DARK"));
    QCOMPARE(m_env->values().DateFormatName, QStringLiteral("Short Date"));
    QCOMPARE(cellShowing(5)->BackColor(), Bgr::Black);
}

void TestMainForm::storedPositionIsBroughtWithinReach_data()
{
    QTest::addColumn<QString>("top");  // "X", in twips
    QTest::addColumn<QString>("left"); // "Y", in twips
    QTest::addColumn<QPoint>("expected");
    const int width = Design::px(4680);
    const int height = Design::px(4275);
    QTest::newRow("fits as stored") << "3000"
                                    << "4500" << QPoint(300, 200);
    QTest::newRow("fits exactly at the corner")
        << QString::number((1024 - height) * 15) << QString::number((1280 - width) * 15)
        << QPoint(1280 - width, 1024 - height);
    QTest::newRow("one pixel on the screen") << "11985"
                                             << "19185" << QPoint(1280 - width, 1024 - height);
    QTest::newRow("past the right edge only") << "1500"
                                              << "18000" << QPoint(1280 - width, 100);
}

void TestMainForm::storedPositionIsBroughtWithinReach()
{
    QFETCH(QString, top);
    QFETCH(QString, left);
    QFETCH(QPoint, expected);
    m_env->settings().SaveString(QStringLiteral("Position"), QStringLiteral("X"), top);
    m_env->settings().SaveString(QStringLiteral("Position"), QStringLiteral("Y"), left);
    MainForm& form = open();
    QCOMPARE(form.pos(), expected);
    // Unfolded, the title strip and the whole command column are on the screen.
    QVERIFY(QRect(0, 0, 1280, 1024).contains(form.geometry()));
}

void TestMainForm::unwritableSettingsAreReportedOnceAtExit_data()
{
    QTest::addColumn<bool>("folderInItsPlace");
    QTest::newRow("a folder in the file's place") << true;
    QTest::newRow("a folder that cannot be made") << false;
}

void TestMainForm::unwritableSettingsAreReportedOnceAtExit()
{
    QFETCH(bool, folderInItsPlace);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Zentravio.conf"));
    if (folderInItsPlace) {
        QVERIFY(QDir().mkpath(path));
    } else {
        QFile plain(dir.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        path = plain.fileName() + QStringLiteral("/Zentravio/Zentravio.conf");
    }
    SettingsStore unwritable(path);
    AppContext context{m_env->database(), unwritable, m_env->clock, m_env->beeper, m_env->messages,
                       m_env->screen,     {}};
    ProgramWindows windows(context);
    MainForm& form = windows.mainForm();
    form.show();
    QSignalSpy ending(&form, &MainForm::ProgramEnd);
    form.close();

    QCOMPARE(m_env->messages.shown.size(), 1);
    QCOMPARE(m_env->messages.shown[0].icon, QMessageBox::Warning);
    QVERIFY2(m_env->messages.shown[0].text.contains(path), qPrintable(m_env->messages.shown[0].text));
    QCOMPARE(ending.count(), 1);
}

void TestMainForm::foldingMovesTheTitleStrip()
{
    MainForm& form = open();
    VemraButton* fold = button(QStringLiteral("VemraButton1"));
    const int maxLeft = button(QStringLiteral("cmdButton(1)"))->x();
    const int closeLeft = label(QStringLiteral("Image1(0)"))->x();
    click(fold);
    QCOMPARE(fold->caption(), QStringLiteral("Options"));
    QCOMPARE(form.width(), Design::px(3330));
    QCOMPARE(fold->x(), Design::px(2280));
    QCOMPARE(button(QStringLiteral("cmdButton(1)"))->x(), Design::px(2100));
    QCOMPARE(label(QStringLiteral("Image1(0)"))->x(), Design::px(2920));
    QVERIFY(label(QStringLiteral("Image1(0)"))->geometry().right() < form.width());
    click(fold);
    QCOMPARE(fold->caption(), QStringLiteral("Hide"));
    QCOMPARE(form.width(), Design::px(4680));
    QCOMPARE(fold->x(), Design::px(3600));
    QCOMPARE(button(QStringLiteral("cmdButton(1)"))->x(), maxLeft);
    QCOMPARE(label(QStringLiteral("Image1(0)"))->x(), closeLeft);
}

void TestMainForm::closePicturesHideOrEnd()
{
    MainForm& form = open();
    click(label(QStringLiteral("Image1(1)")));
    QVERIFY(!form.isVisible());
    QVERIFY(m_env->values().MainHidden);

    form.show();
    QSignalSpy ending(&form, &MainForm::ProgramEnd);
    click(label(QStringLiteral("Image1(0)")));
    QCOMPARE(ending.count(), 1);
    QVERIFY(!form.isVisible());
    QCOMPARE(m_env->settings().GetString(QStringLiteral("Colors"), QStringLiteral("Theme")),
             QStringLiteral("LIGHT"));
}

void TestMainForm::aboutDisablesAndAsksTheShell()
{
    MainForm& form = open();
    QSignalSpy about(&form, &MainForm::AboutRequested);
    click(button(QStringLiteral("cmdButton(3)")));
    QCOMPARE(about.count(), 1);
    QVERIFY(!form.isEnabled());

    // The tray's menu is the window's own; its "&Exit" follows the last active view.
    form.setEnabled(true);
    TrayIcon tray(m_env->values(), m_env->windows());
    m_env->values().MainViewActive = false;
    tray.TrayRightClick(QPoint(10, 10));
    QAction* exit = form.mnu()->findChild<QAction*>(QStringLiteral("mnuExit"));
    QVERIFY(exit && !exit->isEnabled());
    form.mnu()->hide();
    form.Form_Activate();
    QVERIFY(m_env->values().MainViewActive);
    tray.TrayRightClick(QPoint(10, 10));
    QVERIFY(exit->isEnabled());
    form.mnu()->hide();
}

void TestMainForm::unreadableScheduleIsReportedOnceAndMarkingsStay()
{
    m_env->addEntry(QStringLiteral("10/20/2002"), QStringLiteral("Meeting"), QStringLiteral("OneTime"));
    open();
    QCOMPARE(m_env->messages.shown.size(), 0);
    sqlite3* other = nullptr;
    QCOMPARE(sqlite3_open(qPrintable(m_env->databasePath()), &other), SQLITE_OK);
    QCOMPARE(sqlite3_exec(other, "ALTER TABLE Schedule RENAME TO Elsewhere", nullptr, nullptr, nullptr),
             SQLITE_OK);
    sqlite3_close(other);

    click(label(QStringLiteral("lblTitle(1)")));
    QCOMPARE(m_env->messages.shown.size(), 1);
    QVERIFY(m_env->messages.shown[0].text.contains(QStringLiteral("could not be read")));
    QCOMPARE(cellShowing(20)->ForeColor(), Bgr::OneTimeGreen);
    click(cellShowing(15));
    m_form->DaySlot_MouseMove(20 + 1);
    QCOMPARE(m_env->messages.shown.size(), 1);
    QCOMPARE(cellShowing(20)->ForeColor(), Bgr::OneTimeGreen);
    QCOMPARE(shownHint(cellShowing(20)), QStringLiteral("1 Entries: Meeting"));
}

void TestMainForm::aScheduleFaultThatComesBackIsReportedAgain()
{
    m_env->addEntry(QStringLiteral("10/20/2002"), QStringLiteral("Meeting"), QStringLiteral("OneTime"));
    open();
    auto elsewhere = [&](const char* sql) {
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(qPrintable(m_env->databasePath()), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, sql, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(other);
    };
    elsewhere("ALTER TABLE Schedule RENAME TO Elsewhere");
    click(label(QStringLiteral("lblTitle(1)")));
    QCOMPARE(m_env->messages.shown.size(), 1);

    elsewhere("ALTER TABLE Elsewhere RENAME TO Schedule");
    click(label(QStringLiteral("lblTitle(1)")));
    QCOMPARE(m_env->messages.shown.size(), 1);

    elsewhere("ALTER TABLE Schedule RENAME TO Elsewhere");
    click(label(QStringLiteral("lblTitle(1)")));
    QCOMPARE(m_env->messages.shown.size(), 2);
    QCOMPARE(m_env->messages.shown[1].text, m_env->messages.shown[0].text);
}

QTEST_MAIN(TestMainForm)
#include "TestMainForm.moc"
