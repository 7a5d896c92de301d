#include "alarm/FormAlarmList.h"

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
#include <QHeaderView>
#include <QTreeWidget>

#include <algorithm>

namespace {

constexpr int Width = 7245;
constexpr int Height = 5295;

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

    auto* strip = new ClickLabel(this);
    strip->setObjectName(QStringLiteral("Label3"));
    strip->setGeometry(Design::rect(0, 0, Width, 615));
    strip->setOpaque(true);
    strip->setBackColor(0xE0E0E0);
    dragBy(strip);

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
    m_list->setHeaderLabels({tr("Subject"), tr("Due"), tr("Note")});
    m_list->header()->setSectionResizeMode(QHeaderView::Interactive);
    m_list->setColumnWidth(0, Design::px(1800));
    m_list->setColumnWidth(1, Design::px(2400));

    m_snoozeChoice =
        SnoozeChoice::makeCombo(this, Design::rect(360, 4605, SnoozeChoice::ControlWidth, 315), small);
    m_snoozeAll = makeButton(this, QStringLiteral("SnoozeAll"), tr("&Snooze all"),
                             Design::rect(1695, 4560, 1335, 495), small);
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
    m_countLine->setText(tr("%n alarms are due.", nullptr, int(rows.size())));
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
