#include "forms/DesignForm.h"

#include "controls/CommandAccessible.h"
#include "controls/FlatDecorator.h"
#include "forms/ClickLabel.h"
#include "forms/DesignFormAccessible.h"
#include "forms/DesignUnits.h"
#include "forms/WindowHelpers.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include <algorithm>

DesignForm::DesignForm(const QString& name, const QString& title, Band band, QWidget* parent)
    : QWidget(parent), m_cmdSetfocus(new QPushButton(this))
{
    // Assistive tools never hear of the sink: they see the window's own focus, as keyboardTarget() says.
    // The sink is named before it has a caption, whose change is the first thing they would hear of it.
    DesignFormAccessible::install();
    m_cmdSetfocus->setObjectName(QStringLiteral("cmdSetfocus"));
    m_cmdSetfocus->setText(QStringLiteral("Command1"));
    setObjectName(name);
    setWindowTitle(title);
    Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint;
    if (band == Band::TopMost)
        flags |= Qt::WindowStaysOnTopHint;
    setWindowFlags(flags);

    // Out of sight, but able to take the focus.
    m_cmdSetfocus->setGeometry(-200, -200, 20, 20);
    m_cmdSetfocus->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && now != m_cmdSetfocus && now->window() == this)
            m_lastField = now;
    });
}

DesignForm::~DesignForm() = default;

void DesignForm::loadIfNeeded()
{
    if (m_loaded || m_loading)
        return;
    m_loading = true;
    m_loaded = true;
    Form_Load();
    m_loading = false;
}

QPixmap DesignForm::closePicture()
{
    QPixmap picture(17, 17);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    painter.setPen(QPen(Qt::white, 2));
    painter.drawLine(4, 4, 12, 12);
    painter.drawLine(4, 12, 12, 4);
    return picture;
}

void DesignForm::setDesignSize(int widthTwips, int heightTwips)
{
    setFixedSize(Design::px(widthTwips), Design::px(heightTwips));
}

BgrColor DesignForm::BackColor() const
{
    return Design::bgr(palette().color(QPalette::Window));
}

void DesignForm::setBackColor(BgrColor color)
{
    setAutoFillBackground(true);
    QPalette back = palette();
    back.setColor(QPalette::Window, Design::color(color));
    setPalette(back);
}

void DesignForm::passFocusOn(QWidget* control)
{
    control->installEventFilter(this);
    m_passingFocus.push_back(control);
}

void DesignForm::decorate(QWidget* control)
{
    auto decorator = std::make_unique<FlatDecorator>();
    decorator->Attach(control);
    m_decorators.push_back(std::move(decorator));
}

void DesignForm::dragBy(ClickLabel* strip, std::function<void()> afterDrag)
{
    connect(strip, &ClickLabel::MouseDown, this,
            [this, afterDrag = std::move(afterDrag)](Qt::MouseButton button) {
                DragWindow(this, button, afterDrag);
            });
}

ClickLabel* DesignForm::addClosePicture(const QString& name, const QRect& place, const QKeySequence& key)
{
    auto* picture = new ClickLabel(this);
    picture->setObjectName(name);
    picture->setGeometry(place);
    picture->setPixmap(closePicture());
    picture->setAccessibleName(tr("Close"));
    picture->setCommandKey(key);
    return picture;
}

void DesignForm::centreOn(const ScreenService& screen)
{
    CentreForm(this, screen);
}

void DesignForm::setVisible(bool visible)
{
    if (visible)
        loadIfNeeded();
    const bool showing = visible && !isVisible();
    QWidget::setVisible(visible);
    if (showing && m_alert) {
        QAccessibleEvent alert(this, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
}

void DesignForm::closeEvent(QCloseEvent* event)
{
    if (m_unloading || !m_loaded) {
        event->accept();
        return;
    }
    if (!Form_QueryUnload()) {
        event->ignore();
        return;
    }
    m_unloading = true;
    Form_Unload();
    m_decorators.clear();
    m_loaded = false;
    m_unloading = false;
    event->accept();
    emit Unloaded();
}

void DesignForm::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_loaded)
        Form_Activate();
}

bool DesignForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_cmdSetfocus && event->type() == QEvent::KeyPress && isEnabled()) {
        const auto* press = static_cast<QKeyEvent*>(event);
        if (!(press->modifiers() & (Qt::AltModifier | Qt::MetaModifier))) {
            if (pressCommand(press->key(), press->modifiers()))
                return true;
            if (Form_KeyPress(press->key(), press->modifiers())) {
                // A key the window used works its days: they are what the keys act on from now on.
                const int key = press->key();
                if (key != Qt::Key_Space && key != Qt::Key_Return && key != Qt::Key_Enter) {
                    m_command = nullptr;
                    announceKeyboardTarget();
                }
                return true;
            }
        }
    }
    if (watched == m_cmdSetfocus && event->type() == QEvent::FocusIn)
        QMetaObject::invokeMethod(this, &DesignForm::settleSinkFocus, Qt::QueuedConnection);
    if (event->type() == QEvent::FocusIn &&
        std::find(m_passingFocus.begin(), m_passingFocus.end(), watched) != m_passingFocus.end()) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const bool byTab = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason;
        auto* control = static_cast<QWidget*>(watched);
        m_command = byTab && isCommand(control) ? control : nullptr;
        // The control never hears of the focus it passed on: it would take on a focus state after it
        // lost the focus, and no focus-out would ever take that state away again.
        m_cmdSetfocus->setFocus();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool DesignForm::isCommand(QWidget* control)
{
    return control && dynamic_cast<CommandAccessible*>(QAccessible::queryAccessibleInterface(control));
}

