#include "editing/FormAddSched.h"

#include "controls/VemraButton.h"
#include "editing/DateEdit.h"
#include "editing/NoteEdit.h"
#include "editing/OneLineLimit.h"
#include "editing/TimeEdit.h"
#include "editing/UnreadableInput.h"
#include "forms/AppContext.h"
#include "forms/ClickLabel.h"
#include "forms/DesignUnits.h"
#include "store/DateText.h"
#include "store/EntryInput.h"
#include "store/Recordset.h"
#include "store/ScheduleKind.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QString DesignTime = QStringLiteral("12:00:00 PM");

struct OptionDesign
{
    int left, top;
    const char* caption;
    int choice; // the number SaveSchedule turns into the stored kind
};

constexpr std::array<OptionDesign, 5> Options = {{
    {3240, 960, "One Time", 3},
    {4320, 960, "Monthly", 2},
    {3240, 1320, "Yearly", 1},
    {4320, 1320, "Everyday", 0},
    {3240, 1680, "Monday to Friday", 4},
}};

} // namespace

FormAddSched::FormAddSched(AppContext& context)
    : DesignForm(QStringLiteral("FormAddSched"), QStringLiteral("Add schedule"), Band::TopMost),
      m_ctx(context)
{
    setDesignSize(5415, 4335);
    setFont(Design::font(QStringLiteral("Tahoma"), 8.25));
    buildControls();
}

FormAddSched::~FormAddSched() = default;

void FormAddSched::buildControls()
{
    m_title = new ClickLabel(this);
    m_title->setObjectName(QStringLiteral("Label1"));
    m_title->setGeometry(Design::rect(0, 0, 5535, 495));
    m_title->setOpaque(true);
    // Dark enough for the light-grey caption over it to be read.
    m_title->setBackColor(0x404040);

    auto* caption = new ClickLabel(QStringLiteral("Add schedule"), this);
    caption->setObjectName(QStringLiteral("Label3"));
    caption->setGeometry(Design::rect(240, 240, 2400, 255));
    caption->setForeColor(0xC0C0C0);
    caption->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_close = addClosePicture(QStringLiteral("Image1"), Design::rect(5085, 75, 255, 255));
    connect(m_close, &ClickLabel::Click, this, &FormAddSched::Image1_Click);
    dragBy(m_title, [this] { emit Dragged(); });

    const std::array<std::pair<const char*, QPoint>, 4> captions = {{{"Date:", {240, 600}},
                                                                     {"Subject:", {1560, 600}},
                                                                     {"Note:", {240, 1440}},
                                                                     {"Alarm Schedule:", {3240, 600}}}};
    for (size_t i = 0; i < captions.size(); ++i) {
        auto* label = new ClickLabel(QLatin1String(captions[i].first), this);
        label->setObjectName(QStringLiteral("Label2(%1)").arg(i));
        label->setGeometry(Design::rect(captions[i].second.x(), captions[i].second.y(), 1455, 255));
    }

    m_entryDate = new DateEdit(this);
    m_entryDate->setObjectName(QStringLiteral("EntryDate"));
    m_entryDate->setGeometry(Design::rect(240, 840, 1275, 315));
    nameField(m_entryDate, tr("Date"));

    m_cboType = new QComboBox(this);
    m_cboType->setObjectName(QStringLiteral("cboType"));
    m_cboType->setEditable(true);
    m_cboType->setInsertPolicy(QComboBox::NoInsert);
    m_cboType->addItems({QStringLiteral("Birthday"), QStringLiteral("Meeting"), QStringLiteral("Occasion")});
    new OneLineLimit(m_cboType->lineEdit(), fieldInfo(ScheduleField::Subject).size);
    m_cboType->setGeometry(Design::rect(1560, 840, 1215, 315));
    nameField(m_cboType, tr("Subject"));

    m_txtNote = new NoteEdit(fieldInfo(ScheduleField::Note).size, this);
    m_txtNote->setObjectName(QStringLiteral("txtNote"));
    m_txtNote->setAccessibleName(tr("Note"));
    m_txtNote->setTabChangesFocus(true); // Tab goes on to the next field, as in every other box

    for (size_t i = 0; i < Options.size(); ++i) {
        const OptionDesign& design = Options[i];
        m_option[i] = new QRadioButton(this);
        m_option[i]->setObjectName(QStringLiteral("Option1(%1)").arg(i));
        m_option[i]->setGeometry(Design::rect(design.left, design.top, 255, 255));
        m_option[i]->setAccessibleName(QLatin1String(design.caption));
        m_optionLabel[i] = new ClickLabel(QLatin1String(design.caption), this);
        m_optionLabel[i]->setObjectName(QStringLiteral("Label4(%1)").arg(i));
        m_optionLabel[i]->setGeometry(Design::rect(design.left + 270, design.top, 1800, 255));
        connect(m_optionLabel[i], &ClickLabel::Click, this, [this, i] { Label4_Click(int(i)); });
    }

    m_check1 = new QCheckBox(QStringLiteral("Alarm"), this);
    m_check1->setObjectName(QStringLiteral("Check1"));
    m_check1->setGeometry(Design::rect(240, 3240, 1215, 255));
    connect(m_check1, &QCheckBox::clicked, this, &FormAddSched::Check1_Click);

    m_entryTime = new TimeEdit(this);
    m_entryTime->setObjectName(QStringLiteral("EntryTime"));
    m_entryTime->setGeometry(Design::rect(240, 3600, 1575, 315));
    nameField(m_entryTime, tr("Alarm time"));

    const std::array<const char*, 2> buttonCaptions = {"&Save", "&Cancel"};
    for (size_t i = 0; i < m_cmdButton.size(); ++i) {
        m_cmdButton[i] = new VemraButton(QLatin1String(buttonCaptions[i]), this);
        m_cmdButton[i]->setObjectName(QStringLiteral("cmdButton(%1)").arg(i));
        m_cmdButton[i]->setButtonType(ButtonType::ThinEdge);
        m_cmdButton[i]->setGeometry(Design::rect(3120 + int(i) * 1080, 3720, 975, 375));
        passFocusOn(m_cmdButton[i]);
        connect(m_cmdButton[i], &VemraButton::Click, this, [this, i] { cmdButton_Click(int(i)); });
    }

    // Tab walks the fields as they are read, then Save and Cancel; the close picture comes last.
    std::vector<QWidget*> order = {m_entryDate, m_cboType, m_txtNote};
    order.insert(order.end(), m_option.begin(), m_option.end());
    order.insert(order.end(), {m_check1, m_entryTime, m_cmdButton[0], m_cmdButton[1], m_close});
    setKeyboardOrder(order);

    // Each caption labels its field for a reader, as well as naming it: the box the keys land in.
    const std::array<QWidget*, 3> fields = {m_entryDate, m_cboType, m_txtNote};
    for (size_t i = 0; i < fields.size(); ++i) {
        QWidget* box = fields[i]->focusProxy() ? fields[i]->focusProxy() : fields[i];
        findChild<QLabel*>(QStringLiteral("Label2(%1)").arg(i))->setBuddy(box);
    }
}

