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

ClickLabelAccessible::ClickLabelAccessible(ClickLabel* label) : QAccessibleWidget(label, QAccessible::Button)
{}

void ClickLabelAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(&makeInterface);
        return true;
    }();
    Q_UNUSED(installed);
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

QStringList ClickLabelAccessible::actionNames() const
{
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void ClickLabelAccessible::doAction(const QString& actionName)
{
    if (actionName == pressAction())
        emit label()->Click();
    else
        QAccessibleWidget::doAction(actionName);
}

QStringList ClickLabelAccessible::keyBindingsForAction(const QString& actionName) const
{
    if (actionName != pressAction())
        return QAccessibleWidget::keyBindingsForAction(actionName);
    return {CommandKey::keyOf(label()).toString(QKeySequence::PortableText)};
}
