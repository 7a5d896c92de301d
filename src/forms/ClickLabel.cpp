#include "forms/ClickLabel.h"

#include "controls/ButtonColor.h"
#include "controls/CommandKey.h"
#include "forms/ClickLabelAccessible.h"
#include "forms/DesignUnits.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QMouseEvent>

ClickLabel::ClickLabel(QWidget* parent) : ClickLabel(QString(), parent) {}

ClickLabel::ClickLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setMouseTracking(true);
    // Labels carry entry texts and dates; none of them is ever read as markup.
    setTextFormat(Qt::PlainText);
    applyPalette();
}

void ClickLabel::setCommandKey(const QKeySequence& key)
{
    ClickLabelAccessible::install();
    CommandKey::bind(this, key, [this] { emit Click(); });
    // An assistive tool may already have met the label as a plain picture; the next look makes it anew.
    if (QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(this))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(seen));
}

void ClickLabel::setBackColor(BgrColor color)
{
    setColors(color, m_fore);
}

void ClickLabel::setForeColor(BgrColor color)
{
    setColors(m_back, color);
}

void ClickLabel::setColors(BgrColor back, BgrColor fore)
{
    if (back == m_back && fore == m_fore)
        return;
    m_back = back;
    m_fore = fore;
    applyPalette();
}

void ClickLabel::setOpaque(bool opaque)
{
    setAutoFillBackground(opaque);
}

void ClickLabel::applyPalette()
{
    // A colour naming a system colour takes the desktop's colour for it.
    const QPalette system = QGuiApplication::palette();
    QPalette p = palette();
    p.setColor(QPalette::Window, Design::color(ButtonColor::translate(m_back, system)));
    p.setColor(QPalette::WindowText, Design::color(ButtonColor::translate(m_fore, system)));
    setPalette(p);
}

void ClickLabel::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    emit MouseDown(event->button());
    event->accept();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && !m_afterDoubleClick && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    m_afterDoubleClick = false;
    event->accept();
    if (click)
        emit Click();
}

void ClickLabel::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    m_afterDoubleClick = true;
    emit DblClick();
}

void ClickLabel::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    emit MouseMove();
}
