#include "forms/DesignFormAccessible.h"

#include "controls/CommandAccessible.h"
#include "forms/DesignForm.h"
#include "forms/FocusSinkAccessible.h"

#include <QPushButton>

namespace {

QAccessibleInterface* makeWindowInterface(const QString& className, QObject* object)
{
    if (className == QLatin1String("DesignForm") && object && object->isWidgetType())
        return new DesignFormAccessible(static_cast<DesignForm*>(object));
    return nullptr;
}

QAccessibleInterface* makeSinkInterface(const QString& className, QObject* object)
{
    // Asked for while the window is still being made, so the sink is known by its name and place.
    if (className != QLatin1String("QPushButton") || !object ||
        object->objectName() != QLatin1String("cmdSetfocus") || !qobject_cast<DesignForm*>(object->parent()))
        return nullptr;
    return new FocusSinkAccessible(static_cast<QPushButton*>(object));
}

} // namespace

DesignFormAccessible::DesignFormAccessible(DesignForm* form) : QAccessibleWidget(form, QAccessible::Window) {}

void DesignFormAccessible::install()
{
    CommandAccessible::installOnce(&makeWindowInterface);
    CommandAccessible::installOnce(&makeSinkInterface);
}

DesignForm* DesignFormAccessible::form() const
{
    return static_cast<DesignForm*>(widget());
}

QAccessible::Role DesignFormAccessible::role() const
{
    return form()->isAlert() ? QAccessible::AlertMessage : QAccessible::Window;
}

QString DesignFormAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
        return widget()->windowTitle();
    return QAccessibleWidget::text(t);
}

QList<QAccessibleInterface*> DesignFormAccessible::shownChildren() const
{
    QList<QAccessibleInterface*> children;
    const int count = QAccessibleWidget::childCount();
    for (int i = 0; i < count; ++i) {
        QAccessibleInterface* child = QAccessibleWidget::child(i);
        if (child && child->object() != form()->cmdSetfocus())
            children << child;
    }
    return children;
}

int DesignFormAccessible::childCount() const
{
    return int(shownChildren().size());
}

QAccessibleInterface* DesignFormAccessible::child(int index) const
{
    return shownChildren().value(index);
}

int DesignFormAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    return int(shownChildren().indexOf(const_cast<QAccessibleInterface*>(child)));
}

QAccessibleInterface* DesignFormAccessible::focusChild() const
{
    if (form()->focusWidget() != form()->cmdSetfocus())
        return QAccessibleWidget::focusChild();
    QWidget* target = form()->keyboardTarget();
    QAccessibleInterface* spoken = target ? QAccessible::queryAccessibleInterface(target) : nullptr;
    if (!spoken)
        return nullptr;
    QAccessibleInterface* item = spoken->focusChild();
    return item ? item : spoken;
}
