#include "forms/ClickLabelAccessible.h"

#include "controls/CommandKey.h"
#include "forms/ClickLabel.h"

namespace {

QAccessibleInterface* makeInterface(const QString& className, QObject* object)
{
    if (className != QLatin1String("ClickLabel") || !object || !object->isWidgetType())
        return nullptr;
    auto* label = static_cast<ClickLabel*>(object);
    if (CommandKey::keyOf(label).isEmpty())
        return nullptr;
    return new ClickLabelAccessible(label);
}

} // namespace

ClickLabelAccessible::ClickLabelAccessible(ClickLabel* label) : CommandAccessible(label) {}

void ClickLabelAccessible::install()
{
    installOnce(&makeInterface);
}

ClickLabel* ClickLabelAccessible::label() const
{
    return static_cast<ClickLabel*>(widget());
}

QString ClickLabelAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
        return label()->text();
    return QAccessibleWidget::text(t);
}

void ClickLabelAccessible::press()
{
    emit label()->Click();
}
