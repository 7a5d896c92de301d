#pragma once

#include "forms/AppContext.h"
#include "forms/DesignForm.h"

#include <array>

struct AppContext;
class ClickLabel;
class DateEdit;
class NoteEdit;
class QCheckBox;
class QComboBox;
class QRadioButton;
class TimeEdit;
class VemraButton;

// The dialog in which the user records one new schedule entry: a date, a subject, a note, a
// recurrence kind and an alarm time with its switch. Save appends exactly one record; every way out
// ends in the same close path, which tells the window that opened the dialog (OpenedFrom) that it is
// gone. Like the other windows it is loaded when first shown and unloaded when closed, so each opening
// starts from the designed values.
class FormAddSched : public DesignForm
{
    Q_OBJECT

public:
    explicit FormAddSched(AppContext& context);
    ~FormAddSched() override;

    DateEdit* EntryDate() const { return m_entryDate; }
    TimeEdit* EntryTime() const { return m_entryTime; }

    void Form_Load() override;
    void cmdButton_Click(int index);
    // Appends the entry with the recurrence kind of the add dialog's choice number
    // (0 Everyday, 1 Yearly, 2 Monthly, 3 OneTime, 4 Monday to Friday), then closes the dialog. A record
    // the schedule refuses is reported and the dialog stays open with everything the user gave.
    void SaveSchedule(int choice);
    void Check1_Click();
    void Label4_Click(int index);
    void Image1_Click();

signals:
    // The dialog has closed; openedFrom is the window that opened it, if any.
    void UnloadedFrom(AddDialogOpener openedFrom);
    // A drag of the dialog by its title strip has ended.
    void Dragged();

protected:
    void Form_Unload() override;

private:
    void buildControls();
    void resetToDesign();

    AppContext& m_ctx;

    ClickLabel* m_title = nullptr;
    ClickLabel* m_close = nullptr;
    DateEdit* m_entryDate = nullptr;
    QComboBox* m_cboType = nullptr;
    NoteEdit* m_txtNote = nullptr;
    std::array<QRadioButton*, 5> m_option{};
    std::array<ClickLabel*, 5> m_optionLabel{};
    QCheckBox* m_check1 = nullptr;
    TimeEdit* m_entryTime = nullptr;
    std::array<VemraButton*, 2> m_cmdButton{};
};
