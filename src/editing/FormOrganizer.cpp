#include "editing/FormOrganizer.h"

#include "controls/IconList.h"
#include "controls/ListGrid.h"
#include "controls/VemraButton.h"
#include "editing/DateEdit.h"
#include "editing/FormAddSched.h"
#include "editing/NoteEdit.h"
#include "editing/OneLineLimit.h"
#include "editing/OrganizerGrid.h"
#include "editing/TimeEdit.h"
#include "forms/AppContext.h"
#include "forms/ClickLabel.h"
#include "forms/DesignUnits.h"
#include "forms/MonthGridCells.h"
#include "forms/MonthPickers.h"
#include "forms/PlainText.h"
#include "forms/WindowHelpers.h"
#include "forms/WindowOwner.h"
#include "store/DateText.h"
#include "store/DayKeys.h"
#include "store/DayMarking.h"
#include "store/KeptRecurrences.h"
#include "store/RuleFile.h"
#include "store/ScheduleDatabase.h"

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int DesignWidth = 11145;
constexpr int DesignHeight = 7050;
constexpr BgrColor WindowBack = 0xC0C0C0;
// An orange-brown that reads on the window's grey.
constexpr BgrColor LinkColour = 0x2E8C;
// Dark red on the window's grey.
constexpr BgrColor UnreadableColour = 0x000080;

const QString PastNotice = QStringLiteral("This record occurs in the past. ");
const QString ExpiredLine = QStringLiteral("The scheduled date and time is already expired.");
const QString ExpiredLineCompact = QStringLiteral("The scheduled date and time is already");

struct CommandDesign
{
    const char* caption;
    int left;
};

// By index: the bottom row reads Cancel, Save, Edit, Delete, Add Today from the left.
constexpr std::array<CommandDesign, FormOrganizer::CommandCount> Commands = {{
    {"&Edit", 2640},
    {"&Add Today", 5040},
    {"&Delete", 3840},
    {"C&ancel", 240},
    {"&Save", 1440},
}};

ClickLabel* makeLabel(QWidget* form, const QString& name, const QString& text, const QRect& place)
{
    auto* label = new ClickLabel(text, form);
    label->setObjectName(name);
    label->setGeometry(place);
    return label;
}

void shiftLeft(QWidget* control, int twips)
{
    control->move(control->x() - Design::px(twips), control->y());
}

void narrow(QWidget* control, int twips)
{
    control->resize(control->width() - Design::px(twips), control->height());
}

} // namespace

FormOrganizer::FormOrganizer(AppContext& context, WindowOwner& windows)
    : DesignForm(QStringLiteral("FormOrganizer"), QStringLiteral("Zentravio Organizer"), Band::TopMost),
      m_ctx(context), m_windows(windows)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setDesignSize(DesignWidth, DesignHeight);
    setBackColor(WindowBack);
    setFont(Design::font(QStringLiteral("Tahoma"), 8.25));
    setMouseTracking(true);

    buildTitleStrip();
    buildCalendar();
    buildPanel();
    buildAlarmArea();
    buildCommands();
}

FormOrganizer::~FormOrganizer() = default;

ListGrid* FormOrganizer::Grid() const
{
    return m_grid;
}

void FormOrganizer::buildTitleStrip()
{
    m_label1 = makeLabel(this, QStringLiteral("Label1"), QString(), Design::rect(-120, 0, 11295, 615));
    m_label1->setOpaque(true);
    m_label1->setBackColor(Bgr::Black);

    // The shadow first, so that the white caption lies over it.
    const QFont titleFont = Design::font(QStringLiteral("Tahoma"), 12, true);
    m_label2[1] =
        makeLabel(this, QStringLiteral("Label2(1)"), windowTitle(), Design::rect(390, 260, 4000, 375));
    m_label2[1]->setForeColor(Bgr::Black);
    m_label2[0] =
        makeLabel(this, QStringLiteral("Label2(0)"), windowTitle(), Design::rect(360, 240, 4000, 375));
    m_label2[0]->setForeColor(Bgr::White);
    for (ClickLabel* label : {m_label1, m_label2[0], m_label2[1]}) {
        label->setFont(titleFont);
        dragBy(label);
    }

    m_image1 = addClosePicture(QStringLiteral("Image1"), QRect(Design::px(10810), Design::px(80), 17, 17));
    connect(m_image1, &ClickLabel::Click, this, [this] { close(); });
}

