#include "forms/WindowHelpers.h"

#include "controls/CommandKey.h"
#include "controls/VemraButton.h"
#include "forms/AppContext.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {

// Follows one drag of a borderless window and runs the caller's after-drag action when it ends. It lives
// as a child of the window, so a window that goes away takes its drag with it.
class WindowDrag : public QObject
{
public:
    WindowDrag(QWidget* window, std::function<void()> afterDrag)
        : QObject(window), m_window(window), m_afterDrag(std::move(afterDrag))
    {
        setObjectName(QStringLiteral("WindowDrag"));
        m_settle.setSingleShot(true);
        m_settle.setInterval(200);
        QObject::connect(&m_settle, &QTimer::timeout, this, &WindowDrag::finish);
    }

    void start()
    {
        if (QWidget* grabber = QWidget::mouseGrabber())
            grabber->releaseMouse();
        QWindow* handle = m_window->windowHandle();
        m_systemMove = handle && handle->startSystemMove();
        if (m_systemMove) {
            // The window system moves the window and keeps the mouse meanwhile; the drag has ended when
            // the button comes back or the window has stopped moving for a moment.
            m_window->installEventFilter(this);
        } else {
            m_offset = QCursor::pos() - m_window->pos();
        }
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Move:
            if (m_systemMove && watched == m_window)
                m_settle.start();
            break;
        case QEvent::MouseMove:
            if (!m_systemMove) {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                if (mouse->buttons() & Qt::LeftButton) {
                    m_window->move(mouse->globalPosition().toPoint() - m_offset);
                    return true;
                }
            }
            break;
        case QEvent::MouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                // Let the release reach its widget first, then end the drag.
                QTimer::singleShot(0, this, &WindowDrag::finish);
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    void finish()
    {
        if (m_finished)
            return;
        m_finished = true;
        QCoreApplication::instance()->removeEventFilter(this);
        m_window->removeEventFilter(this);
        m_settle.stop();
        const auto afterDrag = std::move(m_afterDrag);
        deleteLater();
        if (afterDrag)
            afterDrag();
    }

    QWidget* m_window;
    std::function<void()> m_afterDrag;
    QTimer m_settle;
    QPoint m_offset;
    bool m_systemMove = false;
    bool m_finished = false;
};

} // namespace

void DragWindow(QWidget* window, Qt::MouseButton button, std::function<void()> afterDrag)
{
    if (!window || button != Qt::LeftButton)
        return;
    if (window->findChild<WindowDrag*>(QStringLiteral("WindowDrag"), Qt::FindDirectChildrenOnly))
        return;                                                // a drag of this window is under way
    auto* drag = new WindowDrag(window, std::move(afterDrag)); // owned by the window
    drag->start();
}

void SetTopMost(QWidget* window, bool flag)
{
    if (!window)
        return;
    const bool visible = window->isVisible();
    const QSize size = window->size();
    // Changing the flags of a shown window hides it; it is shown again in its new band.
    window->setWindowFlag(Qt::WindowStaysOnTopHint, flag);
    window->resize(size);
    window->move(0, 0);
    if (visible)
        window->show();
}

void CentreForm(QWidget* window, const ScreenService& screen)
{
    if (!window)
        return;
    const QRect area = screen.primaryGeometry();
    window->move(area.x() + (area.width() - window->width()) / 2,
                 area.y() + (area.height() - window->height()) / 2);
}

void BringForward(QWidget* window)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

void CopyDateText(const ProgramValues& values)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(values.LastDateText);
}

void bindCommandKey(VemraButton* command, const QKeySequence& key)
{
    CommandKey::bind(command, key, [command] { command->press(); });
}
