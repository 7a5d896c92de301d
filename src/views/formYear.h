#pragma once

#include "forms/DesignForm.h"
#include "store/YearMarks.h"

#include <QDate>

#include <array>

class ClickLabel;
class MonthCalendar;
class QComboBox;
class QFrame;
class VemraButton;
class WindowOwner;
struct AppContext;

// The year view: the twelve months of one year on a window that covers the screen, with a year picker.
// It stands in for the main window while it is open (hiding it at load, showing it again at unload). A
// click on a date copies it in the long form; a double-click opens the add dialog for it. The days that
// carry entries are bold and today is framed in red, so that a busy month shows at a glance.
//
// The window owner makes it once and keeps it; each opening loads it afresh from its designed places.
class formYear : public DesignForm
{
    Q_OBJECT

public:
    static constexpr int Months = 12;
    // The buttons `VemraButton1`, by index.
    enum Button
    {
        BackToMainForm = 0,
        Min = 1
    };

    formYear(AppContext& context, WindowOwner& windows);
    ~formYear() override;

    MonthCalendar* YearCalendar(int index) const;
    QComboBox* Combo1() const { return m_combo1; }

    void Form_Load() override;
    void Form_Activate() override;
    void Combo1_Click();
    void YearCalendar_AfterUpdate(int index);
    void YearCalendar_BeforeUpdate(int index, QDate proposed, bool& cancel);
    void YearCalendar_DblClick(int index);
    void VemraButton1_Click(int index);

    // Switches every calendar but calendar `keep` to no date selected, so that at most one shows a date.
    void ClearOtherSelections(int keep);
    // The compact 4 x 3 grid on a 640-pixel-wide screen; elsewhere the designed block, centred.
    void ArrangeCalendars();
    // Gives the calendars the busy days of their year and today's date, read afresh: entries may have
    // been added or today may have turned into tomorrow since they were last given.
    void MarkBusyDays();

protected:
    void Form_Unload() override;
    // The keyboard reaches the calendars: the arrows and the page keys choose a day (another year's day
    // turns the year picker), Space copies it as a click does, Enter opens the add dialog for it, Escape
    // goes back to the main window.
    bool Form_KeyPress(int key, Qt::KeyboardModifiers modifiers) override;
    // The calendar with the chosen date; its selected day is what a reader hears.
    QWidget* dayTarget() const override;

private:
    void placeAtDesign();
    // The calendar that shows a selected date; -1 when none does.
    int selectedCalendar() const;
    const YearMarks& marksOf(int year);

    AppContext& m_ctx;
    WindowOwner& m_windows;

    ClickLabel* m_label2 = nullptr;
    QFrame* m_frame1 = nullptr;
    ClickLabel* m_label1 = nullptr;
    QComboBox* m_combo1 = nullptr;
    std::array<MonthCalendar*, Months> m_yearCalendar{};
    std::array<VemraButton*, 2> m_vemraButton1{};

    // The busy days last read, and the state of the schedule they were read from.
    YearMarks m_marks;
    quint64 m_marksChangeCount = 0;
    quint64 m_marksKnownCount = 0; // of the occurrences, which are worked out off the window's thread
    bool m_marksRead = false;
};
