#include "alarm/FormAlarmList.h"

#include "alarm/AlarmListColumns.h"
#include "alarm/SnoozeChoice.h"
#include "controls/VemraButton.h"
#include "forms/AppContext.h"
#include "forms/ClickLabel.h"
#include "forms/DesignUnits.h"
#include "forms/WindowHelpers.h"
#include "forms/WindowOwner.h"
#include "store/DateText.h"
#include "views/FormGrid.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QEvent>
#include <QStyle>
#include <QTimer>
#include <QHeaderView>
#include <QTreeWidget>

#include <algorithm>
#include <array>

namespace {

constexpr int Width = 7245;
constexpr int Height = 5295;
// The least the note column keeps (twips), and the rows a reader is told of by name.
constexpr int LeastNote = 1500;
constexpr int SpokenRows = 10;

VemraButton* makeButton(QWidget* form, const QString& name, const QString& caption, const QRect& place,
                        const QFont& font)
{
    auto* button = new VemraButton(caption, form);
    button->setObjectName(name);
    button->setButtonType(ButtonType::ThinEdge);
    button->setFont(font);
    button->setGeometry(place);
    return button;
}

} // namespace

FormAlarmList::FormAlarmList(AppContext& context, WindowOwner& windows)
    : DesignForm(QStringLiteral("FormAlarmList"), QStringLiteral("Zentravio Alarms"), Band::TopMost),
      m_ctx(context), m_windows(windows)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setDesignSize(Width, Height);
    setBackColor(0xC0C0C0);

    setAlert(true); // a reader announces it at once, with how many are due
    m_strip = new ClickLabel(this);
    m_strip->setObjectName(QStringLiteral("Label3"));
    m_strip->setGeometry(Design::rect(0, 0, Width, 615));
    m_strip->setOpaque(true);
    m_strip->setBackColor(0xE0E0E0);
    dragBy(m_strip);

    auto* title = new ClickLabel(this);
    title->setObjectName(QStringLiteral("Label4"));
    title->setGeometry(Design::rect(120, 360, 4215, 375));
    title->setFont(Design::font(QStringLiteral("Tahoma"), 15.75));
    title->setText(tr("Zentravio Alarms"));
    title->setAttribute(Qt::WA_TransparentForMouseEvents);
    title->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    const QFont small = Design::font(QStringLiteral("Tahoma"), 8.25);
    m_countLine = new ClickLabel(this);
    m_countLine->setObjectName(QStringLiteral("CountLine"));
    m_countLine->setGeometry(Design::rect(360, 840, Width - 720, 255));
    m_countLine->setFont(Design::font(QStringLiteral("Tahoma"), 8.25, true));

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("AlarmRows"));
    m_list->setAccessibleName(tr("Alarms due"));
    m_list->setGeometry(Design::rect(360, 1200, Width - 720, 3240));
    m_list->setFont(small);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true); // thousands of rows are laid out without measuring each
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setFrameShape(QFrame::Box);
    // A reader is told of the row in hand each time the list gets the keys, not of the bare list: its row
    // is made the current one afresh, which is what the list reports.
    m_list->installEventFilter(this);
    m_list->setHeaderLabels({tr("Subject"), tr("Due"), tr("Note")});
    m_list->header()->setSectionResizeMode(QHeaderView::Interactive);
    m_list->header()->setStretchLastSection(true);
    m_list->setColumnWidth(0, Design::px(1800));
    m_list->setColumnWidth(1, Design::px(2400));

    // "Snooze for:", the drop-down and "Snooze all" read as one line from the left.
    m_snoozeChoice =
        SnoozeChoice::makeCombo(this, Design::rect(1320, 4605, SnoozeChoice::ControlWidth, 315), small);
    SnoozeChoice::makeCaption(this, Design::rect(360, 4635, 900, 255), small, m_snoozeChoice);
    m_snoozeAll = makeButton(this, QStringLiteral("SnoozeAll"), tr("&Snooze all"),
                             Design::rect(2655, 4560, 1335, 495), small);
    m_snoozeAll->setAccessibleName(tr("Snooze all"));
    m_closeAll = makeButton(this, QStringLiteral("CloseAll"), tr("Close &all"),
                            Design::rect(Width - 360 - 1335, 4560, 1335, 495), small);
    m_closeAll->setAccessibleName(tr("Close all"));
    passFocusOn(m_snoozeAll);
    passFocusOn(m_closeAll);
    connect(m_snoozeAll, &VemraButton::Click, this, &FormAlarmList::SnoozeAll_Click);
    connect(m_closeAll, &VemraButton::Click, this, &FormAlarmList::CloseAll_Click);
}

FormAlarmList::~FormAlarmList() = default;