void FormOrganizer::buildCalendar()
{
    m_grid = new ListGrid(this);
    m_grid->setObjectName(QStringLiteral("Grid"));
    m_grid->setAccessibleName(tr("Every entry"));
    m_grid->setGeometry(Design::rect(360, 1080, 5775, 3255));
    m_organizerGrid =
        new OrganizerGrid(m_grid, [this]() -> const ScheduleTable& { return m_ctx.database.cachedTable(); });
    if (m_ctx.recurrences)
        m_organizerGrid->setRuleWords([this](qint64 rowId) { return m_ctx.recurrences->words(rowId); });
    connect(m_grid, &ListGrid::SelectionChange, this, [this] { Grid_SelectionChange(); });

    m_combo1 = new QComboBox(this);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->setAccessibleName(tr("Month"));
    m_combo1->setGeometry(Design::rect(7440, 1440, 1215, 315));
    connect(m_combo1, &QComboBox::activated, this, &FormOrganizer::Combo1_Click);

    m_combo2 = new QComboBox(this);
    m_combo2->setObjectName(QStringLiteral("Combo2"));
    m_combo2->setAccessibleName(tr("Year"));
    m_combo2->setGeometry(Design::rect(8760, 1440, 1215, 315));
    connect(m_combo2, &QComboBox::activated, this, &FormOrganizer::Combo2_Click);

    m_cells = new MonthGridCells(this, m_ctx.beeper, DayCellDesign::organizer());
    connect(m_cells, &MonthGridCells::Click, this, &FormOrganizer::DaySlot_Click);
    connect(m_cells, &MonthGridCells::DblClick, this, &FormOrganizer::DaySlot_DblClick);
    connect(m_cells, &MonthGridCells::MouseMove, this, &FormOrganizer::DaySlot_MouseMove);
}

void FormOrganizer::buildPanel()
{
    const std::array<std::pair<const char*, QPoint>, 5> captions = {{{"Date:", {360, 4560}},
                                                                     {"Event:", {360, 4920}},
                                                                     {"Subject:", {3360, 4920}},
                                                                     {"Note:", {360, 5280}},
                                                                     {"Alarm Time:", {3120, 4560}}}};
    for (size_t i = 0; i < captions.size(); ++i)
        makeLabel(this, QStringLiteral("Label3(%1)").arg(i), QLatin1String(captions[i].first),
                  Design::rect(captions[i].second.x(), captions[i].second.y() + 30, 960, 255));

    m_dateCtrl = new DateEdit(this);
    m_dateCtrl->setObjectName(QStringLiteral("DateCtrl"));
    nameField(m_dateCtrl, tr("Date"));
    m_dateCtrl->setGeometry(Design::rect(960, 4560, 1935, 300));

    m_timeCtrl = new TimeEdit(this);
    m_timeCtrl->setObjectName(QStringLiteral("TimeCtrl"));
    nameField(m_timeCtrl, tr("Alarm time"));
    m_timeCtrl->setGeometry(Design::rect(4080, 4560, 2055, 300));
    m_timeCtrl->setValue(QStringLiteral("12:00:00 AM"));

    // A drop-down list: only the listed kinds can be chosen, and no choice at all reads as empty.
    m_combo3 = new QComboBox(this);
    m_combo3->setObjectName(QStringLiteral("Combo3"));
    m_combo3->setAccessibleName(tr("Event"));
    m_combo3->addItems({QStringLiteral("Monthly"), QStringLiteral("Yearly"), QStringLiteral("EveryDay"),
                        QStringLiteral("Monday to Friday"), QStringLiteral("Onetime")});
    m_combo3->setCurrentIndex(-1);
    m_combo3->setGeometry(Design::rect(960, 4920, 2055, 315));

    m_subject = new QLineEdit(this);
    m_subject->setObjectName(QStringLiteral("txtBox(2)"));
    m_subject->setAccessibleName(tr("Subject"));
    m_subjectLimit = new OneLineLimit(m_subject, fieldInfo(ScheduleField::Subject).size);
    m_subject->setGeometry(Design::rect(4080, 4920, 2055, 300));

    m_note = new NoteEdit(fieldInfo(ScheduleField::Note).size, this);
    m_note->setObjectName(QStringLiteral("txtBox(3)"));
    m_note->setAccessibleName(tr("Note"));
    m_note->setTabChangesFocus(true); // Tab goes on to the next field, as in every other box
    m_note->setGeometry(Design::rect(960, 5280, 5175, 1020));

    setPanelEditable(false);
}

