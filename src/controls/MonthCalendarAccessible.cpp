#include "controls/MonthCalendarAccessible.h"

#include "controls/CommandAccessible.h"
#include "controls/MonthCalendar.h"
#include "controls/MonthDayAccessible.h"

namespace {

QAccessibleInterface* makeInterface(const QString& className, QObject* object)
{
    if (className == QLatin1String("MonthCalendar") && object && object->isWidgetType())
        return new MonthCalendarAccessible(static_cast<MonthCalendar*>(object));
    return nullptr;
}

} // namespace

MonthCalendarAccessible::MonthCalendarAccessible(MonthCalendar* calendar)
    : QAccessibleWidget(calendar, QAccessible::List)
{}

MonthCalendarAccessible::~MonthCalendarAccessible()
{
    for (const auto& [day, id] : m_days)
        QAccessible::deleteAccessibleInterface(id);
}

void MonthCalendarAccessible::install()
{
    CommandAccessible::installOnce(&makeInterface);
}

MonthCalendar* MonthCalendarAccessible::calendar() const
{
    return static_cast<MonthCalendar*>(widget());
}

int MonthCalendarAccessible::childCount() const
{
    return calendar()->dayCount();
}

QAccessibleInterface* MonthCalendarAccessible::child(int index) const
{
    const int day = index + 1;
    if (day < 1 || day > calendar()->dayCount())
        return nullptr;
    auto found = m_days.find(day);
    if (found == m_days.end()) {
        auto* item = new MonthDayAccessible(calendar(), day);
        found = m_days.emplace(day, QAccessible::registerAccessibleInterface(item)).first;
    }
    return QAccessible::accessibleInterface(found->second);
}

int MonthCalendarAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    const auto* item = dynamic_cast<const MonthDayAccessible*>(child);
    if (!item || !item->isValid() || item->parent() != this)
        return -1;
    return item->date().day() - 1;
}

QAccessibleInterface* MonthCalendarAccessible::childAt(int x, int y) const
{
    const QDate date = calendar()->dateAt(calendar()->mapFromGlobal(QPoint(x, y)));
    if (date.month() != calendar()->month() || date.year() != calendar()->year())
        return nullptr;
    return child(date.day() - 1);
}

QAccessibleInterface* MonthCalendarAccessible::focusChild() const
{
    const QDate selected = calendar()->value();
    return selected.isValid() ? child(selected.day() - 1) : nullptr;
}
