#pragma once

#include <QAccessibleWidget>

#include <map>

class MonthCalendar;

// What assistive tools see of a month calendar: a list named by its month whose items are the days of
// the shown month, the selected day holding the focus.
class MonthCalendarAccessible : public QAccessibleWidget
{
public:
    explicit MonthCalendarAccessible(MonthCalendar* calendar);
    ~MonthCalendarAccessible() override;

    // Makes Qt hand out this interface for every MonthCalendar; safe to call more than once.
    static void install();

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

private:
    MonthCalendar* calendar() const;

    // The days handed out so far, by day of the month; Qt keeps them until this interface goes.
    mutable std::map<int, QAccessible::Id> m_days;
};
