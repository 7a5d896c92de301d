#include "controls/FlatDecorator.h"

#include "controls/FlatFrame.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QChildEvent>
#include <QComboBox>
#include <QCursor>
#include <QEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QVariant>

namespace {

// The place a text box was moved inwards to. Attaching it again while it is still there does not shrink it
// again; once its window has put it back in its designed place (as a window that opens again does), it
// is moved in anew.
const char* const RoomMadeProperty = "zentravioFlatFrameRoom";

FlatError incorrectControlType()
{
    const QString program = QCoreApplication::instance()
                                ? QFileInfo(QCoreApplication::applicationFilePath()).fileName()
                                : QString();
    return {
        FlatDecorator::ErrIncorrectControlType, program + QStringLiteral(".FlatDecorator"),
        QStringLiteral(
            "Incorrect control type passed to 'Attach' parameter - must be a control with a hWnd property.")};
}

// Moves a text box two pixels inwards on every side, so that the frame drawn around it has room.
void makeRoomForFrame(QWidget* control)
{
    const QVariant madeAt = control->property(RoomMadeProperty);
    if (madeAt.isValid() && madeAt.toRect() == control->geometry())
        return;
    const QRect g = control->geometry();
    control->setGeometry(g.x() + 2, g.y() + 2, qMax(0, g.width() - 4), qMax(0, g.height() - 4));
    control->setProperty(RoomMadeProperty, control->geometry());
}

} // namespace

FlatDecorator::FlatDecorator(QObject* parent) : QObject(parent), m_pointer([] { return QCursor::pos(); })
{
    m_hoverTimer.setInterval(HoverInterval);
    m_hoverTimer.setSingleShot(true);
    connect(&m_hoverTimer, &QTimer::timeout, this, &FlatDecorator::hoverTick);
}

FlatDecorator::~FlatDecorator()
{
    Detach();
}

bool FlatDecorator::Attach(QObject* control)
{
    Detach();
    m_lastError = {};
    auto* widget = qobject_cast<QWidget*>(control);
    if (!widget) {
        m_lastError = incorrectControlType();
        return false;
    }
    const bool combo = qobject_cast<QComboBox*>(widget) != nullptr;
    if (!combo)
        makeRoomForFrame(widget);
    hWndAttach(widget, combo);
    return true;
}

void FlatDecorator::hWndAttach(QWidget* window, bool isCombo)
{
    Detach();
    if (!window)
        return;
    m_window = window;
    m_isCombo = isCombo;
    watch(window);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(window))
        watch(area->viewport());
    if (auto* combo = qobject_cast<QComboBox*>(window); combo && isCombo) {
        syncEditChild();
        // The list is a window of its own; it showing and hiding are the combo's drop-down and close-up.
        m_list = combo->view()->window();
        if (m_list != window->window())
            m_list->installEventFilter(this);
        else
            m_list = nullptr;
        const auto notification = [this] {
            stopHover(false);
            refresh();
        };
        m_connections << connect(combo, &QComboBox::currentIndexChanged, this, notification)
                      << connect(combo, &QComboBox::editTextChanged, this, notification);
    }
    m_connections << connect(window, &QObject::destroyed, this, &FlatDecorator::Detach);
    m_attached = true;
    placeFrame();
}