bool DesignForm::isUsableStop(QWidget* control) const
{
    if (!control || control->window() != this || !control->isEnabled() || !control->isVisibleTo(this))
        return false;
    if (control == m_cmdSetfocus)
        return dayTarget() != nullptr;
    // A control outside the window's area (the folded command column) cannot be seen, so Tab passes it.
    return rect().contains(control->mapTo(this, control->rect().center()));
}

QWidget* DesignForm::usableCommand() const
{
    return isUsableStop(m_command) ? m_command.data() : nullptr;
}

std::vector<QWidget*> DesignForm::keyboardStops() const
{
    std::vector<QWidget*> stops;
    if (!m_keyboardOrder.empty()) {
        for (const QPointer<QWidget>& control : m_keyboardOrder) {
            if (isUsableStop(control))
                stops.push_back(control);
        }
        return stops;
    }
    for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
        const bool takesTab = (w->focusPolicy() & Qt::TabFocus) && !w->focusProxy();
        if ((w == m_cmdSetfocus || takesTab || isCommand(w)) && isUsableStop(w))
            stops.push_back(w);
    }
    return stops;
}

void DesignForm::setKeyboardOrder(const std::vector<QWidget*>& order)
{
    m_keyboardOrder.assign(order.begin(), order.end());
}

void DesignForm::nameField(QWidget* field, const QString& caption)
{
    for (QWidget* w = field; w; w = w->focusProxy())
        w->setAccessibleName(caption);
    // The box a date, a time or an editable combo types into.
    for (QLineEdit* box : field->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
        box->setAccessibleName(caption);
}

QWidget* DesignForm::keyboardTarget() const
{
    if (focusWidget() && focusWidget() != m_cmdSetfocus)
        return nullptr;
    if (QWidget* command = usableCommand())
        return command;
    return dayTarget();
}

bool DesignForm::focusNextPrevChild(bool next)
{
    const std::vector<QWidget*> stops = keyboardStops();
    if (stops.empty())
        return QWidget::focusNextPrevChild(next);
    QWidget* focus = focusWidget();
    QWidget* current = focus;
    if (focus == m_cmdSetfocus)
        current = usableCommand() ? usableCommand() : m_cmdSetfocus;
    auto at = std::find_if(stops.begin(), stops.end(), [current](QWidget* stop) {
        return current && (stop == current || stop->isAncestorOf(current));
    });
    const int count = int(stops.size());
    int index = at == stops.end() ? (next ? -1 : count) : int(at - stops.begin());
    index = (index + (next ? 1 : -1) + count) % count;
    moveToStop(stops[size_t(index)], next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void DesignForm::moveToStop(QWidget* stop, Qt::FocusReason reason)
{
    if (stop != m_cmdSetfocus && !isCommand(stop)) {
        m_command = nullptr;
        stop->setFocus(reason);
        return;
    }
    m_command = stop == m_cmdSetfocus ? nullptr : stop;
    if (m_cmdSetfocus->hasFocus())
        announceKeyboardTarget();
    else
        m_cmdSetfocus->setFocus(reason);
}

void DesignForm::settleSinkFocus()
{
    if (!m_cmdSetfocus->hasFocus())
        return;
    if (!dayTarget() && !usableCommand()) {
        // Nothing here works from the sink: the keys go back to the field they were in, or to the first
        // stop (the first field, or a command when the window has no field).
        const bool backToField = m_lastField && !isCommand(m_lastField) && isUsableStop(m_lastField);
        QWidget* to = backToField ? m_lastField.data() : nullptr;
        if (!to) {
            const std::vector<QWidget*> stops = keyboardStops();
            to = stops.empty() ? nullptr : stops.front();
        }
        if (to) {
            moveToStop(to, Qt::OtherFocusReason);
            return;
        }
    }
    announceKeyboardTarget();
}

bool DesignForm::pressCommand(int key, Qt::KeyboardModifiers modifiers)
{
    if ((modifiers & ~Qt::KeypadModifier) ||
        (key != Qt::Key_Space && key != Qt::Key_Return && key != Qt::Key_Enter))
        return false;
    QWidget* command = usableCommand();
    QAccessibleInterface* spoken = command ? QAccessible::queryAccessibleInterface(command) : nullptr;
    if (!spoken || !spoken->actionInterface())
        return false;
    spoken->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    // A command that its own press took out of use (Delete with nothing left selected) hands the keys
    // back to the days, and a reader hears where they are now.
    if (isVisible() && !usableCommand()) {
        m_command = nullptr;
        announceKeyboardTarget();
    }
    return true;
}

void DesignForm::announceKeyboardTarget()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            QWidget* target = isVisible() ? keyboardTarget() : nullptr;
            QAccessibleInterface* spoken = target ? QAccessible::queryAccessibleInterface(target) : nullptr;
            if (!spoken)
                return;
            QAccessibleEvent focus(target, QAccessible::Focus);
            // A control that draws its own items (a month calendar) has the focus on one of them.
            if (QAccessibleInterface* item = spoken->focusChild(); item && item != spoken)
                focus.setChild(spoken->indexOfChild(item));
            QAccessible::updateAccessibility(&focus);
        },
        Qt::QueuedConnection);
}
