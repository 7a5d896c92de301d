#pragma once

#include <QAccessibleWidget>

class VemraButton;

// What assistive tools see of an owner-drawn button: a push button named by its caption (without the
// access-key mark), unavailable while disabled, whose press action clicks it and names the keys that do
// the same.
class VemraButtonAccessible : public QAccessibleWidget
{
public:
    explicit VemraButtonAccessible(VemraButton* button);

    // Makes Qt hand out this interface for every VemraButton; safe to call more than once.
    static void install();

    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    VemraButton* button() const;
};
