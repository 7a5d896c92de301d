#include "views/formYear.h"

#include "controls/MonthCalendar.h"
#include "controls/VemraButton.h"
#include "editing/DateEdit.h"
#include "editing/FormAddSched.h"
#include "forms/AppContext.h"
#include "forms/ClickLabel.h"
#include "forms/DesignUnits.h"
#include "forms/WindowHelpers.h"
#include "forms/WindowOwner.h"
#include "store/DateText.h"
#include "store/DayKeys.h"
#include "store/DayMarking.h"
#include "store/ScheduleDatabase.h"

#include <QComboBox>
#include <QFrame>
#include <QPushButton>

namespace {

// The designed places, in twips. The window itself covers the screen once loaded.
constexpr int DesignWidth = 12000;
constexpr int DesignHeight = 9000;
constexpr int StripHeight = 375;
const QRect Frame1Place(0, StripHeight, 12000, 8160);
// Inside the frame: the year picker above the fourth column, then the months in four columns.
const QRect Label1Place(9030, 165, 495, 255);
const QRect Combo1Place(9545, 120, 1095, 315);
constexpr int CalendarLeft = 120, CalendarTop = 600;
constexpr int CalendarWidth = 2850, CalendarHeight = 2400, CalendarGap = 120;
constexpr int ButtonTop = 60, ButtonHeight = 255;
constexpr std::array<int, 2> ButtonWidths = {1695, 495};
constexpr std::array<const char*, 2> ButtonCaptions = {"&Back to Main Form", "Min"};
constexpr int ButtonSpacing = 200;

// The compact layout of a 640-pixel-wide screen.
constexpr int CompactScreenWidth = 640;
constexpr int CompactLeft = 120, CompactWidth = 2295, CompactHeight = 1900;
constexpr int Columns = 4;
constexpr int PickerGap = 20;

QRect designPlace(const QRect& twips)
{
    return Design::rect(twips.x(), twips.y(), twips.width(), twips.height());
}

QRect calendarDesignPlace(int index)
{
    const int column = index % Columns, row = index / Columns;
    return Design::rect(CalendarLeft + column * (CalendarWidth + CalendarGap),
                        CalendarTop + row * (CalendarHeight + CalendarGap), CalendarWidth, CalendarHeight);
}

int twips(int pixels)
{
    return Design::twipsOf(pixels);
}

} // namespace