void FormOrganizer::buildAlarmArea()
{
    m_imgONOFF = makeLabel(this, QStringLiteral("imgONOFF"), QString(), Design::rect(6360, 4680, 480, 480));
    m_imgONOFF->setAlignment(Qt::AlignCenter);

    m_lbl1 = makeLabel(this, QStringLiteral("lbl1"),
                       QStringLiteral("The Alarm for this schedule is currently OFF"),
                       Design::rect(6960, 4680, 3900, 255));
    m_clickHere = makeLabel(this, QStringLiteral("ClickHere"), QStringLiteral("Click here"),
                            Design::rect(6960, 4935, 720, 255));
    m_clickHere->setCursor(Qt::PointingHandCursor);
    m_clickHere->setAlignment(Qt::AlignCenter);
    // The link is as wide as its words, and the sentence goes on right after it.
    m_clickHere->resize(m_clickHere->sizeHint().width() + 4, m_clickHere->height());
    setClickHereHighlighted(false);
    connect(m_clickHere, &ClickLabel::Click, this, &FormOrganizer::ClickHere_Click);
    // Ctrl+T turns the selected entry's alarm on or off, as the link does.
    m_clickHere->setCommandKey(QKeySequence(Qt::CTRL | Qt::Key_T));
    connect(m_clickHere, &ClickLabel::MouseMove, this, [this] { setClickHereHighlighted(true); });
    m_clickHere->installEventFilter(this);
    m_lbl2 = makeLabel(this, QStringLiteral("lbl2"), QStringLiteral("to turn ON the alarm for this "),
                       QRect(m_clickHere->geometry().right() + 4, m_clickHere->y(), Design::px(3100),
                             m_clickHere->height()));
    m_label5 = makeLabel(this, QStringLiteral("Label5"), QStringLiteral("schedule."),
                         Design::rect(6960, 5190, 3900, 255));
    for (ClickLabel* plain : {m_imgONOFF, m_lbl1, m_lbl2, m_label5})
        connect(plain, &ClickLabel::MouseMove, this, [this] { setClickHereHighlighted(false); });

    m_image2 = makeLabel(this, QStringLiteral("Image2"), QString(), Design::rect(6360, 5400, 480, 480));
    m_image2->setAlignment(Qt::AlignCenter);
    m_label6 = makeLabel(this, QStringLiteral("Label6"), PastNotice, Design::rect(6960, 5520, 3900, 255));
    m_label7 = makeLabel(this, QStringLiteral("Label7"), ExpiredLine, Design::rect(6960, 5775, 3900, 255));
    m_label9 = makeLabel(this, QStringLiteral("Label9"), QStringLiteral("expired."),
                         Design::rect(6960, 6030, 3900, 255));
    showPastNotice(false);

    // In the place of the past notice, which needs a readable date and time, for an entry whose date or
    // time another program wrote in a form this one cannot read.
    m_lblUnreadable = makeLabel(this, QStringLiteral("lblUnreadable"),
                                QStringLiteral("The date or alarm time of this record cannot be read. "
                                               "Edit it to save the record."),
                                Design::rect(6360, 5520, 4500, 510));
    m_lblUnreadable->setWordWrap(true);
    m_lblUnreadable->setForeColor(UnreadableColour);
    showUnreadableNotice(false);

    // Laid over the alarm area while no entry is selected.
    m_frame1 = new QFrame(this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setFrameShape(QFrame::StyledPanel);
    m_frame1->setAutoFillBackground(true);
    m_frame1->setGeometry(Design::rect(6360, 4680, 4455, 1575));
    auto* label4 = new ClickLabel(QStringLiteral("No schedule selected"), m_frame1);
    label4->setObjectName(QStringLiteral("Label4"));
    label4->setAlignment(Qt::AlignCenter);
    label4->setGeometry(m_frame1->rect());
}

void FormOrganizer::buildCommands()
{
    for (size_t i = 0; i < Commands.size(); ++i) {
        auto* button = new VemraButton(QLatin1String(Commands[i].caption), this);
        button->setObjectName(QStringLiteral("VemraButton1(%1)").arg(i));
        button->setAccessibleName(QString::fromLatin1(Commands[i].caption).remove(u'&'));
        button->setButtonType(ButtonType::ThinEdge);
        button->setFont(Design::font(QStringLiteral("Tahoma"), 8.25));
        button->setGeometry(Design::rect(Commands[i].left, 6480, 1095, 375));
        button->setEnabled(i == AddToday);
        passFocusOn(button);
        connect(button, &VemraButton::Click, this, [this, i] { VemraButton1_Click(int(i)); });
        m_vemraButton1[i] = button;
    }

    m_vemraButton2 = new VemraButton(QStringLiteral("&Back to Main"), this);
    m_vemraButton2->setObjectName(QStringLiteral("VemraButton2"));
    m_vemraButton2->setAccessibleName(tr("Back to Main"));
    m_vemraButton2->setButtonType(ButtonType::ThinEdge);
    m_vemraButton2->setFont(Design::font(QStringLiteral("Tahoma"), 8.25));
    m_vemraButton2->setGeometry(Design::rect(9840, 6480, 1215, 375));
    passFocusOn(m_vemraButton2);
    connect(m_vemraButton2, &VemraButton::Click, this, &FormOrganizer::VemraButton2_Click);

    // Tab reads the window from the days and their pickers through the table and the panel to the
    // commands; the close picture comes last.
    setKeyboardOrder({cmdSetfocus(), m_combo1, m_combo2, m_grid, m_dateCtrl, m_timeCtrl, m_combo3, m_subject,
                      m_note, m_clickHere, m_vemraButton1[Cancel], m_vemraButton1[Save], m_vemraButton1[Edit],
                      m_vemraButton1[Delete], m_vemraButton1[AddToday], m_vemraButton2, m_image1});
}

void FormOrganizer::Form_Load()
{
    applyCompactLayout();
    SetTopMost(this, true);
    centreOn(m_ctx.screen);
    for (QWidget* box : std::initializer_list<QWidget*>{m_combo1, m_combo2, m_combo3, m_subject, m_note})
        decorate(box);

    const QDate today = m_ctx.clock.today();
    m_month = today.month();
    m_year = today.year();
    SetupDays();

    MonthPickers::fill(m_combo1, m_combo2, m_year);
    {
        const QSignalBlocker blockMonths(m_combo1);
        const QSignalBlocker blockYears(m_combo2);
        m_combo1->setCurrentIndex(m_month - 1);
        m_combo2->setCurrentIndex(m_combo2->findText(QString::number(m_year)));
    }

    m_organizerGrid->SetupGrid(m_ctx.database.table(), m_ctx.clock.now());
    m_dateCtrl->setValue(QString());
    m_timeCtrl->setValue(QString());
    m_image2->setPixmap(m_organizerGrid->ImgList()->ItemPicture(4));
    applyCompactLayout();
}

void FormOrganizer::applyCompactLayout()
{
    if (m_ctx.screen.primaryGeometry().width() != 640) {
        m_compact = false;
        return;
    }
    const QRect screen = m_ctx.screen.primaryGeometry();
    setFixedSize(screen.size());
    QWidget* cell0 = m_cells->DaySlot(0);
    cell0->setGeometry(Design::px(5680), cell0->y(), Design::px(528), cell0->height());
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_grid, m_combo3, m_subject, m_note, m_dateCtrl, m_timeCtrl})
        narrow(control, 300);
    shiftLeft(m_combo1, 500);
    shiftLeft(m_combo2, 500);
    shiftLeft(m_image1, 820);
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_frame1, m_image2, m_imgONOFF, m_lbl1, m_lbl2, m_clickHere,
                                         m_label5, m_label6, m_label7, m_label9, m_lblUnreadable})
        shiftLeft(control, 400);
    shiftLeft(m_vemraButton2, 850);
    m_label7->setText(ExpiredLineCompact);
    m_label9->setVisible(m_label7->isVisibleTo(this));
    m_compact = true;
}

