#pragma once

#include <QAccessibleWidget>

class DesignForm;

// What assistive tools see of one of the program's windows: a window named by its title (an alarm window
// is an alert), whose children leave out the hidden focus sink and whose focus is on the control the
// sink's keys work (a command reached with Tab, or the chosen day).
class DesignFormAccessible : public QAccessibleWidget
{
public:
    explicit DesignFormAccessible(DesignForm* form);

    // Makes Qt hand out this interface for every window and the sink's for every focus sink; safe to call
    // more than once.
    static void install();

    QAccessible::Role role() const override;
    QString text(QAccessible::Text t) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* focusChild() const override;

private:
    DesignForm* form() const;
    QList<QAccessibleInterface*> shownChildren() const;
};