void FlatDecorator::Detach()
{
    stopHover(false);
    for (const Watched& w : std::as_const(m_watched)) {
        if (w.widget) {
            w.widget->removeEventFilter(this);
            w.widget->setMouseTracking(w.hadMouseTracking);
        }
    }
    m_watched.clear();
    if (m_list)
        m_list->removeEventFilter(this);
    for (const auto& connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    dropFrame();
    m_window = nullptr;
    m_edit = nullptr;
    m_list = nullptr;
    m_attached = false;
    m_isCombo = false;
}

bool FlatDecorator::DroppedDown() const
{
    return m_isCombo && m_window && m_list && m_list->isVisible();
}

FlatState FlatDecorator::drawState() const
{
    if (DroppedDown())
        return FlatState::DroppedDown;
    if (m_hot || isFocused())
        return FlatState::HotOrFocused;
    return FlatState::Normal;
}

void FlatDecorator::setPointerSource(PointerSource source)
{
    m_pointer = std::move(source);
}

void FlatDecorator::hoverTick()
{
    stopHover(true);
    if (!m_hot)
        refresh();
}

bool FlatDecorator::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_attached)
        return false;
    if (watched == m_list) {
        if (event->type() == QEvent::Show || event->type() == QEvent::Hide)
            listNotification();
        return false;
    }
    switch (event->type()) {
    case QEvent::FocusIn:
        stopHover(false);
        refresh();
        break;
    case QEvent::FocusOut:
        refresh();
        break;
    case QEvent::Enter:
    case QEvent::MouseMove:
        pointerMoved();
        break;
    case QEvent::Leave:
    case QEvent::Hide:
        // Only the control's own leave ends the hover (into another widget or a window over it): its
        // edit field's leave may be back into the control. A hidden control is under no pointer.
        if (watched == m_window && m_hot) {
            stopHover(false);
            refresh();
        }
        if (event->type() == QEvent::Hide && watched == m_window)
            placeFrame();
        break;
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::ZOrderChange:
    case QEvent::ParentChange:
        if (watched == m_window)
            placeFrame();
        break;
    case QEvent::ChildPolished:
        // A combo made editable gets a new edit field, stacked above the frame.
        if (watched == m_window && static_cast<QChildEvent*>(event)->child() != m_frame) {
            syncEditChild();
            placeFrame();
        }
        break;
    case QEvent::EnabledChange:
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
        if (watched == m_window)
            refresh();
        break;
    default:
        break;
    }
    return false;
}

void FlatDecorator::watch(QWidget* widget)
{
    // Mouse tracking lets a move over the control start the hover look even when it was entered while
    // it had the focus.
    m_watched.append({widget, widget->hasMouseTracking()});
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
}

void FlatDecorator::syncEditChild()
{
    auto* combo = qobject_cast<QComboBox*>(m_window.data());
    QWidget* edit = combo && m_isCombo ? combo->lineEdit() : nullptr;
    if (edit == m_edit)
        return;
    m_edit = edit;
    if (edit)
        watch(edit);
}

void FlatDecorator::placeFrame()
{
    if (!m_window)
        return;
    QWidget* host = m_isCombo ? m_window.data() : m_window->parentWidget();
    if (m_frame && m_frame->parentWidget() != host)
        dropFrame();
    if (!host)
        return;
    if (!m_frame) {
        // Owned by its host widget; dropFrame() or the host's end removes it.
        m_frame =
            new FlatFrame(host, m_window, m_isCombo ? FlatFrame::Kind::Combo : FlatFrame::Kind::TextBox);
        m_frame->setStateSource([this] { return drawState(); });
    }
    m_frame->follow();
    m_frame->update();
}

void FlatDecorator::dropFrame()
{
    if (!m_frame)
        return;
    // When the control itself is going away the frame only needs to stop asking this decorator; hiding
    // it could touch a parent that is being torn down.
    m_frame->setStateSource({});
    if (m_window)
        m_frame->hide();
    m_frame->deleteLater();
    m_frame = nullptr;
}

void FlatDecorator::refresh()
{
    if (m_frame)
        m_frame->update();
}

bool FlatDecorator::isFocused() const
{
    const QWidget* focus = QApplication::focusWidget();
    return focus && m_window && (focus == m_window || focus == m_edit);
}

void FlatDecorator::pointerMoved()
{
    if (m_hot) {
        // Puts off the one look the timer takes once the pointer rests.
        m_hoverTimer.start();
        return;
    }
    if (isFocused() || DroppedDown())
        return;
    m_hot = true;
    m_hoverTimer.start();
    refresh();
}

void FlatDecorator::stopHover(bool check)
{
    if (check && m_window && m_pointer) {
        const QRect onScreen(m_window->mapToGlobal(QPoint(0, 0)), m_window->size());
        if (onScreen.contains(m_pointer()))
            return;
    }
    m_hoverTimer.stop();
    m_hot = false;
}

void FlatDecorator::listNotification()
{
    // Dropping the list down or closing it ends any hover; the look then follows the focus and the list.
    stopHover(false);
    refresh();
}