void FormOrganizer::Form_Activate()
{
    markDays();
    cmdSetfocus()->setFocus();
    m_ctx.values.MainViewActive = false;
    m_ctx.values.OrganizerViewActive = true;
}

void FormOrganizer::Form_Unload()
{
    // Brought forward, not only shown, so that its activation makes it the window the tray controls.
    if (QWidget* main = m_windows.mainWindow())
        BringForward(main);
    // The countdown list comes back where the main window left it: docked beside it when it was.
    if (m_ctx.values.ListDocked)
        m_windows.DockListWindow();
    else
        m_windows.UnloadListWindow();
}

void FormOrganizer::SetupDays()
{
    m_cells->SetupDays(m_month, m_year);
    markDays();
}

void FormOrganizer::markDays()
{
    MonthGrid grid = m_cells->model(m_month - 1, QString::number(m_year));
    DayMarking::MarkDays(m_ctx.database.table(), grid, DayMarking::GridTag::FormOrganizer, m_ctx.clock.now(),
                         m_ctx.recurrences);
    DayMarking::MarkToday(grid, DayMarking::GridTag::FormOrganizer, m_ctx.clock.today());
    DayMarking::DescribeDays(m_ctx.database.table(), grid, m_ctx.clock.today(), m_ctx.recurrences);
    m_cells->applyMarks(grid);
}

