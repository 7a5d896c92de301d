#include "calendar/MainForm.h"

#include "account/FormAccount.h"
#include "alarm/AlarmEngine.h"
#include "controls/VemraButton.h"
#include "editing/DateEdit.h"
#include "editing/FormAddSched.h"
#include "editing/FormOrganizer.h"
#include "forms/AppContext.h"
#include "forms/ClickLabel.h"
#include "forms/DesignUnits.h"
#include "forms/MonthGridCells.h"
#include "forms/MonthPickers.h"
#include "forms/PlainText.h"
#include "forms/WindowHelpers.h"
#include "forms/WindowOwner.h"
#include "settings/ColourTheme.h"
#include "settings/StoredSettings.h"
#include "store/DateText.h"
#include "store/DayKeys.h"
#include "store/DayMarking.h"
#include "store/ScheduleDatabase.h"
#include "views/FormGrid.h"
#include "views/ListDocking.h"
#include "views/formYear.h"

#include <QComboBox>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

namespace {

const QString FoldedCaption = QStringLiteral("Options");
const QString UnfoldedCaption = QStringLiteral("Hide");

constexpr int DesignHeight = 4275;
constexpr int FoldedWidth = 3330;
constexpr int UnfoldedWidth = 4680;
constexpr int TitleShift = 1360; // the title strip's pictures and "Max" move by this when the column folds
constexpr int OwnColours = 2;

struct CommandDesign
{
    const char* caption;
    int left, top, width, height;
};

constexpr std::array<CommandDesign, MainForm::CommandCount> Commands = {{
    {"C&hange Color", 3240, 1910, 1215, 400},
    {"Max", 2100, 45, 495, 255},
    {"&Date Format", 3240, 600, 1215, 400},
    {"&About", 3240, 2340, 1215, 400},
    {"&Exit", 3240, 2780, 1215, 400},
    {"&Organizer", 3240, 1035, 1215, 400},
    {"Co&untdown", 3240, 1470, 1215, 405},
}};

// The picture that hides the window to the tray: a white bar on black, as large as the close picture.
QPixmap hidePicture()
{
    QPixmap picture(17, 17);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    painter.fillRect(4, 11, 9, 2, Qt::white);
    return picture;
}

QString withoutAccessMark(const QString& caption)
{
    QString text = caption;
    return text.remove(u'&');
}

void setButtonColours(VemraButton* button, BgrColor back, BgrColor fore)
{
    button->setBackColor(back);
    button->setBackOver(back);
    button->setForeColor(fore);
    button->setForeOver(fore);
}

} // namespace

MainForm::MainForm(AppContext& context, WindowOwner& windows, QWidget* parent)
    : DesignForm(QStringLiteral("MainForm"), QStringLiteral("Zentravio"), Band::TopMost, parent),
      m_ctx(context), m_windows(windows)
{
    setBackColor(0xC0C0C0);
    setDesignSize(FoldedWidth, DesignHeight);

    buildTitleStrip();
    buildPickers();
    m_grid = new MonthGridCells(this, m_ctx.beeper);
    connect(m_grid, &MonthGridCells::Click, this, &MainForm::DaySlot_Click);
    connect(m_grid, &MonthGridCells::DblClick, this, &MainForm::DaySlot_DblClick);
    connect(m_grid, &MonthGridCells::MouseMove, this, &MainForm::DaySlot_MouseMove);
    buildCommands();
    buildMenus();
    // Tab reads the window as a person does: the days, the pickers and steps below them, the column of
    // commands from the top, then the title strip's commands.
    setKeyboardOrder({cmdSetfocus(), m_combo1, m_combo2, m_extra[0], m_extra[1], m_extra[2], m_extra[3],
                      m_vemraButton1, m_cmdButton[DateFormat], m_cmdButton[Organizer], m_cmdButton[Countdown],
                      m_cmdButton[ChangeColor], m_cmdButton[About], m_cmdButton[Exit], m_cmdButton[Max],
                      m_image1[1], m_image1[0]});

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(1000);
    connect(m_timer1, &QTimer::timeout, this, [this] {
        m_lastTick = m_ctx.clock.now();
        // Where the alarm service beats on its own, its heartbeat has made this second's check already.
        const AlarmEngine* engine = m_windows.alarmEngine();
        if (!engine || !engine->running())
            Timer1_Timer();
    });
}

