#pragma once

#include <QAccessibleWidget>

class QPushButton;

// What assistive tools see of a window's hidden focus sink: nothing a reader announces (no name, no
// role, invisible), since the keys it takes work another control of the window.
class FocusSinkAccessible : public QAccessibleWidget
{
public:
    explicit FocusSinkAccessible(QPushButton* sink);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override { return {}; }
};