void FormOrganizer::Combo1_Click()
{
    if (m_combo1->currentIndex() < 0)
        return;
    m_month = m_combo1->currentIndex() + 1;
    SetupDays();
}

void FormOrganizer::Combo2_Click()
{
    bool ok = false;
    const int year = m_combo2->currentText().toInt(&ok);
    if (!ok)
        return;
    m_year = year;
    SetupDays();
}

void FormOrganizer::DaySlot_Click(int index)
{
    const DayCellDesign design = DayCellDesign::organizer();
    // The chosen day turned round: dark on light among the light-on-dark days.
    m_cells->highlight(index, design.fore, design.back, design.back, design.fore);
    markDays();
    // While an entry is being edited the panel keeps it; another day's entry would take its place.
    if (!editing()) {
        if (const ClickLabel* cell = m_cells->DaySlot(index))
            Check2Grid(cell->text().toInt(), m_combo1->currentIndex() + 1, m_combo2->currentText().toInt());
    }
    cmdSetfocus()->setFocus();
}

QWidget* FormOrganizer::dayTarget() const
{
    return m_cells->DaySlot(cellOf(DayKeys::startingDay(m_chosenDay, m_ctx.clock.today(), m_month, m_year)));
}

int FormOrganizer::cellOf(QDate day) const
{
    if (day.month() != m_month || day.year() != m_year)
        return -1;
    for (int i = 0; i < m_cells->count(); ++i) {
        const ClickLabel* cell = m_cells->DaySlot(i);
        if (cell->isVisibleTo(this) && cell->text() == QString::number(day.day()))
            return i;
    }
    return -1;
}

