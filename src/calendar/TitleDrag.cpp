#include "calendar/TitleDrag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

TitleDrag::TitleDrag(QWidget* window) : QObject(window), m_window(window) {}

void TitleDrag::watch(QWidget* titleLabel)
{
    titleLabel->installEventFilter(this);
}

bool TitleDrag::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_window)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            break;
        QWindow* handle = m_window->windowHandle();
        if (handle && handle->startSystemMove()) {
            emit Dragged();
            break;
        }
        m_dragging = true;
        m_grabOffset = mouse->globalPosition().toPoint() - m_window->pos();
        break;
    }
    case QEvent::MouseMove:
        if (m_dragging) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            m_window->move(mouse->globalPosition().toPoint() - m_grabOffset);
        }
        break;
    case QEvent::MouseButtonRelease:
        if (m_dragging) {
            m_dragging = false;
            emit Dragged();
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