MainForm::~MainForm() = default;

void MainForm::buildTitleStrip()
{
    m_lblTitle[1] = new ClickLabel(this);
    m_lblTitle[1]->setObjectName(QStringLiteral("lblTitle(1)"));
    m_lblTitle[1]->setGeometry(Design::rect(0, 0, 6015, 375));
    m_lblTitle[1]->setOpaque(true);
    m_lblTitle[1]->setBackColor(Bgr::White);

    const QFont titleFont = Design::font(QStringLiteral("MS Serif"), 13.5);
    m_label3 = new ClickLabel(QStringLiteral("Zentravio"), this);
    m_label3->setObjectName(QStringLiteral("Label3"));
    m_label3->setGeometry(Design::rect(0, 120, 5895, 375));
    m_label3->setFont(titleFont);
    m_label3->setForeColor(Bgr::White);
    m_label3->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_lblTitle[0] = new ClickLabel(QStringLiteral("Zentravio"), this);
    m_lblTitle[0]->setObjectName(QStringLiteral("lblTitle(0)"));
    m_lblTitle[0]->setGeometry(Design::rect(120, 180, 5895, 375));
    m_lblTitle[0]->setFont(titleFont);
    m_lblTitle[0]->setForeColor(Bgr::Black);

    for (int i = 0; i < 2; ++i) {
        dragBy(m_lblTitle[size_t(i)], [this] { WindowDragged(); });
        connect(m_lblTitle[size_t(i)], &ClickLabel::Click, this, [this, i] { lblTitle_Click(i); });
    }

    // Closing the main window ends the program, so its picture takes the key that quits.
    m_image1[0] =
        addClosePicture(QStringLiteral("Image1(0)"), QRect(Design::px(2920), Design::px(45), 17, 17),
                        QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_image1[1] = new ClickLabel(this);
    m_image1[1]->setObjectName(QStringLiteral("Image1(1)"));
    m_image1[1]->setGeometry(Design::px(2640), Design::px(45), 17, 17);
    m_image1[1]->setPixmap(hidePicture());
    m_image1[1]->setAccessibleName(tr("Hide to the tray"));
    m_image1[1]->setCommandKey(QKeySequence(Qt::CTRL | Qt::Key_M));
    for (size_t i = 0; i < m_image1.size(); ++i)
        connect(m_image1[i], &ClickLabel::Click, this, [this, i] { Image1_Click(int(i)); });
}

void MainForm::buildPickers()
{
    m_combo1 = new QComboBox(this);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->setAccessibleName(tr("Month"));
    m_combo1->setGeometry(Design::px(360), Design::px(600), Design::px(1215), Design::px(315));
    connect(m_combo1, &QComboBox::currentIndexChanged, this, &MainForm::Combo1_Click);

    m_combo2 = new QComboBox(this);
    m_combo2->setObjectName(QStringLiteral("Combo2"));
    m_combo2->setAccessibleName(tr("Year"));
    m_combo2->setGeometry(Design::px(1680), Design::px(600), Design::px(1215), Design::px(315));
    connect(m_combo2, &QComboBox::currentIndexChanged, this, &MainForm::Combo2_Click);

    // The window's own face, as on the buttons, so that the longest month name fits the picker.
    for (QComboBox* picker : {m_combo1, m_combo2})
        picker->setFont(Design::font(QStringLiteral("Tahoma"), 8.25));

    const QFont small = Design::font(QStringLiteral("Tahoma"), 6.75);
    m_label1 = new ClickLabel(QStringLiteral("Today's Date:"), this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setGeometry(Design::rect(180, 3645, 2055, 255));
    m_label1->setFont(small);
    m_label1->setForeColor(ColourTheme::forNumber(ColourTheme::Light)->captionFore);

    m_label2 = new ClickLabel(this);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label2->setGeometry(Design::rect(180, 3825, 2655, 255));
    m_label2->setFont(small);
    m_label2->setForeColor(ColourTheme::forNumber(ColourTheme::Light)->dateFore);
}

VemraButton* MainForm::makeButton(const QString& name, const QString& caption, const QRect& place,
                                  ButtonType type)
{
    auto* button = new VemraButton(caption, this);
    button->setObjectName(name);
    button->setAccessibleName(withoutAccessMark(caption));
    button->setButtonType(type);
    button->setColorScheme(OwnColours);
    button->setFont(Design::font(QStringLiteral("Tahoma"), 8.25));
    button->setGeometry(place);
    passFocusOn(button);
    return button;
}

void MainForm::buildCommands()
{
    const std::array<const char*, 4> steps = {"<<", "<", ">", ">>"};
    const std::array<int, 4> stepLefts = {120, 830, 1650, 2350};
    for (size_t i = 0; i < steps.size(); ++i) {
        m_extra[i] = makeButton(QStringLiteral("EXTRA(%1)").arg(i), QLatin1String(steps[i]),
                                Design::rect(stepLefts[i], 3240, 675, 350), ButtonType::ThinEdge);
        connect(m_extra[i], &VemraButton::Click, this, [this, i] { EXTRA_Click(int(i)); });
    }

    m_vemraButton1 = makeButton(QStringLiteral("VemraButton1"), FoldedCaption,
                                Design::rect(2280, 3720, 855, 375), ButtonType::ThinEdge);
    connect(m_vemraButton1, &VemraButton::Click, this, &MainForm::VemraButton1_Click);
    // F9 shows and hides a side column, as in most desktop programs.
    bindCommandKey(m_vemraButton1, QKeySequence(Qt::Key_F9));

    for (size_t i = 0; i < Commands.size(); ++i) {
        const CommandDesign& c = Commands[i];
        m_cmdButton[i] = makeButton(QStringLiteral("cmdButton(%1)").arg(i), QLatin1String(c.caption),
                                    Design::rect(c.left, c.top, c.width, c.height),
                                    i == Max ? ButtonType::RaisedOnHover : ButtonType::ThinEdge);
        connect(m_cmdButton[i], &VemraButton::Click, this, [this, i] { cmdButton_Click(int(i)); });
    }
    // "Max" sits on the title strip, above its labels; its caption marks no key, so it takes the one that
    // makes a window full screen.
    m_cmdButton[Max]->raise();
    bindCommandKey(m_cmdButton[Max], QKeySequence(Qt::Key_F11));
    for (ClickLabel* picture : m_image1)
        picture->raise();
}

void MainForm::buildMenus()
{
    m_mnuFile = new QMenu(this);
    m_mnuFile->setObjectName(QStringLiteral("mnuFile"));
    QAction* longDate = m_mnuFile->addAction(QStringLiteral("&Long Date"), this, &MainForm::mnuLong_Click);
    longDate->setObjectName(QStringLiteral("mnuLong"));
    QAction* shortDate = m_mnuFile->addAction(QStringLiteral("&Short Date"), this, &MainForm::mnuS_Click);
    shortDate->setObjectName(QStringLiteral("mnuS"));

    m_mnu = std::make_unique<QMenu>();
    m_mnu->setObjectName(QStringLiteral("mnu"));
    QAction* about = m_mnu->addAction(QStringLiteral("&About"), this, &MainForm::mnuA_Click);
    about->setObjectName(QStringLiteral("mnuA"));
    // Ctrl+Shift+A: A for the account, with Shift since Alt+A is "About" and Ctrl with a letter is taken
    // by the window's other keys (Ctrl+L, Ctrl+M, Ctrl+Q).
    m_mnuAccount = new QAction(tr("Calendar &account..."), this);
    m_mnuAccount->setObjectName(QStringLiteral("mnuAccount"));
    m_mnuAccount->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    m_mnuAccount->setShortcutContext(Qt::WindowShortcut);
    connect(m_mnuAccount, &QAction::triggered, this, &MainForm::mnuAccount_Click);
    m_mnu->addAction(m_mnuAccount);
    addAction(m_mnuAccount);
    m_mnu->addSeparator();
    m_mnuExit = m_mnu->addAction(QStringLiteral("&Exit"), this, &MainForm::mnuExit_Click);
    m_mnuExit->setObjectName(QStringLiteral("mnuExit"));
}

bool MainForm::isFolded() const
{
    return m_vemraButton1->caption() == FoldedCaption;
}

void MainForm::Form_Load()
{
    for (QComboBox* picker : {m_combo1, m_combo2})
        decorate(picker);

    const QDate today = m_ctx.clock.today();
    m_shownMonth = today.month();
    m_shownYear = today.year();
    SetupDays();

    // The pickers are filled with nothing chosen, so that choosing the shown month and year below runs
    // their handlers as a user's choice would.
    MonthPickers::fill(m_combo1, m_combo2, today.year());
    selectMonth(m_shownMonth - 1);
    setYearPickerText(QString::number(m_shownYear));

    setFixedSize(Design::px(FoldedWidth), height());
    move(m_ctx.screen.primaryGeometry().topLeft()); // the top-most switch puts the window at the origin
    GetFromRegistry();
    showTodaysDate();
    VemraButton1_Click();
    m_ctx.values.ListDocked = false;
    emit AddTrayIcon();
    markDays();
    m_ctx.values.MainHidden = false;
    m_timer1->start();
    // The alarm service runs on its own from now on; Timer1's ticks only hand over to it.
    if (AlarmEngine* engine = m_windows.alarmEngine())
        engine->start();
}

void MainForm::GetFromRegistry()
{
    // The window is placed as it shows unfolded, so that its title strip and whole command column can be
    // reached.
    const StoredSettings::Loaded stored = StoredSettings::GetFromRegistry(
        m_ctx.settings, m_ctx.screen.screens(), QSize(Design::px(UnfoldedWidth), Design::px(DesignHeight)));
    move(stored.position);
    m_ctx.values.ThemeName = stored.themeName;
    if (stored.theme == StoredSettings::ThemeChoice::Dark)
        ApplyTheme(ColourTheme::Dark);
    else if (stored.theme == StoredSettings::ThemeChoice::Light)
        ApplyTheme(ColourTheme::Light);
    m_ctx.values.DateFormatName = stored.dateFormatName;
}

void MainForm::Form_Activate()
{
    markDays();
    m_ctx.values.MainViewActive = true;
    cmdSetfocus()->setFocus();
    showTodaysDate();
}

void MainForm::Form_Unload()
{
    m_timer1->stop();
    if (!StoredSettings::SaveSettings(m_ctx.settings, pos(), m_ctx.values.ThemeName,
                                      m_ctx.values.DateFormatName))
        m_ctx.messages.warning(this,
                               tr("The window position, the colour theme and the date format could not be "
                                  "saved in %1, so the next start will not have them.")
                                   .arg(QDir::toNativeSeparators(m_ctx.settings.fileName())));
    emit RemoveTrayIcon();
    emit ProgramEnd();
}

void MainForm::Timer1_Timer()
{
    if (AlarmEngine* engine = m_windows.alarmEngine())
        engine->Timer1_Timer();
}

AlarmEngine& MainForm::alarmEngine()
{
    return *m_windows.alarmEngine();
}

void MainForm::SetupDays()
{
    m_grid->SetupDays(m_shownMonth, m_shownYear);
    markDays();
}

void MainForm::markDays(TodayMark today)
{
    MonthGrid grid = m_grid->model(m_combo1->currentIndex(), m_combo2->currentText());
    if (today == TodayMark::First)
        DayMarking::MarkToday(grid, DayMarking::GridTag::MainForm, m_ctx.clock.today());
    DayMarking::MarkDays(m_ctx.database.table(), grid, DayMarking::GridTag::MainForm, m_ctx.clock.now(),
                         m_ctx.recurrences);
    if (today == TodayMark::Last)
        DayMarking::MarkToday(grid, DayMarking::GridTag::MainForm, m_ctx.clock.today());
    DayMarking::DescribeDays(m_ctx.database.table(), grid, m_ctx.clock.today(), m_ctx.recurrences);
    m_grid->applyMarks(grid);
    reportStoreError();
}

void MainForm::reportStoreError()
{
    // A schedule file that can no longer be read leaves the calendar showing the entries as last read;
    // the user is told once for each new fault rather than at every marking.
    const QString& error = m_ctx.database.lastError();
    if (error.isEmpty())
        m_shownStoreError.clear(); // the fault is over: should it come back, it is news again
    if (error.isEmpty() || error == m_shownStoreError)
        return;
    m_shownStoreError = error;
    m_ctx.messages.warning(this, error);
}

void MainForm::reapplyTheme()
{
    if (const std::optional<int> theme = ColourTheme::numberForName(m_ctx.values.ThemeName))
        ApplyTheme(*theme);
}

void MainForm::Combo1_Click()
{
    if (m_combo1->currentIndex() < 0)
        return;
    m_shownMonth = m_combo1->currentIndex() + 1;
    SetupDays();
    reapplyTheme();
    markDays();
}

void MainForm::Combo2_Click()
{
    bool ok = false;
    const int year = m_combo2->currentText().toInt(&ok);
    if (!ok)
        return;
    m_shownYear = year;
    SetupDays();
    reapplyTheme();
    markDays();
}

void MainForm::selectMonth(int index)
{
    m_combo1->setCurrentIndex(index);
}

bool MainForm::setYearPickerText(const QString& text)
{
    // The year picker is a drop-down list: a year it does not list cannot be chosen.
    const int index = m_combo2->findText(text, Qt::MatchExactly);
    if (index < 0)
        return false;
    m_combo2->setCurrentIndex(index);
    return true;
}

int MainForm::yearPickerValue() const
{
    return m_combo2->currentText().toInt();
}

void MainForm::EXTRA_Click(int index)
{
    const int month = m_combo1->currentIndex();
    switch (index) {
    case 0:
        setYearPickerText(QString::number(yearPickerValue() - 1));
        break;
    case 1:
        if (month == 0) {
            selectMonth(11);
            setYearPickerText(QString::number(yearPickerValue() - 1));
        } else {
            selectMonth(month - 1);
        }
        break;
    case 2:
        if (month == 11) {
            selectMonth(0);
            setYearPickerText(QString::number(yearPickerValue() + 1));
        } else {
            selectMonth(month + 1);
        }
        break;
    case 3:
        setYearPickerText(QString::number(yearPickerValue() + 1));
        break;
    default:
        break;
    }
}

void MainForm::highlightCell(int index)
{
    const std::optional<int> theme = ColourTheme::numberForName(m_ctx.values.ThemeName);
    if (theme == ColourTheme::Light)
        m_grid->highlight(index, Bgr::Black, Bgr::White, Bgr::White, Bgr::Black);
    else if (theme == ColourTheme::Dark)
        m_grid->highlight(index, Bgr::White, Bgr::Black, Bgr::Black, Bgr::White);
    markDays();
}

void MainForm::DaySlot_Click(int index)
{
    highlightCell(index);
    const std::optional<QDate> date = DateText::readDate(cellDateText(index));
    if (!date)
        return;
    m_chosenDay = *date;
    m_ctx.values.LastDateText = DateText::namedFormat(*date, m_ctx.values.DateFormatName);
    ::CopyDateText(m_ctx.values);
}

QString MainForm::cellDateText(int index) const
{
    const ClickLabel* cell = m_grid->DaySlot(index);
    if (!cell)
        return {};
    return DateText::cellDateText(m_combo1->currentIndex() + 1, cell->text(), m_combo2->currentText());
}

int MainForm::showDay(QDate day)
{
    if (day.month() != m_combo1->currentIndex() + 1 || day.year() != yearPickerValue()) {
        // The pickers list ten years either side of this one; a day beyond them cannot be shown.
        if (m_combo2->findText(QString::number(day.year()), Qt::MatchExactly) < 0)
            return -1;
        selectMonth(day.month() - 1);
        setYearPickerText(QString::number(day.year()));
    }
    for (int i = 0; i < m_grid->count(); ++i) {
        const ClickLabel* cell = m_grid->DaySlot(i);
        if (cell->isVisibleTo(this) && cell->text() == QString::number(day.day()))
            return i;
    }
    return -1;
}

bool MainForm::Form_KeyPress(int key, Qt::KeyboardModifiers modifiers)
{
    const QDate chosen = DayKeys::startingDay(m_chosenDay, m_ctx.clock.today(), m_combo1->currentIndex() + 1,
                                              yearPickerValue());
    if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
        const int cell = showDay(chosen);
        if (cell < 0)
            return true;
        if (key == Qt::Key_Space)
            DaySlot_Click(cell);
        else
            DaySlot_DblClick(cell);
        return true;
    }
    const std::optional<QDate> day = DayKeys::moved(chosen, key, modifiers & Qt::ControlModifier);
    if (!day)
        return false;
    const int cell = showDay(*day);
    if (cell >= 0) {
        m_chosenDay = *day;
        highlightCell(cell);
    }
    return true;
}

QWidget* MainForm::dayTarget() const
{
    const QDate day = DayKeys::startingDay(m_chosenDay, m_ctx.clock.today(), m_combo1->currentIndex() + 1,
                                           yearPickerValue());
    return m_grid->DaySlot(m_grid->cellOfDay(day.day()));
}

void MainForm::DaySlot_DblClick(int index)
{
    const std::optional<QDate> date = DateText::readDate(cellDateText(index));
    if (!date)
        return;
    FormAddSched* dialog = m_windows.addScheduleDialog();
    if (!dialog)
        return;
    setEnabled(false);
    dialog->loadIfNeeded();
    dialog->EntryDate()->setValue(DateText::mmddyyyy(*date));
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    m_ctx.values.OpenedFrom = AddDialogOpener::MainWindow;
}

void MainForm::AddDialogClosed(AddDialogOpener openedFrom)
{
    if (openedFrom != AddDialogOpener::MainWindow)
        return;
    setEnabled(true);
    // The new entry shows at once, without waiting for the window to be activated again.
    markDays();
    activateWindow();
}

void MainForm::DaySlot_MouseMove(int index)
{
    ClickLabel* cell = m_grid->DaySlot(index);
    if (!cell)
        return;
    const QString cellDate = cellDateText(index);
    const std::optional<QDate> date = DateText::readDate(cellDate);
    const QString dateText = date ? DateText::mmddyyyy(*date) : cellDate;
    cell->setToolTip(PlainText::hint(DayMarking::DaySummary(m_ctx.database.table(), dateText, m_ctx.recurrences)));
    reportStoreError();
}

void MainForm::WindowDragged()
{
    redockListWindow();
    markDays();
}

void MainForm::lblTitle_Click(int)
{
    markDays();
}

void MainForm::Image1_Click(int index)
{
    if (index == 0) {
        close();
    } else if (index == 1) {
        m_windows.HideToTray(this);
        m_windows.UnloadListWindow();
        m_ctx.values.MainHidden = true;
    }
}

void MainForm::shiftLeft(QWidget* widget, int twips)
{
    widget->move(Design::px(Design::twipsOf(widget->x()) + twips), widget->y());
}

void MainForm::VemraButton1_Click()
{
    if (m_vemraButton1->caption() != FoldedCaption) {
        m_vemraButton1->move(Design::px(2280), m_vemraButton1->y());
        shiftLeft(m_cmdButton[Max], -TitleShift);
        shiftLeft(m_image1[0], -TitleShift);
        shiftLeft(m_image1[1], -TitleShift);
        m_vemraButton1->setCaption(FoldedCaption);
        m_vemraButton1->setAccessibleName(FoldedCaption);
        setFixedSize(Design::px(FoldedWidth), height());
        m_windows.UnloadListWindow();
        m_ctx.values.ListDocked = false;
    } else {
        m_vemraButton1->move(Design::px(3600), m_vemraButton1->y());
        shiftLeft(m_cmdButton[Max], TitleShift);
        shiftLeft(m_image1[0], TitleShift);
        shiftLeft(m_image1[1], TitleShift);
        m_vemraButton1->setCaption(UnfoldedCaption);
        m_vemraButton1->setAccessibleName(UnfoldedCaption);
        setFixedSize(Design::px(UnfoldedWidth), height());
        if (FormGrid* list = m_windows.listWindow())
            list->move(x() + width(), y());
        markDays();
    }
}

void MainForm::cmdButton_Click(int index)
{
    switch (index) {
    case ChangeColor:
        if (const std::optional<int> theme = ColourTheme::numberForName(m_ctx.values.ThemeName))
            ApplyTheme(*theme == ColourTheme::Dark ? ColourTheme::Light : ColourTheme::Dark);
        markDays();
        break;
    case Max:
        if (formYear* year = m_windows.yearWindow())
            BringForward(year);
        m_windows.UnloadListWindow(); // `ListDocked` stays, so the list comes back with this window
        break;
    case DateFormat: {
        const VemraButton* button = m_cmdButton[DateFormat];
        m_mnuFile->popup(mapToGlobal(QPoint(button->x(), button->y() + button->height() + Design::px(20))));
        break;
    }
    case About:
        emit AboutRequested();
        setEnabled(false);
        break;
    case Exit:
        close();
        break;
    case Countdown: {
        FormGrid* list = m_windows.listWindow();
        if (!list)
            break;
        const ListDocking::Place place = ListDocking::dockBeside(QRect(pos(), size()), list->width());
        m_ctx.values.DockSide = place.side;
        list->move(place.topLeft);
        list->show();
        m_cmdButton[Countdown]->setEnabled(false);
        m_ctx.values.ListDocked = true;
        markDays(TodayMark::First);
        break;
    }
    case Organizer:
        hide();
        // Unloaded without clearing ListDocked, so that the list comes back docked with this window.
        m_windows.UnloadListWindow();
        if (QWidget* organizer = m_windows.organizer())
            BringForward(organizer);
        break;
    default:
        break;
    }
}

void MainForm::DockListWindow()
{
    FormGrid* list = m_windows.listWindow();
    if (!list)
        return;
    list->move(ListDocking::placeOnSide(QRect(pos(), size()), list->width(), m_ctx.values.DockSide));
    list->show();
    m_cmdButton[Countdown]->setEnabled(false);
}

void MainForm::redockListWindow()
{
    if (isFolded())
        return;
    if (FormGrid* list = m_windows.loadedListWindow())
        list->move(ListDocking::placeOnSide(QRect(pos(), size()), list->width(), m_ctx.values.DockSide));
}

void MainForm::ListWindowUnloaded()
{
    m_cmdButton[Countdown]->setEnabled(true);
}

void MainForm::showTodaysDate()
{
    m_label2->setText(DateText::namedFormat(m_ctx.clock.today(), m_ctx.values.DateFormatName));
}

void MainForm::mnuLong_Click()
{
    m_ctx.values.DateFormatName = DateText::LongDate;
    showTodaysDate();
}

void MainForm::mnuS_Click()
{
    m_ctx.values.DateFormatName = DateText::ShortDate;
    showTodaysDate();
}

void MainForm::mnuA_Click()
{
    cmdButton_Click(About);
}

void MainForm::mnuAccount_Click()
{
    if (FormAccount* account = m_windows.accountWindow())
        account->ShowAccount();
}

void MainForm::mnuExit_Click()
{
    close();
}

void MainForm::ApplyTheme(int themeNumber)
{
    const std::optional<ColourTheme> theme = ColourTheme::forNumber(themeNumber);
    if (!theme)
        return;
    // Both themed windows change together; the dark theme colours the list first.
    FormGrid* list = m_windows.listWindow();
    if (list && themeNumber == ColourTheme::Dark)
        list->ApplyListTheme(*theme);
    m_grid->paintAll(theme->dayBack, theme->dayFore);
    m_grid->paintHeaders(theme->headerFore);
    m_vemraButton1->setBackColor(theme->optionsBack);
    m_vemraButton1->setBackOver(theme->optionsBack);
    m_lblTitle[0]->setForeColor(theme->titleFore);
    m_lblTitle[1]->setBackColor(theme->titleStripBack);
    m_label3->setForeColor(theme->shadowFore);
    setBackColor(theme->windowBack);
    m_label1->setForeColor(theme->captionFore);
    m_label2->setForeColor(theme->dateFore);
    setButtonColours(m_cmdButton[Max], theme->maxBack, theme->maxFore);
    for (Command command : {DateFormat, ChangeColor, About, Exit, Organizer, Countdown})
        setButtonColours(m_cmdButton[command], theme->commandBack, theme->commandFore);
    for (VemraButton* step : m_extra)
        setButtonColours(step, theme->commandBack, theme->commandFore);
    if (list && themeNumber == ColourTheme::Light)
        list->ApplyListTheme(*theme);
    m_ctx.values.ThemeName = theme->name;
    emit ThemeApplied(themeNumber);
}