void FormAddSched::resetToDesign()
{
    m_entryDate->setValue(QString());
    m_cboType->setCurrentIndex(-1);
    m_cboType->setEditText(QString());
    m_txtNote->setGeometry(Design::rect(240, 1680, 2775, 1335));
    m_txtNote->clear();
    m_check1->setChecked(false);
    m_entryTime->setValue(DesignTime);
    m_entryTime->setEnabled(false);
}

void FormAddSched::Form_Load()
{
    resetToDesign();
    centreOn(m_ctx.screen);
    decorate(m_cboType);
    decorate(m_txtNote);

    if (m_ctx.values.OpenedFrom == AddDialogOpener::Organizer)
        m_entryDate->setValue(DateText::mmddyyyy(m_ctx.clock.today()));
    m_option[0]->setChecked(true);
}

void FormAddSched::cmdButton_Click(int index)
{
    if (index == 1) {
        close();
        return;
    }
    if (index != 0)
        return;

    // A date or time that cannot be read is named, rather than saved as some other day or time.
    if (const QString unreadable = unreadableInputMessage(*m_entryDate, *m_entryTime);
        !unreadable.isEmpty()) {
        m_ctx.messages.information(this, unreadable, QStringLiteral("Invalid entry"));
        return;
    }
    const QString subject = m_cboType->currentText();
    const QString note = m_txtNote->toPlainText();
    const QString date = m_entryDate->value();
    // Spaces alone say nothing; they count as no subject or note.
    if (EntryInput::isBlank(subject) || EntryInput::isBlank(note) || date.isEmpty()) {
        // The dialog stays open with what the user gave, so that only the missing part is left to do.
        m_ctx.messages.information(this, QStringLiteral("You must complete the form."),
                                   QStringLiteral("Incomplete entry"));
        return;
    }
    for (size_t i = 0; i < m_option.size(); ++i) {
        if (m_option[i]->isChecked()) {
            SaveSchedule(Options[i].choice);
            return;
        }
    }
}

void FormAddSched::SaveSchedule(int choice)
{
    const QString date = m_entryDate->value();
    const std::optional<QDate> day = DateText::readDate(date);

    Recordset records(m_ctx.database);
    if (records.recordCount() > 0)
        records.moveLast();
    records.addNew();
    records.setField(ScheduleField::Date, date);
    records.setField(ScheduleField::Day, day ? DateText::dddd(*day) : QString());
    records.setField(ScheduleField::Subject, m_cboType->currentText());
    records.setField(ScheduleField::Note, m_txtNote->toPlainText());
    // A time edit left without a time gives the empty text, which the schedule refuses with its own
    // message, rather than an entry with no time at all.
    records.setField(ScheduleField::AlarmTime,
                     m_entryTime->value().isNull() ? QStringLiteral("") : m_entryTime->value());
    records.setField(ScheduleField::AlarmOnOff,
                     m_check1->isChecked() ? QStringLiteral("on") : QStringLiteral("off"));
    records.setField(ScheduleField::Kind, addDialogText(kindFromChoice(choice)));
    const StoreResult saved = records.update();
    if (!saved) {
        records.cancelUpdate();
        m_ctx.messages.warning(this, saved.error, QStringLiteral("Entry not saved"));
        return;
    }
    close();
}

void FormAddSched::Check1_Click()
{
    cmdSetfocus()->setFocus();
    m_entryTime->setEnabled(m_check1->isChecked());
}

void FormAddSched::Label4_Click(int index)
{
    if (index >= 0 && index < int(m_option.size()) && m_option[size_t(index)]->isEnabled())
        m_option[size_t(index)]->setChecked(true);
}

void FormAddSched::Image1_Click()
{
    close();
}

void FormAddSched::Form_Unload()
{
    const AddDialogOpener openedFrom = m_ctx.values.OpenedFrom;
    emit UnloadedFrom(openedFrom);
    m_ctx.values.OpenedFrom = AddDialogOpener::None;
}
