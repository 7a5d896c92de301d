#pragma once

#include <QAccessibleInterface>
#include <QDate>
#include <QPointer>

class MonthCalendar;

// What assistive tools see of one day of a month calendar, which draws its days itself: an item named
// as the calendar's owner names the day, described as today or selected, focused while selected in the
// active window.
class MonthDayAccessible : public QAccessibleInterface
{
public:
    MonthDayAccessible(MonthCalendar* calendar, int day);

    QDate date() const;

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override;

private:
    QPointer<MonthCalendar> m_calendar;
    int m_day;
};
