#include "forms/DesignForm.h"

#include "controls/FlatDecorator.h"
#include "forms/ClickLabel.h"
#include "forms/DesignUnits.h"
#include "forms/WindowHelpers.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>

#include <algorithm>

DesignForm::DesignForm(const QString& name, const QString& title, Band band, QWidget* parent)
    : QWidget(parent), m_cmdSetfocus(new QPushButton(QStringLiteral("Command1"), this))
{
    setObjectName(name);
    setWindowTitle(title);
    Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint;
    if (band == Band::TopMost)
        flags |= Qt::WindowStaysOnTopHint;
    setWindowFlags(flags);

    // Out of sight, but able to take the focus.
    m_cmdSetfocus->setObjectName(QStringLiteral("cmdSetfocus"));
    m_cmdSetfocus->setGeometry(-200, -200, 20, 20);
    m_cmdSetfocus->installEventFilter(this);
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
    QWidget::setVisible(visible);
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
        if (!(press->modifiers() & (Qt::AltModifier | Qt::MetaModifier)) &&
            Form_KeyPress(press->key(), press->modifiers()))
            return true;
    }
    if (event->type() == QEvent::FocusIn &&
        std::find(m_passingFocus.begin(), m_passingFocus.end(), watched) != m_passingFocus.end()) {
        // The control never hears of the focus it passed on: it would take on a focus state after it
        // lost the focus, and no focus-out would ever take that state away again.
        m_cmdSetfocus->setFocus();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
