#pragma once

#include "forms/AppContext.h"
#include "forms/DesignForm.h"

#include <QDateTime>

#include <array>
#include <memory>
#include <vector>

struct AppContext;
class AlarmService;
class ClickLabel;
class MonthGridCells;
class QAction;
class QComboBox;
class QMenu;
class QTimer;
class VemraButton;
enum class ButtonType;
class WindowOwner;

// The program's main window: a month calendar with its own title strip, month and year pickers with
// four step buttons, a line with today's date and a column of commands that folds away. It lives for the
// whole run; closing it (its close picture, "&Exit" or the tray menu's "&Exit") saves the settings and
// asks the program to end.
//
// The window owner connects AddTrayIcon / RemoveTrayIcon (the notification-area icon comes and goes
// with the window), AboutRequested (show the splash window as the about screen; it re-enables this window
// when it closes) and ProgramEnd (quit). The tray icon pops up mnu().
class MainForm : public DesignForm
{
    Q_OBJECT

public:
    // The command column `cmdButton`, by index.
    enum Command
    {
        ChangeColor = 0,
        Max = 1,
        DateFormat = 2,
        About = 3,
        Exit = 4,
        Organizer = 5,
        Countdown = 6,
        CommandCount = 7
    };

    MainForm(AppContext& context, WindowOwner& windows, QWidget* parent = nullptr);
    ~MainForm() override;

    int ShownMonth() const { return m_shownMonth; }
    int ShownYear() const { return m_shownYear; }
    bool isFolded() const;
    MonthGridCells& dayCells() const { return *m_grid; }

    // The notification-area menu ("&About", "&Exit"); its "&Exit" is enabled only while the main window
    // was the last calendar window activated.
    QMenu* mnu() const { return m_mnu.get(); }
    QAction* mnuExit() const { return m_mnuExit; }
    // "Calendar &account..." of the menu, which is also the window's key for the account window.
    QAction* mnuAccount() const { return m_mnuAccount; }

    // The time Timer1 took from the clock at its last tick.
    QDateTime lastTickTime() const { return m_lastTick; }

    void Form_Load() override;
    void Form_Activate() override;
    void Combo1_Click();
    void Combo2_Click();
    void EXTRA_Click(int index);
    void DaySlot_Click(int index);
    void DaySlot_DblClick(int index);
    void DaySlot_MouseMove(int index);
    void lblTitle_Click(int index);
    void Image1_Click(int index);
    void cmdButton_Click(int index);
    void VemraButton1_Click();
    void mnuLong_Click();
    void mnuS_Click();
    void mnuA_Click();
    void mnuAccount_Click();
    void mnuExit_Click();
    void Timer1_Timer();

    // Lays out the shown month on the day cells, then marks them.
    void SetupDays();
    // Colours the main window in theme 1 (light) or 0 (dark) and records the theme's name; any other
    // number changes nothing. The day markings are left to the caller.
    void ApplyTheme(int themeNumber);

    // The add dialog has closed; openedFrom names the window that opened it.
    void AddDialogClosed(AddDialogOpener openedFrom);
    // A drag of this window or of one the program shows over it has ended: the countdown list follows the
    // window while the command column is open, and the days are marked again.
    void WindowDragged();

    // Puts the countdown list beside the window on the side `DockSide` names, shows it and disables the
    // countdown command, since the list is open (the window comes back from the tray or the organizer).
    void DockListWindow();
    // The countdown list has unloaded: its command can open it again.
    void ListWindowUnloaded();

    // The program's alarm service, which rings for the whole run.
    AlarmService& alarmService();

signals:
    void AddTrayIcon();
    void RemoveTrayIcon();
    void AboutRequested();
    void ProgramEnd();
    // A theme was applied to the main window; the countdown list follows it.
    void ThemeApplied(int themeNumber);

protected:
    void Form_Unload() override;
    // The keyboard reaches the calendar: arrows and the page keys move the chosen day, Space copies it
    // as a click does, Enter opens the add dialog for it, F11 opens the year view.
    bool Form_KeyPress(int key, Qt::KeyboardModifiers modifiers) override;
    QWidget* dayTarget() const override;

private:
    void buildTitleStrip();
    void buildPickers();
    void buildCommands();
    void buildMenus();
    VemraButton* makeButton(const QString& name, const QString& caption, const QRect& place, ButtonType type);

    void GetFromRegistry();
    // Today is marked last, so its red wins over an entry's colour; the countdown command marks it first,
    // so that an entry of today shows its own colour there until the next marking.
    enum class TodayMark
    {
        Last,
        First
    };
    void markDays(TodayMark today = TodayMark::Last);
    // After a drag, the list follows the window on its side while the command column is open.
    void redockListWindow();
    void reportStoreError();
    void reapplyTheme();
    void selectMonth(int index);
    bool setYearPickerText(const QString& text);
    int yearPickerValue() const;
    void shiftLeft(QWidget* widget, int twips);
    void showTodaysDate();
    // The date text of a day cell, month/day/year as the pickers and its caption give it.
    QString cellDateText(int index) const;
    // Shows the cell as the chosen one in the theme's colours (none in an unknown theme).
    void highlightCell(int index);
    // The cell that shows the day, showing its month first; -1 when the pickers cannot show it.
    int showDay(QDate day);

    AppContext& m_ctx;
    WindowOwner& m_windows;
    int m_shownMonth = 1;
    int m_shownYear = 2000;
    QDateTime m_lastTick;
    QDate m_chosenDay; // the day the keyboard works on; today until a day is chosen

    std::array<ClickLabel*, 2> m_lblTitle{};
    ClickLabel* m_label3 = nullptr;
    std::array<ClickLabel*, 2> m_image1{};
    QComboBox* m_combo1 = nullptr;
    QComboBox* m_combo2 = nullptr;
    MonthGridCells* m_grid = nullptr;
    std::array<VemraButton*, 4> m_extra{};
    ClickLabel* m_label1 = nullptr;
    ClickLabel* m_label2 = nullptr;
    VemraButton* m_vemraButton1 = nullptr;
    std::array<VemraButton*, CommandCount> m_cmdButton{};
    QTimer* m_timer1 = nullptr;
    QMenu* m_mnuFile = nullptr;
    QAction* m_mnuExit = nullptr;
    QAction* m_mnuAccount = nullptr;

    // Not a child of the window, so that the tray can use it while the window is disabled.
    std::unique_ptr<QMenu> m_mnu;
    QString m_shownStoreError;
};
