#include "alarm/FormAlarm.h"

#include "alarm/SnoozeChoice.h"
#include "alarm/SubjectLine.h"
#include "controls/VemraButton.h"
#include "forms/AppContext.h"
#include "forms/ClickLabel.h"
#include "forms/DesignUnits.h"
#include "forms/WindowHelpers.h"
#include "forms/WindowOwner.h"
#include "store/DateText.h"
#include "views/FormGrid.h"

#include <QComboBox>
#include <QStringList>

namespace {

ClickLabel* addLabel(QWidget* form, const QString& name, const QRect& place, const QFont& font)
{
    auto* label = new ClickLabel(form);
    label->setObjectName(name);
    label->setGeometry(place);
    label->setFont(font);
    return label;
}

} // namespace

FormAlarm::FormAlarm(AppContext& context, WindowOwner& windows)
    : DesignForm(QStringLiteral("FormAlarm"), QStringLiteral("Zentravio Alarm"), Band::TopMost),
      m_ctx(context), m_windows(windows)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAlert(true); // a reader announces it at once, with its subject, note and due time
    setDesignSize(5910, 4275);
    setBackColor(0xC0C0C0);

    auto* strip = new ClickLabel(this);
    strip->setObjectName(QStringLiteral("Label3"));
    strip->setGeometry(Design::rect(0, 0, 5895, 615));
    strip->setOpaque(true);
    strip->setBackColor(0xE0E0E0);
    dragBy(strip);

    const QFont small = Design::font(QStringLiteral("Tahoma"), 8.25);
    ClickLabel* title = addLabel(this, QStringLiteral("Label4"), Design::rect(120, 360, 3255, 375),
                                 Design::font(QStringLiteral("Tahoma"), 15.75));
    title->setText(QStringLiteral("Zentravio Alarm"));
    title->setAttribute(Qt::WA_TransparentForMouseEvents);
    title->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_label6 = addLabel(this, QStringLiteral("Label6"), Design::rect(4080, 120, 1695, 255), small);
    m_label5 = addLabel(this, QStringLiteral("Label5"), Design::rect(4080, 360, 1695, 255), small);

    // The subject is the line the alarm exists to show: it runs the note's width and down to the note, so
    // that a long one takes a second line in its own box rather than being cut.
    m_label1 = new SubjectLine(this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setGeometry(Design::rect(360, 840, 5175, 465));
    m_label1->setFont(Design::font(QStringLiteral("Tahoma"), 8.25, true));
    // A grey dark enough to read on the window's.
    m_label1->setForeColor(0x4D4D4D);
    m_label2 = addLabel(this, QStringLiteral("Label2"), Design::rect(360, 1320, 5175, 2055),
                        Design::font(QStringLiteral("Tahoma"), 9.75));
    m_label2->setWordWrap(true);
    m_label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // Below the note and beside the close button, so that it covers neither the subject nor the note.
    m_lateLine = addLabel(this, QStringLiteral("LateLine"), Design::rect(360, 3720, 4080, 255),
                          Design::font(QStringLiteral("Tahoma"), 8.25, true));
    m_lateLine->setForeColor(0x000080);
    m_lateLine->hide();

    m_vemraButton1 = new VemraButton(QStringLiteral("&Close"), this);
    m_vemraButton1->setObjectName(QStringLiteral("VemraButton1"));
    m_vemraButton1->setAccessibleName(tr("Close"));
    m_vemraButton1->setButtonType(ButtonType::ThinEdge);
    m_vemraButton1->setFont(small);
    m_vemraButton1->setGeometry(Design::rect(4560, 3600, 1095, 495));
    passFocusOn(m_vemraButton1);
    connect(m_vemraButton1, &VemraButton::Click, this, &FormAlarm::VemraButton1_Click);

    // The snooze sits in a column of its own right of the note and the close button, so that every line
    // of the alarm stays where it was.
    setDesignSize(5910 + SnoozeChoice::ColumnWidth, 4275);
    strip->setGeometry(Design::rect(0, 0, 5895 + SnoozeChoice::ColumnWidth, 615));
    m_snoozeChoice =
        SnoozeChoice::makeCombo(this, Design::rect(5790, 3180, SnoozeChoice::ControlWidth, 315), small);
    SnoozeChoice::makeCaption(this, Design::rect(5790, 2900, SnoozeChoice::ControlWidth, 255), small, m_snoozeChoice);
    m_snoozeButton = new VemraButton(QStringLiteral("&Snooze"), this);
    m_snoozeButton->setObjectName(QStringLiteral("SnoozeButton"));
    m_snoozeButton->setAccessibleName(tr("Snooze"));
    m_snoozeButton->setButtonType(ButtonType::ThinEdge);
    m_snoozeButton->setFont(small);
    m_snoozeButton->setGeometry(Design::rect(5790, 3600, SnoozeChoice::ControlWidth, 495));
    passFocusOn(m_snoozeButton);
    connect(m_snoozeButton, &VemraButton::Click, this, &FormAlarm::SnoozeButton_Click);
}

FormAlarm::~FormAlarm() = default;

void FormAlarm::setSubject(const QString& subject)
{
    m_label1->setText(subject);
    describeForReaders();
}

void FormAlarm::setNote(const QString& note)
{
    m_label2->setText(note);
    describeForReaders();
}

QString FormAlarm::subject() const
{
    return m_label1->text();
}

QString FormAlarm::note() const
{
    return m_label2->text();
}

void FormAlarm::setLateLine(const QString& line)
{
    m_lateLine->setText(line);
    m_lateLine->setVisible(!line.isEmpty());
    describeForReaders();
}

QString FormAlarm::lateLine() const
{
    return m_lateLine->text();
}

void FormAlarm::Form_Load()
{
    SetTopMost(this, true);
    move(m_ctx.screen.primaryGeometry().topLeft());
    const QDateTime now = m_ctx.clock.now();
    m_label6->setText(DateText::mmmmddyyyy(now.date()));
    m_label5->setText(DateText::timeText(now.time()));
    decorate(m_snoozeChoice);
    describeForReaders();
    m_ctx.beeper.alarmBeep();
    if (FormGrid* list = m_windows.listWindow())
        list->RebuildGrid();
}

void FormAlarm::describeForReaders()
{
    setAccessibleName(tr("Alarm: %1").arg(m_label1->text()));
    QStringList lines;
    if (!m_label2->text().isEmpty())
        lines << m_label2->text();
    if (!m_label5->text().isEmpty())
        lines << tr("Due %1 at %2").arg(m_label6->text(), m_label5->text());
    if (!m_lateLine->text().isEmpty())
        lines << m_lateLine->text();
    setAccessibleDescription(lines.join(u'\n'));
}

void FormAlarm::VemraButton1_Click()
{
    close();
}

int FormAlarm::snoozeMinutes() const
{
    return SnoozeChoice::minutesOf(m_snoozeChoice);
}

void FormAlarm::SnoozeButton_Click()
{
    emit SnoozeChosen(snoozeMinutes());
    // The service closes the window it snoozed; alone, the window closes itself.
    if (isVisible())
        close();
}
