#include "forms/FocusSinkAccessible.h"

#include <QPushButton>

FocusSinkAccessible::FocusSinkAccessible(QPushButton* sink) : QAccessibleWidget(sink, QAccessible::NoRole) {}

QString FocusSinkAccessible::text(QAccessible::Text) const
{
    return {};
}

QAccessible::State FocusSinkAccessible::state() const
{
    QAccessible::State state;
    state.invisible = true;
    return state;
}
