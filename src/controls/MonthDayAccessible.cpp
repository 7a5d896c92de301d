#include "controls/MonthDayAccessible.h"

#include "controls/MonthCalendar.h"

#include <QCoreApplication>
#include <QStringList>
#include <QWidget>

MonthDayAccessible::MonthDayAccessible(MonthCalendar* calendar, int day) : m_calendar(calendar), m_day(day) {}

QDate MonthDayAccessible::date() const
{
    return isValid() ? QDate(m_calendar->year(), m_calendar->month(), m_day) : QDate();
}

bool MonthDayAccessible::isValid() const
{
    return m_calendar && m_day >= 1 && m_day <= m_calendar->dayCount();
}

QWindow* MonthDayAccessible::window() const
{
    return m_calendar ? m_calendar->window()->windowHandle() : nullptr;
}

QAccessibleInterface* MonthDayAccessible::parent() const
{
    return m_calendar ? QAccessible::queryAccessibleInterface(m_calendar) : nullptr;
}

QString MonthDayAccessible::text(QAccessible::Text t) const
{
    const QDate day = date();
    if (!day.isValid())
        return {};
    if (t == QAccessible::Name)
        return m_calendar->spokenDay(day);
    if (t != QAccessible::Description)
        return {};
    QStringList states;
    if (day == m_calendar->today())
        states << QCoreApplication::translate("MonthCalendar", "today");
    if (day == m_calendar->value())
        states << QCoreApplication::translate("MonthCalendar", "selected");
    return states.join(QStringLiteral(", "));
}

QRect MonthDayAccessible::rect() const
{
    const QRect place = isValid() ? m_calendar->dayRect(date()) : QRect();
    return place.isEmpty() ? QRect() : QRect(m_calendar->mapToGlobal(place.topLeft()), place.size());
}

QAccessible::State MonthDayAccessible::state() const
{
    QAccessible::State state;
    if (!isValid()) {
        state.invalid = true;
        return state;
    }
    state.focusable = true;
    state.selectable = true;
    state.selected = date() == m_calendar->value();
    state.focused = state.selected && m_calendar->window()->isActiveWindow();
    state.invisible = !m_calendar->isVisible();
    return state;
}
