#pragma once

#include <QAccessibleWidget>
#include <QKeySequence>

#include <functional>

// What assistive tools see of a control that works a command: a push button, unavailable while disabled,
// whose press action works the command and names the keys that do the same (the caption's access key
// and the command's own key). Each kind of control says how it is pressed and named.
class CommandAccessible : public QAccessibleWidget
{
public:
    explicit CommandAccessible(QWidget* command);

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

    // Makes Qt hand out a command's interface for each object the factory takes; safe to call more than
    // once for the same factory.
    static void installOnce(QAccessible::InterfaceFactory factory);

protected:
    virtual void press() = 0;
    // Alt and the caption's underlined letter, or an empty sequence.
    virtual QKeySequence accessKey() const { return {}; }
};