bool FormOrganizer::Form_KeyPress(int key, Qt::KeyboardModifiers modifiers)
{
    // Ctrl with Up or Down walks the table row by row, so that every entry is in reach of the keyboard,
    // not only the first of each day. While an entry is edited the panel keeps it, as for a click.
    if ((modifiers & Qt::ControlModifier) && (key == Qt::Key_Up || key == Qt::Key_Down)) {
        if (!editing())
            selectNeighbourRow(key == Qt::Key_Down ? 1 : -1);
        return true;
    }
    const QDate chosen = DayKeys::startingDay(m_chosenDay, m_ctx.clock.today(), m_month, m_year);
    if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
        const int cell = cellOf(chosen);
        if (cell >= 0 && key == Qt::Key_Space)
            DaySlot_Click(cell);
        else if (cell >= 0)
            DaySlot_DblClick(cell);
        return true;
    }
    const std::optional<QDate> day = DayKeys::moved(chosen, key, modifiers & Qt::ControlModifier);
    if (!day)
        return false;
    if (day->month() != m_month || day->year() != m_year) {
        // The year list holds ten years either side of this one; a day beyond them is not shown.
        const int yearIndex = m_combo2->findText(QString::number(day->year()));
        if (yearIndex < 0)
            return true;
        const QSignalBlocker blockMonths(m_combo1);
        const QSignalBlocker blockYears(m_combo2);
        m_combo1->setCurrentIndex(day->month() - 1);
        m_combo2->setCurrentIndex(yearIndex);
        m_month = day->month();
        m_year = day->year();
        SetupDays();
    }
    m_chosenDay = *day;
    if (const int cell = cellOf(*day); cell >= 0)
        DaySlot_Click(cell);
    return true;
}

void FormOrganizer::DaySlot_DblClick(int index)
{
    const ClickLabel* cell = m_cells->DaySlot(index);
    if (!cell)
        return;
    const std::optional<QDate> date = DateText::readDate(
        DateText::cellDateText(m_combo1->currentIndex() + 1, cell->text(), m_combo2->currentText()));
    if (!date || !m_vemraButton1[AddToday]->isEnabled())
        return;
    VemraButton1_Click(AddToday);
    if (FormAddSched* dialog = m_windows.addScheduleDialog())
        dialog->EntryDate()->setValue(DateText::mmddyyyy(*date));
}

void FormOrganizer::DaySlot_MouseMove(int index)
{
    ClickLabel* cell = m_cells->DaySlot(index);
    if (!cell)
        return;
    const std::optional<QDate> date = DateText::readDate(
        DateText::cellDateText(m_combo1->currentIndex() + 1, cell->text(), m_combo2->currentText()));
    if (!date)
        return;
    cell->setToolTip(
        PlainText::hint(DayMarking::DaySummary(m_ctx.database.table(), DateText::mmddyyyy(*date), m_ctx.recurrences)));
}

void FormOrganizer::Check2Grid(int day, int month, int year)
{
    const QDate date(year, month, day);
    if (!date.isValid())
        return;
    const int row = m_organizerGrid->rowOfDate(DateText::mmddyyyy(date));
    if (row == 0)
        return;
    m_grid->setSelectedRow(row);
    Grid_SelectionChange();
}

void FormOrganizer::selectNeighbourRow(int step)
{
    const int rows = m_grid->Rows();
    const int selected = m_grid->SelectedRow();
    const int row = selected == 0 ? 1 : std::clamp(selected + step, 1, rows);
    if (row > rows || row == selected)
        return;
    m_grid->setSelectedRow(row);
    Grid_SelectionChange();
}

void FormOrganizer::Grid_SelectionChange()
{
    const int row = m_grid->SelectedRow();
    if (row < 1)
        return;
    const std::optional<qint64> rowId = m_organizerGrid->rowIdOf(row);
    if (!rowId || !m_selected.select(m_ctx.database.table(), *rowId)) {
        // The row's entry has left the schedule since the rows were made: nothing is left to act on.
        resetWindow();
        return;
    }
    showSelectedEntry();
    m_vemraButton1[Edit]->setEnabled(true);
    m_vemraButton1[Delete]->setEnabled(true);
    m_frame1->hide();
    cmdSetfocus()->setFocus();
}