formYear::formYear(AppContext& context, WindowOwner& windows)
    : DesignForm(QStringLiteral("formYear"), QStringLiteral("Zentravio Year"), Band::Normal), m_ctx(context),
      m_windows(windows)
{
    setDesignSize(DesignWidth, DesignHeight);
    setBackColor(0xC0C0C0);
    const QFont face = Design::font(QStringLiteral("Tahoma"), 8.25);

    m_label2 = new ClickLabel(this);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label2->setOpaque(true);
    m_label2->setBackColor(Bgr::White);

    m_frame1 = new QFrame(this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setFrameShape(QFrame::NoFrame); // it is widened past the screen's edge: no edge to show

    m_label1 = new ClickLabel(QStringLiteral("Year:"), m_frame1);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setFont(face);
    m_label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    m_combo1 = new QComboBox(m_frame1);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->setAccessibleName(tr("Year"));
    m_combo1->setFont(face);
    connect(m_combo1, &QComboBox::currentIndexChanged, this, &formYear::Combo1_Click);

    for (int i = 0; i < Months; ++i) {
        auto* calendar = new MonthCalendar(i + 1, m_frame1);
        calendar->setObjectName(QStringLiteral("YearCalendar(%1)").arg(i));
        calendar->setFont(face);
        passFocusOn(calendar);
        calendar->setDayNamer(
            [this](QDate day) { return DayMarking::SpokenDay(m_ctx.database.table(), day, m_ctx.recurrences); });
        connect(calendar, &MonthCalendar::AfterUpdate, this, [this, i] { YearCalendar_AfterUpdate(i); });
        connect(calendar, &MonthCalendar::BeforeUpdate, this,
                [this, i](QDate proposed, bool& cancel) { YearCalendar_BeforeUpdate(i, proposed, cancel); });
        connect(calendar, &MonthCalendar::DblClick, this, [this, i] { YearCalendar_DblClick(i); });
        m_yearCalendar[size_t(i)] = calendar;
    }

    for (size_t i = 0; i < m_vemraButton1.size(); ++i) {
        const QString caption = QLatin1String(ButtonCaptions[i]);
        auto* button = new VemraButton(caption, this);
        button->setObjectName(QStringLiteral("VemraButton1(%1)").arg(i));
        button->setAccessibleName(QString(caption).remove(u'&'));
        button->setButtonType(ButtonType::ThinEdge);
        button->setFont(face);
        passFocusOn(button);
        connect(button, &VemraButton::Click, this, [this, i] { VemraButton1_Click(int(i)); });
        m_vemraButton1[i] = button;
    }
    // "Min" hides the program to the tray, as the main window's picture does, and takes the same key.
    bindCommandKey(m_vemraButton1[Min], QKeySequence(Qt::CTRL | Qt::Key_M));

    placeAtDesign();
}

formYear::~formYear() = default;

MonthCalendar* formYear::YearCalendar(int index) const
{
    return index >= 0 && index < Months ? m_yearCalendar[size_t(index)] : nullptr;
}

void formYear::placeAtDesign()
{
    m_label2->setGeometry(Design::rect(0, 0, DesignWidth, StripHeight));
    m_frame1->setGeometry(designPlace(Frame1Place));
    m_label1->setGeometry(designPlace(Label1Place));
    m_combo1->setGeometry(designPlace(Combo1Place));
    for (int i = 0; i < Months; ++i)
        m_yearCalendar[size_t(i)]->setGeometry(calendarDesignPlace(i));
    for (size_t i = 0; i < m_vemraButton1.size(); ++i)
        m_vemraButton1[i]->setGeometry(Design::rect(0, ButtonTop, ButtonWidths[i], ButtonHeight));
}

void formYear::Form_Load()
{
    // Every opening starts from the designed places, as a window made afresh would.
    placeAtDesign();
    decorate(m_combo1);
    if (QWidget* main = m_windows.mainWindow())
        main->hide();

    const QDate today = m_ctx.clock.today();
    ClearOtherSelections(today.month() - 1);
    {
        // Filled with nothing chosen, so that choosing the current year below runs the year change as
        // a user's choice would.
        const QSignalBlocker blockYears(m_combo1);
        m_combo1->clear();
        for (int year = today.year() - 10; year <= today.year() + 10; ++year)
            m_combo1->addItem(QString::number(year));
        m_combo1->setCurrentIndex(-1);
    }
    m_combo1->setCurrentIndex(m_combo1->findText(QString::number(today.year()), Qt::MatchExactly));

    centreOn(m_ctx.screen);
    m_ctx.values.MainHidden = false;

    const QRect screen = m_ctx.screen.primaryGeometry();
    m_label2->resize(screen.width(), m_label2->height());
    // A full-screen window, not one merely the screen's size: the window manager then keeps panels off it
    // instead of pushing it down and out of the screen. Its size is fixed to the screen's, not to the
    // design's 800 x 600, which would hold it in the screen's top-left corner with "Back to Main" and
    // "Min" beyond its edge.
    setFixedSize(screen.size());
    move(screen.topLeft());
    setWindowState(windowState() | Qt::WindowFullScreen);

    VemraButton* back = m_vemraButton1[BackToMainForm];
    VemraButton* min = m_vemraButton1[Min];
    back->move(Design::px(twips(screen.width()) - (twips(back->width()) + ButtonSpacing)), back->y());
    min->move(Design::px(twips(back->x()) - (twips(min->width()) + ButtonSpacing)), min->y());
    cmdSetfocus()->move(screen.width(), cmdSetfocus()->y());

    ArrangeCalendars();
}

void formYear::Form_Activate()
{
    // The tray icon now shows and hides the year view.
    m_ctx.values.MainViewActive = false;
    m_ctx.values.OrganizerViewActive = false;
    MarkBusyDays();
}

void formYear::Form_Unload()
{
    BringForward(m_windows.mainWindow());
}

void formYear::ArrangeCalendars()
{
    if (m_ctx.screen.primaryGeometry().width() == CompactScreenWidth) {
        // Three rows of four, each calendar just after the one before, each row just below the one
        // above: calendar 0 keeps its top.
        MonthCalendar* above = nullptr;
        for (int i = 0; i < Months; ++i) {
            MonthCalendar* calendar = m_yearCalendar[size_t(i)];
            calendar->resize(Design::px(CompactWidth), Design::px(CompactHeight));
            int left = CompactLeft;
            if (i % Columns != 0) {
                const MonthCalendar* before = m_yearCalendar[size_t(i - 1)];
                left = twips(before->x()) + twips(before->width());
            }
            const int top = above ? twips(above->y()) + twips(above->height()) : twips(calendar->y());
            calendar->move(Design::px(left), Design::px(top));
            if (i % Columns == Columns - 1)
                above = m_yearCalendar[size_t(i - (Columns - 1))];
        }
        m_label1->move(m_yearCalendar[Columns - 1]->x(), m_label1->y());
        m_combo1->move(Design::px(twips(m_label1->x()) + twips(m_label1->width()) + PickerGap),
                       m_combo1->y());
        return;
    }
    // Laid out for the screen, which the full-screen window covers once the window system has placed it.
    const QSize screen = m_ctx.screen.primaryGeometry().size();
    m_frame1->move((screen.width() - m_frame1->width()) / 2, (screen.height() - m_frame1->height()) / 2);
    m_frame1->resize(screen.width(), m_frame1->height());
}

void formYear::ClearOtherSelections(int keep)
{
    for (int i = 0; i < Months; ++i) {
        if (i != keep)
            m_yearCalendar[size_t(i)]->setNoDateSelected(true);
    }
}

void formYear::Combo1_Click()
{
    bool ok = false;
    const int year = m_combo1->currentText().toInt(&ok);
    if (!ok)
        return;
    const QDate today = m_ctx.clock.today();
    for (MonthCalendar* calendar : m_yearCalendar)
        calendar->setYear(year);
    ClearOtherSelections(today.month() - 1);
    m_yearCalendar[size_t(today.month() - 1)]->setDay(today.day());
    MarkBusyDays();
}

const YearMarks& formYear::marksOf(int year)
{
    const quint64 changeCount = m_ctx.database.table().changeCount();
    if (!m_marksRead || m_marks.year() != year || m_marksChangeCount != changeCount) {
        m_marks = YearMarks::of(m_ctx.database.table(), year, m_ctx.recurrences);
        m_marksChangeCount = changeCount;
        m_marksRead = true;
    }
    return m_marks;
}

void formYear::MarkBusyDays()
{
    const QDate today = m_ctx.clock.today();
    for (MonthCalendar* calendar : m_yearCalendar) {
        calendar->setBoldDays(marksOf(calendar->year()).days(calendar->month()));
        calendar->setToday(today);
    }
}

void formYear::YearCalendar_AfterUpdate(int index)
{
    const QDate date = m_yearCalendar[size_t(index)]->value();
    if (!date.isValid())
        return;
    // Always the long form, whatever date format the main window copies in.
    m_ctx.values.LastDateText = DateText::namedFormat(date, DateText::LongDate);
    ::CopyDateText(m_ctx.values);
}

void formYear::YearCalendar_BeforeUpdate(int index, QDate proposed, bool& cancel)
{
    // Each calendar keeps its own month: a date of another month (a grey day) is refused.
    if (proposed.month() == index + 1)
        ClearOtherSelections(index);
    else
        cancel = true;
}

QWidget* formYear::dayTarget() const
{
    const int selected = selectedCalendar();
    return m_yearCalendar[size_t(selected >= 0 ? selected : 0)];
}

int formYear::selectedCalendar() const
{
    for (int i = 0; i < Months; ++i) {
        if (!m_yearCalendar[size_t(i)]->noDateSelected())
            return i;
    }
    return -1;
}

bool formYear::Form_KeyPress(int key, Qt::KeyboardModifiers modifiers)
{
    if (key == Qt::Key_Escape) {
        VemraButton1_Click(BackToMainForm);
        return true;
    }
    const int selected = selectedCalendar();
    if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (selected >= 0 && key == Qt::Key_Space)
            YearCalendar_AfterUpdate(selected);
        else if (selected >= 0)
            YearCalendar_DblClick(selected);
        return true;
    }
    const QDate from = selected >= 0 ? m_yearCalendar[size_t(selected)]->value()
                                     : QDate(m_combo1->currentText().toInt(), 1, 1);
    const std::optional<QDate> day = DayKeys::moved(from, key, modifiers & Qt::ControlModifier);
    if (!day)
        return false;
    if (day->year() != from.year()) {
        // The year list holds ten years either side of this one; a day beyond them is not shown.
        const int yearIndex = m_combo1->findText(QString::number(day->year()));
        if (yearIndex < 0)
            return true;
        m_combo1->setCurrentIndex(yearIndex);
    }
    const int index = day->month() - 1;
    ClearOtherSelections(index);
    m_yearCalendar[size_t(index)]->setDay(day->day());
    m_yearCalendar[size_t(index)]->setNoDateSelected(false);
    return true;
}

void formYear::YearCalendar_DblClick(int index)
{
    const MonthCalendar* calendar = m_yearCalendar[size_t(index)];
    const std::optional<QDate> date = DateText::readDate(
        QStringLiteral("%1/%2/%3").arg(calendar->month()).arg(calendar->day()).arg(calendar->year()));
    if (!date)
        return;
    FormAddSched* dialog = m_windows.addScheduleDialog();
    if (!dialog)
        return;
    // An entry saved there shows in bold at once, without waiting for the view to be activated again.
    connect(dialog, &DesignForm::Unloaded, this, &formYear::MarkBusyDays, Qt::UniqueConnection);
    dialog->loadIfNeeded();
    dialog->EntryDate()->setValue(DateText::mmddyyyy(*date));
    BringForward(dialog);
}

void formYear::VemraButton1_Click(int index)
{
    if (index == BackToMainForm) {
        if (m_ctx.values.ListDocked)
            m_windows.DockListWindow();
        close();
    } else if (index == Min) {
        m_windows.HideToTray(this);
        m_ctx.values.MainHidden = true;
    }
}
