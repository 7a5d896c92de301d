#pragma once

#include <QAccessibleWidget>

class ClickLabel;

// What assistive tools see of a picture or a link that works a command (a window's close picture, the
// organizer's "Click here"): a push button whose press action clicks it and names its key. Labels that
// only show text keep the interface Qt gives them.
class ClickLabelAccessible : public QAccessibleWidget
{
public:
    explicit ClickLabelAccessible(ClickLabel* label);

    // Makes Qt hand out this interface for every label with a command key; safe to call more than once.
    static void install();

    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    ClickLabel* label() const;
};
