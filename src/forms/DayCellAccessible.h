#pragma once

#include <QAccessibleWidget>

class ClickLabel;

// What assistive tools see of a day cell of a month grid: an item named by its full date and entries,
// described as today or selected, and focused while it is the day the window's keys work on.
class DayCellAccessible : public QAccessibleWidget
{
public:
    explicit DayCellAccessible(ClickLabel* cell);

    // Makes Qt hand out this interface for every day cell; safe to call more than once.
    static void install();

    QAccessible::State state() const override;
};
