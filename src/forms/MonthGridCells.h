#pragma once

#include "store/MonthGrid.h"

#include <QObject>
#include <QRect>

#include <vector>

class BeepService;
class ClickLabel;
class QWidget;

// How a window designs its month grid: where cell 0 and header 0 sit (in twips), and the colours and
// font size every layout gives the day cells.
struct DayCellDesign
{
    QRect cell;
    QRect header;
    BgrColor back = Bgr::White;
    BgrColor fore = Bgr::Black;
    qreal designPoints = 6.75; // cell 0 as designed, before the first layout
    qreal layoutPoints = 7.0;

    // The main window: white cells with black figures.
    static DayCellDesign mainWindow();
    // The organizer: cells in the desktop's workspace colour with white figures.
    static DayCellDesign organizer();
};

// The day cells (DaySlot) and weekday headers (labelss) of a month grid window. Cell 0 and header 0 are
// placed by the window's design; the layout creates the others as copies of them on first use, places
// every cell relative to cell 0 and keeps them for the window's life. The decisions of which day is
// marked are made on the MonthGrid model; this class only carries them to and from the labels.
class MonthGridCells : public QObject
{
    Q_OBJECT

public:
    // Creates cell 0 and header 0 on the form at their design places.
    MonthGridCells(QWidget* form, BeepService& beeper,
                   const DayCellDesign& design = DayCellDesign::mainWindow());

    int count() const { return int(m_cells.size()); }
    ClickLabel* DaySlot(int index) const;
    ClickLabel* labelss(int index) const;
    // The shown cell of a day of the laid-out month; -1 when no cell shows it.
    int cellOfDay(int day) const;

    // Lays out the month on the cells and headers, beeping at cells 6 and 12 as every layout does.
    // Marking is left to the caller.
    void SetupDays(int month, int year);

    // The cells as the markings see them, for the shown month picker position and year picker text.
    MonthGrid model(int monthIndex, const QString& yearText) const;
    // Gives the cells the fore colours, bold flags and spoken names of a marked model; a screen reader
    // also hears which cell is today and which one was chosen.
    void applyMarks(const MonthGrid& grid);
    // Paints every cell in one pair of colours (a theme), and the clicked cell in the other pair.
    void paintAll(BgrColor back, BgrColor fore);
    // Gives the weekday headers, which stand on the window, a theme's colour.
    void paintHeaders(BgrColor fore);
    void highlight(int index, BgrColor back, BgrColor fore, BgrColor otherBack, BgrColor otherFore);
    // The cell last highlighted since the month was laid out; -1 for none.
    int selectedCell() const { return m_selected; }

signals:
    void Click(int index);
    void DblClick(int index);
    void MouseMove(int index);

private:
    ClickLabel* createCell(int index);
    ClickLabel* createHeader(int index);

    QWidget* m_form;
    BeepService& m_beeper;
    DayCellDesign m_design;
    int m_selected = -1;
    std::vector<ClickLabel*> m_cells;
    std::vector<ClickLabel*> m_headers;
};