void FormOrganizer::showSelectedEntry()
{
    const ScheduleEntry& stored = m_selected.stored();
    m_subjectLimit->showStored(stored[ScheduleField::Subject]);
    m_note->setPlainText(stored[ScheduleField::Note]);
    m_selected.setShownNote(m_note->toPlainText());
    // An entry that keeps a recurrence shows its rule in words as a sixth choice, which stands for
    // keeping it; the five kinds stay there to replace it.
    while (m_combo3->count() > FiveKinds)
        m_combo3->removeItem(FiveKinds);
    const QString words = m_ctx.recurrences && kindOf(stored[ScheduleField::Kind]) == ScheduleKind::Unknown
                              ? m_ctx.recurrences->words(m_selected.rowId())
                              : QString();
    if (!words.isEmpty()) {
        m_combo3->addItem(words, QString::fromLatin1(RuleFile::RecurringKind));
        m_combo3->setCurrentIndex(FiveKinds);
    } else {
        m_combo3->setCurrentIndex(m_combo3->findText(stored[ScheduleField::Kind], Qt::MatchFixedString));
    }
    m_dateCtrl->showStored(stored[ScheduleField::Date]);
    m_timeCtrl->showStored(stored[ScheduleField::AlarmTime]);

    showAlarmSentence(m_selected.alarmOn());
    showUnreadableNotice(m_selected.unreadable());
    showPastNotice(OrganizerGrid::isPast(stored[ScheduleField::Date], stored[ScheduleField::AlarmTime],
                                         m_ctx.clock.now()));
}

void FormOrganizer::showAlarmSentence(bool on)
{
    m_lbl1->setText(on ? QStringLiteral("The Alarm for this schedule is currently ON.")
                       : QStringLiteral("The Alarm for this schedule is currently OFF."));
    m_lbl2->setText(on ? QStringLiteral("to turn OFF the alarm for this")
                       : QStringLiteral("to turn ON the alarm for this"));
    m_imgONOFF->setPixmap(m_organizerGrid->ImgList()->ItemPicture(on ? 2 : 1));
}

void FormOrganizer::showPastNotice(bool past)
{
    m_image2->setVisible(past);
    m_label6->setVisible(past);
    m_label7->setVisible(past);
    m_label9->setVisible(past && m_compact);
}

void FormOrganizer::showUnreadableNotice(bool unreadable)
{
    m_lblUnreadable->setVisible(unreadable);
}

void FormOrganizer::setClickHereHighlighted(bool highlighted)
{
    m_clickHere->setOpaque(highlighted);
    if (highlighted)
        m_clickHere->setColors(LinkColour, Bgr::White);
    else
        m_clickHere->setColors(WindowBack, LinkColour);
}

void FormOrganizer::mouseMoveEvent(QMouseEvent* event)
{
    setClickHereHighlighted(false);
    DesignForm::mouseMoveEvent(event);
}

bool FormOrganizer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_clickHere && event->type() == QEvent::Leave)
        setClickHereHighlighted(false);
    return DesignForm::eventFilter(watched, event);
}

void FormOrganizer::ClickHere_Click()
{
    // While editing, the panel no longer names the stored entry; the switch waits until the edit ends.
    if (editing() || !m_selected.isSelected())
        return;
    const ScheduleTable& table = m_ctx.database.table();
    const size_t found = m_selected.positionIn(table);
    if (found < table.size()) {
        ScheduleEntry entry = table.entry(found);
        entry[ScheduleField::AlarmOnOff] = EntryEdit::toggledSwitch(entry[ScheduleField::AlarmOnOff]);
        if (!written(m_ctx.database.update(table.rowId(found), entry)))
            return;
    }
    resetWindow();
}

void FormOrganizer::VemraButton2_Click()
{
    close();
}

EntryTexts FormOrganizer::panelTexts() const
{
    // The rule's own choice stands for the stored kind text of an entry that keeps a recurrence.
    const QString kind = m_combo3->currentIndex() >= FiveKinds ? m_combo3->currentData().toString()
                                                               : m_combo3->currentText();
    return EntryTexts{m_dateCtrl->value(), kind, m_subject->text(), m_note->toPlainText(), m_timeCtrl->value()};
}

void FormOrganizer::setPanelEditable(bool editable)
{
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_dateCtrl, m_combo3, m_subject, m_note, m_timeCtrl})
        control->setEnabled(editable);
}

void FormOrganizer::setCommandsEnabled(std::initializer_list<Command> enabled,
                                       std::initializer_list<Command> disabled)
{
    for (Command command : enabled)
        m_vemraButton1[command]->setEnabled(true);
    for (Command command : disabled)
        m_vemraButton1[command]->setEnabled(false);
}

bool FormOrganizer::editing() const
{
    return m_vemraButton1[Save]->isEnabled();
}
