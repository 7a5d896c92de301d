#include "forms/DayCellAccessible.h"

#include "controls/CommandAccessible.h"
#include "forms/ClickLabel.h"
#include "forms/DesignForm.h"

namespace {

QAccessibleInterface* makeInterface(const QString& className, QObject* object)
{
    if (className != QLatin1String("ClickLabel") || !object ||
        !object->objectName().startsWith(QLatin1String("DaySlot(")))
        return nullptr;
    return new DayCellAccessible(static_cast<ClickLabel*>(object));
}

} // namespace

DayCellAccessible::DayCellAccessible(ClickLabel* cell) : QAccessibleWidget(cell, QAccessible::ListItem) {}

void DayCellAccessible::install()
{
    CommandAccessible::installOnce(&makeInterface);
}

QAccessible::State DayCellAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.focusable = true;
    state.selectable = true;
    state.selected = widget()->accessibleDescription().contains(QLatin1String("selected"));
    const auto* form = qobject_cast<const DesignForm*>(widget()->window());
    state.focused = form && form->isActiveWindow() && form->keyboardTarget() == widget();
    return state;
}
