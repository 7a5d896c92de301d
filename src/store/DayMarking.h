#pragma once

#include "store/MonthGrid.h"
#include "store/ScheduleTable.h"

#include <QDateTime>

// The markings of a month grid and the hint of one day. The windows lay out or recolour their cells
// first, then run MarkDays, then MarkToday, so that today's red wins over any entry colour.
namespace DayMarking {

enum class GridTag
{
    MainForm,     // one-time entries turn light orange once they are past
    FormOrganizer // one-time entries stay green; marked cells are also bold
};

// Colours the cells that carry entries: one-time entries green (light orange on the main window once
// past), monthly and yearly entries blue. Entries are taken in walk order, so the last one on a cell
// gives its colour; bold, once set, stays. Every-day and weekday entries colour nothing.
void MarkDays(const ScheduleTable& table, MonthGrid& grid, GridTag tag, const QDateTime& now);

// Colours today's cell red when the grid shows today's month and year; on the organizer also bold.
void MarkToday(MonthGrid& grid, GridTag tag, QDate today);

// The hint of a day, for the date text "mm/dd/yyyy": the number of entries stored with exactly that
// date text, " Entries: ", and their subjects separated by ", ".
QString DaySummary(const ScheduleTable& table, const QString& dateText);

} // namespace DayMarking
