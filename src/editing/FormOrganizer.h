#pragma once

#include "editing/SelectedEntry.h"
#include "forms/AppContext.h"
#include "forms/DesignForm.h"
#include "store/EntryEdit.h"
#include "store/ScheduleDatabase.h"

#include <QDate>

#include <array>
#include <optional>

struct AppContext;
class ClickLabel;
class DateEdit;
class ListGrid;
class MonthGridCells;
class NoteEdit;
class OneLineLimit;
class OrganizerGrid;
class QComboBox;
class QFrame;
class QLineEdit;
class TimeEdit;
class VemraButton;
class WindowOwner;

// The organizer: every entry in one window. A month calendar marks the days with entries, a table lists
// every entry, and an edit panel under it shows the selected entry for editing, deleting or switching
// its alarm. It takes the main window's place while it is open: the main window hides when the
// organizer opens and comes back, with the countdown list docked again if it was, when it closes.
//
// The window has three states: nothing selected (only "&Add Today"), an entry selected ("&Edit",
// "&Delete", "&Add Today") and editing ("C&ancel", "&Save"). It unloads and is deleted when it closes;
// the window owner makes a fresh one for the next opening.
class FormOrganizer : public DesignForm
{
    Q_OBJECT

public:
    // The command buttons `VemraButton1`, by index.
    enum Command
    {
        Edit = 0,
        AddToday = 1,
        Delete = 2,
        Cancel = 3,
        Save = 4,
        CommandCount = 5
    };

    FormOrganizer(AppContext& context, WindowOwner& windows);
    ~FormOrganizer() override;

    int displayedMonth() const { return m_month; }
    int displayedYear() const { return m_year; }
    bool compactLayout() const { return m_compact; }
    ListGrid* Grid() const;
    MonthGridCells& dayCells() const { return *m_cells; }

    void Form_Load() override;
    void Form_Activate() override;

    void Combo1_Click();
    void Combo2_Click();
    void DaySlot_Click(int index);
    void DaySlot_DblClick(int index);
    void DaySlot_MouseMove(int index);
    void Grid_SelectionChange();
    // Selects the first row of the day, as a day click does; nothing happens when there is none.
    void Check2Grid(int day, int month, int year);
    void ClickHere_Click();
    void VemraButton1_Click(int index);
    void VemraButton2_Click();

    // The add dialog opened here has closed: the window shows nothing selected and the grid shows the
    // entries afresh, the new one among them.
    void AddDialogClosed(AddDialogOpener openedFrom);

    // lays the month out on the day cells and marks the days with entries
    void SetupDays();

protected:
    void Form_Unload() override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The keyboard reaches the calendar: the arrows and the page keys choose a day (its first entry is
    // selected, as a click does), Space works as a click and Enter opens the add dialog for the day.
    bool Form_KeyPress(int key, Qt::KeyboardModifiers modifiers) override;
    QWidget* dayTarget() const override;

private:
    // The kinds the "Event:" list always offers; an entry that keeps a recurrence adds its rule after them.
    static constexpr int FiveKinds = 5;
    void buildTitleStrip();
    void buildCalendar();
    void buildPanel();
    void buildAlarmArea();
    void buildCommands();
    void applyCompactLayout();
    void markDays();
    // The shown cell of a day of the displayed month; -1 when it is not shown.
    int cellOf(QDate day) const;
    // Selects the row `step` rows below the selected one (above when negative), or the first row when none
    // is selected, staying within the table.
    void selectNeighbourRow(int step);

    EntryTexts panelTexts() const;
    // Fills the panel with the selected entry's texts as stored.
    void showSelectedEntry();
    void setPanelEditable(bool editable);
    void setCommandsEnabled(std::initializer_list<Command> enabled, std::initializer_list<Command> disabled);
    void showAlarmSentence(bool on);
    void showPastNotice(bool past);
    void showUnreadableNotice(bool unreadable);
    void setClickHereHighlighted(bool highlighted);
    bool editing() const;

    void editEntry();
    void addToday();
    void deleteEntry();
    void cancelEdit();
    void saveEntry();
    // Names what the panel lacks for saving; the empty text when it is complete.
    QString missingInputMessage(const EntryTexts& panel) const;
    void refuseChangedEntry();
    // Back to nothing selected, with the grid and the calendar read afresh.
    void resetWindow();
    // Tells the user that the file refused a change; true when there was nothing to tell.
    bool written(const StoreResult& result);

    AppContext& m_ctx;
    WindowOwner& m_windows;
    int m_month = 1;
    int m_year = 2000;
    bool m_compact = false;
    QDate m_chosenDay; // the day the keyboard works on
    // The selected row's entry, which every command of the panel acts on.
    SelectedEntry m_selected;

    ClickLabel* m_label1 = nullptr;
    std::array<ClickLabel*, 2> m_label2{};
    ClickLabel* m_image1 = nullptr;
    ListGrid* m_grid = nullptr;
    OrganizerGrid* m_organizerGrid = nullptr;
    QComboBox* m_combo1 = nullptr;
    QComboBox* m_combo2 = nullptr;
    MonthGridCells* m_cells = nullptr;
    DateEdit* m_dateCtrl = nullptr;
    TimeEdit* m_timeCtrl = nullptr;
    QComboBox* m_combo3 = nullptr;
    QLineEdit* m_subject = nullptr; // txtBox(2)
    OneLineLimit* m_subjectLimit = nullptr;
    NoteEdit* m_note = nullptr; // txtBox(3)
    ClickLabel* m_lbl1 = nullptr;
    ClickLabel* m_clickHere = nullptr;
    ClickLabel* m_lbl2 = nullptr;
    ClickLabel* m_label5 = nullptr;
    ClickLabel* m_imgONOFF = nullptr;
    ClickLabel* m_image2 = nullptr;
    ClickLabel* m_label6 = nullptr;
    ClickLabel* m_label7 = nullptr;
    ClickLabel* m_label9 = nullptr;
    ClickLabel* m_lblUnreadable = nullptr;
    QFrame* m_frame1 = nullptr;
    std::array<VemraButton*, CommandCount> m_vemraButton1{};
    VemraButton* m_vemraButton2 = nullptr;
};
