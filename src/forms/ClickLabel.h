#pragma once

#include "store/MonthGrid.h"

#include <QKeySequence>
#include <QLabel>

// A label that reports the mouse the way the windows' handlers expect it: a click (left button pressed
// and released over the label), a double-click (after which the second release is no click), the
// button of every press and every move of the mouse over it. Its back and fore colours are design
// colours, so that a window can read back what a theme or a marking gave it.
class ClickLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ClickLabel(QWidget* parent = nullptr);
    ClickLabel(const QString& text, QWidget* parent);

    BgrColor BackColor() const { return m_back; }
    BgrColor ForeColor() const { return m_fore; }
    void setBackColor(BgrColor color);
    void setForeColor(BgrColor color);
    void setColors(BgrColor back, BgrColor fore);
    // An opaque label paints its back colour; a transparent one shows what lies behind it.
    void setOpaque(bool opaque);
    // Makes the label a command the keyboard reaches: the key clicks it, and assistive tools see a
    // button with that key.
    void setCommandKey(const QKeySequence& key);

signals:
    void Click();
    void DblClick();
    void MouseDown(Qt::MouseButton button);
    void MouseMove();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void applyPalette();

    BgrColor m_back = Bgr::White;
    BgrColor m_fore = Bgr::Black;
    bool m_pressed = false;
    bool m_afterDoubleClick = false;
};
