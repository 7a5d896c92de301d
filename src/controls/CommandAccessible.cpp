#include "controls/CommandAccessible.h"

#include "controls/CommandKey.h"

#include <set>

CommandAccessible::CommandAccessible(QWidget* command) : QAccessibleWidget(command, QAccessible::Button) {}

void CommandAccessible::installOnce(QAccessible::InterfaceFactory factory)
{
    // Touched on the window's thread only, as every widget is.
    static std::set<QAccessible::InterfaceFactory> installed;
    if (installed.insert(factory).second)
        QAccessible::installFactory(factory);
}

QStringList CommandAccessible::actionNames() const
{
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void CommandAccessible::doAction(const QString& actionName)
{
    if (actionName == pressAction())
        press();
    else
        QAccessibleWidget::doAction(actionName);
}

QStringList CommandAccessible::keyBindingsForAction(const QString& actionName) const
{
    if (actionName != pressAction())
        return QAccessibleWidget::keyBindingsForAction(actionName);
    QStringList keys;
    for (const QKeySequence& key : {accessKey(), CommandKey::keyOf(widget())}) {
        if (!key.isEmpty())
            keys << key.toString(QKeySequence::PortableText);
    }
    return keys;
}
