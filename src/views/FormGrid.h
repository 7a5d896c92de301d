#pragma once

#include "forms/DesignForm.h"
#include "store/Countdown.h"

class ClickLabel;
class ListGrid;
class QTimer;
class VemraButton;
class WindowOwner;
struct AppContext;
struct ColourTheme;

// The countdown list: a narrow window docked beside the main window that lists every entry still
// ahead, in table order, with a countdown to its alarm minute, refreshed every second whether it is
// shown or not. It unloads (and is deleted) when closed; the window owner makes a fresh one when the
// list is next asked for.
class FormGrid : public DesignForm
{
    Q_OBJECT

public:
    FormGrid(AppContext& context, WindowOwner& windows);
    ~FormGrid() override;

    ListGrid* Grid() const { return m_grid; }

    // Adds the two columns, then fills the rows.
    void InitializeGrid();
    // One refresh: the rows are the entries still ahead, and the countdowns count on.
    void InitializeEntry();
    // Clears the grid, columns included, and initialises it again (an alarm window does this).
    void RebuildGrid();

    // The list's half of a colour theme.
    void ApplyListTheme(const ColourTheme& theme);

    void Form_Load() override;
    void xTimer_Timer();
    void VemraButton1_Click();

protected:
    void Form_Unload() override;

private:
    class Rows;
    QString typeText(int row) const;
    QString countdownText(int row) const;

    AppContext& m_ctx;
    WindowOwner& m_windows;
    ListGrid* m_grid;
    ClickLabel* m_lblTitle1;
    ClickLabel* m_credit;
    VemraButton* m_vemraButton1;
    QTimer* m_xTimer;
    UpcomingEntries m_upcoming;
    bool m_rowsStale = true;
};
