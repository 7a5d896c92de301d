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
//
// Where the window system moves the window, it keeps the mouse meanwhile: the window hears neither the
// moves nor the release that ends the drag, only that it stands somewhere else. The drag has ended once
// the window has stood still for a moment; the after-drag action then runs with the window at its new
// place (again after each pause, should the user move on, which puts things beside it right again).
class WindowDrag : public QObject
{
public:
    WindowDrag(QWidget* window, std::function<void()> afterDrag)
        : QObject(window), m_window(window), m_afterDrag(std::move(afterDrag))
    {
        setObjectName(QStringLiteral("WindowDrag"));
        m_settle.setSingleShot(true);
        m_settle.setInterval(SettleInterval);
        QObject::connect(&m_settle, &QTimer::timeout, this, &WindowDrag::settled);
        m_linger.setSingleShot(true);
        m_linger.setInterval(LingerInterval);
        QObject::connect(&m_linger, &QTimer::timeout, this, &WindowDrag::finish);
    }

    void start()
    {
        if (QWidget* grabber = QWidget::mouseGrabber())
            grabber->releaseMouse();
        QWindow* handle = m_window->windowHandle();
        m_systemMove = handle && handle->startSystemMove();
        if (m_systemMove) {
            m_window->installEventFilter(this);
            // A press that moves nothing ends the drag as well, once the moment has passed.
            m_settle.start();
        } else {
            m_offset = QCursor::pos() - m_window->pos();
            QCoreApplication::instance()->installEventFilter(this);
        }
    }

    // Ends the drag now, running the after-drag action unless it already ran for the window's place.
    void finish()
    {
        if (m_finished)
            return;
        m_finished = true;
        QCoreApplication::instance()->removeEventFilter(this);
        m_window->removeEventFilter(this);
        m_settle.stop();
        m_linger.stop();
        const bool pending = m_movedSinceAfterDrag || !m_systemMove;
        const auto afterDrag = std::move(m_afterDrag);
        deleteLater();
        if (afterDrag && pending)
            afterDrag();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Move:
            if (m_systemMove && watched == m_window) {
                m_movedSinceAfterDrag = true;
                m_linger.stop();
                m_settle.start();
            }
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
            if (!m_systemMove && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
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
    static constexpr int SettleInterval = 200;
    // Some window managers tell the window its new place only when the drag ends: the drag listens that long.
    static constexpr int LingerInterval = 15000;

    void settled()
    {
        // The window stands at its new place: things beside it follow now. The drag still listens a while,
        // in case the pause was only a pause.
        m_movedSinceAfterDrag = false;
        if (m_afterDrag)
            m_afterDrag();
        m_linger.start();
    }

    QWidget* m_window;
    std::function<void()> m_afterDrag;
    QTimer m_settle;
    QTimer m_linger;
    QPoint m_offset;
    bool m_systemMove = false;
    bool m_movedSinceAfterDrag = true;
    bool m_finished = false;
};

} // namespace

void DragWindow(QWidget* window, Qt::MouseButton button, std::function<void()> afterDrag)
{
    if (!window || button != Qt::LeftButton)
        return;
    // A drag still under way (or still listening after one) ends before the next begins.
    for (WindowDrag* earlier :
         window->findChildren<WindowDrag*>(QStringLiteral("WindowDrag"), Qt::FindDirectChildrenOnly))
        earlier->finish();
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
