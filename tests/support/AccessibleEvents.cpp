#include "support/AccessibleEvents.h"

#include <QCoreApplication>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include <private/qguiapplication_p.h>

namespace {

std::vector<AccessibleEvents::Event>& recorded()
{
    static std::vector<AccessibleEvents::Event> events;
    return events;
}

void record(QAccessibleEvent* event)
{
    AccessibleEvents::Event seen{event->type(), event->object(), event->child(), QAccessible::NoRole, {}, {}};
    if (QAccessibleInterface* spoken = event->accessibleInterface()) {
        seen.role = spoken->role();
        seen.name = spoken->text(QAccessible::Name);
        seen.description = spoken->text(QAccessible::Description);
    }
    recorded().push_back(seen);
}

void setActive(bool active)
{
    if (QPlatformIntegration* platform = QGuiApplicationPrivate::platformIntegration()) {
        if (QPlatformAccessibility* accessibility = platform->accessibility())
            accessibility->setActive(active);
    }
}

} // namespace

AccessibleEvents::AccessibleEvents()
{
    recorded().clear();
    QAccessible::installUpdateHandler(&record);
    setActive(true);
}

AccessibleEvents::~AccessibleEvents()
{
    setActive(false);
    QAccessible::installUpdateHandler(nullptr);
    recorded().clear();
}

void AccessibleEvents::clear()
{
    QCoreApplication::processEvents();
    recorded().clear();
}

std::vector<AccessibleEvents::Event> AccessibleEvents::events() const
{
    QCoreApplication::processEvents();
    return recorded();
}

std::optional<AccessibleEvents::Event> AccessibleEvents::lastFocus() const
{
    const std::vector<Event> all = events();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        if (it->type == QAccessible::Focus)
            return *it;
    }
    return std::nullopt;
}

QString AccessibleEvents::focusName() const
{
    const std::optional<Event> focus = lastFocus();
    return focus ? focus->name : QString();
}