QString FormAlarmList::firstLine(const QString& note)
{
    // A plain walk: compiling a pattern for each of thousands of rows took most of a full list's pass.
    const auto end = std::find_if(note.cbegin(), note.cend(),
                                  [](QChar c) { return c == QLatin1Char('\r') || c == QLatin1Char('\n'); });
    return note.left(end - note.cbegin());
}

void FormAlarmList::setRows(const std::vector<Row>& rows)
{
    QList<QTreeWidgetItem*> items;
    items.reserve(qsizetype(rows.size()));
    for (const Row& row : rows) {
        QString due = DateText::mmmmddyyyy(row.dueDate) + QLatin1Char(' ') + DateText::timeText(row.dueTime);
        if (!row.line.isEmpty())
            due += QStringLiteral(" (") + row.line + QLatin1Char(')');
        // Item texts are shown as they are, never read as markup.
        items << new QTreeWidgetItem(QStringList{row.subject, due, firstLine(row.note)});
    }
    m_list->clear();
    m_list->addTopLevelItems(items);
    // Tab onto the list is met by its first alarm, which a reader reads out, rather than by a list with
    // nothing in hand.
    if (!items.isEmpty())
        m_list->setCurrentItem(items.first());
    m_countLine->setText(tr("%n alarms are due.", nullptr, int(rows.size())));
    fitColumns();

    // A reader hears the window as an alert: how many are due, then the first of them.
    setAccessibleName(tr("%n alarms are due", nullptr, int(rows.size())));
    QStringList lines;
    for (const Row& row : rows) {
        if (lines.size() == SpokenRows) {
            lines << tr("and %n more", nullptr, int(rows.size()) - SpokenRows);
            break;
        }
        lines << row.subject + QStringLiteral(", ") + DateText::timeText(row.dueTime);
    }
    setAccessibleDescription(lines.join(u'\n'));
}

void FormAlarmList::fitColumns()
{
    const QFontMetrics metrics(m_list->font());
    const int margins = 2 * (m_list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_list) + 1) + 1;
    std::array<int, 2> widest{};
    for (int column = 0; column < 2; ++column)
        widest[size_t(column)] = m_list->header()->sectionSizeHint(column);
    for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = m_list->topLevelItem(row);
        for (int column = 0; column < 2; ++column)
            widest[size_t(column)] =
                qMax(widest[size_t(column)], metrics.horizontalAdvance(item->text(column)) + margins);
    }
    // The list's frame and its scroll bar take from its width what the columns cannot have.
    const int chrome = 2 * m_list->frameWidth() + m_list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_list);
    const int sides = Design::px(2 * 360);
    const int screenWidth = m_ctx.screen.primaryGeometry().width();
    const AlarmListColumns::Widths widths =
        AlarmListColumns::fit(widest[0], widest[1], Design::px(Width) - sides - chrome,
                              screenWidth - sides - chrome, Design::px(LeastNote));
    m_list->setColumnWidth(0, widths.subject);
    m_list->setColumnWidth(1, widths.due);
    m_list->setColumnWidth(2, widths.note);

    const int width = widths.list + chrome + sides;
    setFixedWidth(width);
    m_list->resize(widths.list + chrome, m_list->height());
    m_strip->resize(width, m_strip->height());
    m_countLine->resize(width - sides, m_countLine->height());
    m_closeAll->move(width - Design::px(360) - m_closeAll->width(), m_closeAll->y());
}

bool FormAlarmList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::FocusIn) {
        const QPersistentModelIndex current = m_list->currentIndex();
        if (current.isValid())
            QTimer::singleShot(0, m_list, [this, current] {
                if (!current.isValid() || !m_list->hasFocus())
                    return;
                m_list->setCurrentIndex(QModelIndex());
                m_list->setCurrentIndex(current);
            });
    }
    return DesignForm::eventFilter(watched, event);
}

int FormAlarmList::rowCount() const
{
    return m_list->topLevelItemCount();
}

QStringList FormAlarmList::rowTexts(int row) const
{
    const QTreeWidgetItem* item = m_list->topLevelItem(row);
    if (!item)
        return {};
    return {item->text(0), item->text(1), item->text(2)};
}

QString FormAlarmList::countLine() const
{
    return m_countLine->text();
}

void FormAlarmList::Form_Load()
{
    SetTopMost(this, true);
    move(m_ctx.screen.primaryGeometry().topLeft());
    decorate(m_snoozeChoice);
    m_ctx.beeper.alarmBeep();
    if (FormGrid* list = m_windows.listWindow())
        list->RebuildGrid();
}

void FormAlarmList::CloseAll_Click()
{
    close();
}

int FormAlarmList::snoozeMinutes() const
{
    return SnoozeChoice::minutesOf(m_snoozeChoice);
}

void FormAlarmList::SnoozeAll_Click()
{
    emit SnoozeChosen(snoozeMinutes());
    // The service closes the window it snoozed; alone, the window closes itself.
    if (isVisible())
        close();
}
