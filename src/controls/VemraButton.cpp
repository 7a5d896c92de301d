#include "controls/VemraButton.h"

#include "controls/AccessKey.h"
#include "controls/ButtonRegion.h"
#include "controls/HostInput.h"
#include "controls/PropertyBag.h"
#include "controls/VemraButtonAccessible.h"
#include "controls/VemraButtonRenderer.h"
#include "controls/VemraButtonScene.h"

#include <QApplication>
#include <QCursor>
#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcutEvent>

#include <algorithm>
#include <cmath>

namespace {

// Colours may have been stored as signed 32-bit numbers; either way the bits are what count.
quint32 colorValue(const QVariant& value)
{
    return quint32(value.toLongLong());
}

} // namespace

VemraButton::VemraButton(QWidget* parent) : QWidget(parent)
{
    initialise(QString());
}

VemraButton::VemraButton(const QString& caption, QWidget* parent) : QWidget(parent)
{
    initialise(caption);
}

VemraButton::~VemraButton()
{
    m_paintingAllowed = false;
}

void VemraButton::initialise(const QString& caption)
{
    VemraButtonAccessible::install();
    setMouseTracking(true);
    // Clicks take the focus in pressHandling, so that a right click leaves the button as it is.
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);

    m_overTimer.setParent(this);
    m_overTimer.setObjectName(QStringLiteral("OverTimer"));
    m_overTimer.setInterval(SettleCheckInterval);
    m_overTimer.setSingleShot(true);
    connect(&m_overTimer, &QTimer::timeout, this, &VemraButton::OverTimer_Timer);

    // A new button takes its face and text colours from the system colours as plain values.
    m_caption = caption;
    recolour();
    m_backColor = m_backOver = m_colors.face;
    m_foreColor = m_foreOver = m_colors.text;
    recolour();
    relayout();
    applyAccessKey();
}

void VemraButton::setBackColor(quint32 color)
{
    m_backColor = color;
    if (m_designMode)
        m_backOver = color;
    recolour();
    repaintLastState();
    emit PropertyChanged(QStringLiteral("BCOL"));
}

void VemraButton::setBackOver(quint32 color)
{
    m_backOver = color;
    recolour();
    repaintLastState();
    emit PropertyChanged(QStringLiteral("BCOLO"));
}

void VemraButton::setForeColor(quint32 color)
{
    m_foreColor = color;
    if (m_designMode)
        m_foreOver = color;
    recolour();
    repaintLastState();
    emit PropertyChanged(QStringLiteral("FCOL"));
}

void VemraButton::setForeOver(quint32 color)
{
    m_foreOver = color;
    recolour();
    repaintLastState();
    emit PropertyChanged(QStringLiteral("FCOLO"));
}

void VemraButton::setMaskColor(quint32 color)
{
    m_maskColor = color;
    recolour();
    repaintLastState();
    emit PropertyChanged(QStringLiteral("MCOL"));
}

void VemraButton::setButtonType(int type)
{
    m_buttonType = type;
    if (type == 5 && m_designMode) {
        QFont bold = font();
        bold.setBold(true);
        m_settingFont = true;
        QWidget::setFont(bold);
        m_settingFont = false;
    } else if (type == 11 && m_paintingAllowed) {
        captureBackground();
    }
    // The tint of the gradient type is worked out differently, so the colours follow the type.
    recolour();
    handleResize();
    emit PropertyChanged(QStringLiteral("BTYPE"));
}

void VemraButton::setCaption(const QString& caption)
{
    m_caption = caption;
    applyAccessKey();
    relayout();
    requestPaint(Up, true);
    emit PropertyChanged(QStringLiteral("TX"));
}

void VemraButton::setEnabled(bool enabled)
{
    m_enabled = enabled;
    requestPaint(Up, true);
    QWidget::setEnabled(enabled);
    emit PropertyChanged(QStringLiteral("ENAB"));
}

void VemraButton::setFont(const QFont& font)
{
    m_settingFont = true;
    QWidget::setFont(font);
    m_settingFont = false;
    relayout();
    requestPaint(Up, true);
    emit PropertyChanged(QStringLiteral("FONT"));
}

void VemraButton::changeFontAttribute(const std::function<void(QFont&)>& change)
{
    QFont changed = font();
    change(changed);
    m_settingFont = true;
    QWidget::setFont(changed);
    m_settingFont = false;
    relayout();
    requestPaint(Up, true);
}

void VemraButton::setFontBold(bool bold)
{
    changeFontAttribute([bold](QFont& f) { f.setBold(bold); });
}

void VemraButton::setFontItalic(bool italic)
{
    changeFontAttribute([italic](QFont& f) { f.setItalic(italic); });
}

void VemraButton::setFontUnderline(bool underline)
{
    changeFontAttribute([underline](QFont& f) { f.setUnderline(underline); });
}

short VemraButton::fontSize() const
{
    const qreal points = font().pointSizeF() > 0 ? font().pointSizeF() : QFontInfo(font()).pointSizeF();
    return short(qRound(points));
}

void VemraButton::setFontSize(short points)
{
    changeFontAttribute([points](QFont& f) { f.setPointSize(std::max<int>(points, 1)); });
}

void VemraButton::setFontName(const QString& name)
{
    changeFontAttribute([&name](QFont& f) { f.setFamily(name); });
}

void VemraButton::setColorScheme(int scheme)
{
    m_colorScheme = scheme;
    recolour();
    requestPaint(Up, true);
    emit PropertyChanged(QStringLiteral("COLTYPE"));
}

void VemraButton::setShowFocusRect(bool show)
{
    m_showFocusRect = show;
    repaintLastState();
    emit PropertyChanged(QStringLiteral("FOCUSR"));
}

void VemraButton::setMousePointer(short pointer)
{
    m_mousePointer = pointer;
    applyMousePointer();
    emit PropertyChanged(QStringLiteral("MPTR"));
}

void VemraButton::setMouseIcon(const ButtonPicture& icon)
{
    m_mouseIcon = icon;
    applyMousePointer();
    emit PropertyChanged(QStringLiteral("MICON"));
}

void VemraButton::setHandPointer(bool hand)
{
    m_handPointer = hand;
    if (hand) {
        m_mousePointer = 99;
    } else {
        m_mouseIcon = ButtonPicture();
        m_mousePointer = 1;
    }
    applyMousePointer();
    emit PropertyChanged(QStringLiteral("HAND"));
}

void VemraButton::applyMousePointer()
{
    if (m_mousePointer == 0) {
        unsetCursor();
        return;
    }
    if (m_mousePointer != 99) {
        setCursor(HostInput::cursorShape(m_mousePointer));
        return;
    }
    // The hand pointer is the platform's own hand; otherwise the custom image, when there is one.
    if (m_handPointer)
        setCursor(Qt::PointingHandCursor);
    else if (m_mouseIcon.isNull())
        unsetCursor();
    else if (m_mouseIcon.isIcon())
        setCursor(QCursor(m_mouseIcon.icon().pixmap(32, 32)));
    else
        setCursor(QCursor(m_mouseIcon.pixmap()));
}

quintptr VemraButton::hwnd() const
{
    return quintptr(effectiveWinId());
}

void VemraButton::setSoftBevel(bool soft)
{
    m_softBevel = soft;
    recolour();
    repaintLastState();
    emit PropertyChanged(QStringLiteral("SOFT"));
}

void VemraButton::setPictureNormal(const ButtonPicture& picture)
{
    m_pictureNormal = picture;
    measurePicture();
    relayout();
    repaintLastState();
    emit PropertyChanged(QStringLiteral("PICN"));
}

void VemraButton::setPictureOver(const ButtonPicture& picture)
{
    m_pictureOver = picture;
    if (m_pointerOver)
        repaintLastState();
    emit PropertyChanged(QStringLiteral("PICO"));
}

void VemraButton::setPicturePosition(int position)
{
    m_picturePosition = position;
    emit PropertyChanged(QStringLiteral("PICPOS"));
    relayout();
    repaintLastState();
}

void VemraButton::setUseMaskColor(bool use)
{
    m_useMaskColor = use;
    if (!m_pictureNormal.isNull())
        repaintLastState();
    emit PropertyChanged(QStringLiteral("UMCOL"));
}

void VemraButton::setUseGreyscale(bool use)
{
    m_useGreyscale = use;
    if (!m_pictureNormal.isNull())
        repaintLastState();
    emit PropertyChanged(QStringLiteral("NGREY"));
}

void VemraButton::setSpecialEffect(int effect)
{
    m_specialEffect = effect;
    repaintLastState();
    emit PropertyChanged(QStringLiteral("FX"));
}

void VemraButton::setCheckBoxBehaviour(bool on)
{
    m_checkBoxBehaviour = on;
    repaintLastState();
    emit PropertyChanged(QStringLiteral("CHECK"));
}

void VemraButton::setValue(bool value)
{
    m_value = value;
    if (m_checkBoxBehaviour)
        requestPaint(Up, true);
    emit PropertyChanged(QStringLiteral("VALUE"));
}

void VemraButton::setDefaultButton(bool isDefault)
{
    m_defaultButton = isDefault;
    repaintLastState();
}

void VemraButton::setDesignMode(bool design)
{
    m_designMode = design;
}

void VemraButton::writeProperties(PropertyBag& bag) const
{
    bag.writeProperty(QStringLiteral("BTYPE"), qint32(m_buttonType));
    bag.writeProperty(QStringLiteral("TX"), m_caption);
    bag.writeProperty(QStringLiteral("ENAB"), m_enabled);
    bag.writeProperty(QStringLiteral("FONT"), font());
    bag.writeProperty(QStringLiteral("COLTYPE"), qint32(m_colorScheme));
    bag.writeProperty(QStringLiteral("FOCUSR"), m_showFocusRect);
    bag.writeProperty(QStringLiteral("BCOL"), m_backColor);
    bag.writeProperty(QStringLiteral("BCOLO"), m_backOver);
    bag.writeProperty(QStringLiteral("FCOL"), m_foreColor);
    bag.writeProperty(QStringLiteral("FCOLO"), m_foreOver);
    bag.writeProperty(QStringLiteral("MCOL"), m_maskColor);
    bag.writeProperty(QStringLiteral("MPTR"), QVariant::fromValue<qint16>(m_mousePointer));
    bag.writeProperty(QStringLiteral("MICON"), m_mouseIcon.toVariant());
    bag.writeProperty(QStringLiteral("PICN"), m_pictureNormal.toVariant());
    bag.writeProperty(QStringLiteral("PICH"), m_pictureOver.toVariant());
    bag.writeProperty(QStringLiteral("UMCOL"), m_useMaskColor);
    bag.writeProperty(QStringLiteral("SOFT"), m_softBevel);
    bag.writeProperty(QStringLiteral("PICPOS"), qint32(m_picturePosition));
    bag.writeProperty(QStringLiteral("NGREY"), m_useGreyscale);
    bag.writeProperty(QStringLiteral("FX"), qint32(m_specialEffect));
    bag.writeProperty(QStringLiteral("HAND"), m_handPointer);
    bag.writeProperty(QStringLiteral("CHECK"), m_checkBoxBehaviour);
    bag.writeProperty(QStringLiteral("VALUE"), m_value);
}

void VemraButton::readProperties(const PropertyBag& bag)
{
    const auto read = [&bag](const char* key, const QVariant& fallback) {
        return bag.readProperty(QString::fromLatin1(key), fallback);
    };
    // Stored values go straight into the fields: nothing is painted and nothing notified, except
    // what the hand pointer's setter reports.
    m_readingProperties = true;
    m_buttonType = read("BTYPE", 2).toInt();
    m_caption = read("TX", QString()).toString();
    m_enabled = read("ENAB", true).toBool();
    QWidget::setFont(read("FONT", font()).value<QFont>());
    m_colorScheme = read("COLTYPE", 1).toInt();
    m_showFocusRect = read("FOCUSR", true).toBool();
    m_backColor = colorValue(read("BCOL", quint32(ButtonColor::ButtonFace)));
    m_backOver = colorValue(read("BCOLO", m_backColor));
    m_foreColor = colorValue(read("FCOL", quint32(ButtonColor::ButtonText)));
    m_foreOver = colorValue(read("FCOLO", m_foreColor));
    m_maskColor = colorValue(read("MCOL", 0xC0C0C0u));
    m_mousePointer = short(read("MPTR", 0).toInt());
    m_mouseIcon = ButtonPicture::fromVariant(read("MICON", QVariant()));
    applyMousePointer();
    m_pictureNormal = ButtonPicture::fromVariant(read("PICN", QVariant()));
    m_pictureOver = ButtonPicture::fromVariant(read("PICH", QVariant()));
    m_useMaskColor = read("UMCOL", true).toBool();
    m_softBevel = read("SOFT", false).toBool();
    m_picturePosition = read("PICPOS", 0).toInt();
    m_useGreyscale = read("NGREY", false).toBool();
    m_specialEffect = read("FX", 0).toInt();
    // Only a stored hand pointer goes through its setter: turning it off there would also reset the
    // pointer shape and image just read to the arrow.
    if (read("HAND", false).toBool())
        setHandPointer(true);
    else
        m_handPointer = false;
    m_checkBoxBehaviour = read("CHECK", false).toBool();
    m_value = read("VALUE", false).toBool();

    QWidget::setEnabled(m_enabled);
    measurePicture();
    // Deriving the colours paints nothing; it keeps a later paint from using the old ones.
    recolour();
    relayout();
    applyAccessKey();
    m_readingProperties = false;
}

QSize VemraButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    const QSize text = metrics.size(Qt::TextShowMnemonic, m_caption);
    return QSize(std::max(81, text.width() + 16 + m_pictureSize.width()), std::max(25, text.height() + 10));
}

void VemraButton::DisableRefresh()
{
    m_paintingAllowed = false;
}

void VemraButton::Refresh()
{
    if (m_buttonType == 11)
        captureBackground();
    recolour();
    relayout();
    m_paintingAllowed = true;
    repaintLastState();
}

void VemraButton::OverTimer_Timer()
{
    if (!m_hovering || isPointerOver(QCursor::pos()))
        return;
    endHover();
}

void VemraButton::endHover()
{
    if (!m_hovering)
        return;
    m_overTimer.stop();
    m_hovering = false;
    m_pointerOver = false;
    requestPaint(Up, true);
    emit MouseOut();
}

bool VemraButton::isPointerOver(QPoint global) const
{
    // Only the button's own window counts: a child or another window over it hides the pointer.
    return QApplication::widgetAt(global) == this;
}

void VemraButton::requestPaint(PaintState state, bool force)
{
    if (m_checkBoxBehaviour && m_value)
        state = Down;
    if (!force && m_caption == m_lastCaption && state == m_lastState)
        return;
    if (m_height == 0 || !m_paintingAllowed)
        return;
    m_lastState = state;
    m_lastCaption = m_caption;
    // Drawn at the screen's own fineness, so that a caption is as smooth at 1.25 or 2 times the pixels as
    // at one, and with the screen pixels the window gives the button where it stands: at a fractional
    // scale one more or one less than its size times the scale, by its place (its edges are rounded to
    // the nearest screen pixel).
    const qreal scale = devicePixelRatioF();
    const QPoint at = isWindow() ? QPoint() : mapTo(window(), QPoint());
    const auto touched = [scale](int from, int length) {
        return qRound((from + length) * scale) - qRound(from * scale);
    };
    const QSize pixels(touched(at.x(), m_width), touched(at.y(), m_height));
    if (m_surface.size() != pixels || m_surface.devicePixelRatio() != scale) {
        m_surface = QImage(pixels, QImage::Format_RGB32);
        m_surface.setDevicePixelRatio(scale);
    }
    VemraButtonRenderer(m_surface, scene()).paint(state == Down);
    ++m_paintCount;
    update();
}

VemraButtonScene VemraButton::scene() const
{
    VemraButtonScene s;
    s.buttonType = m_buttonType;
    s.enabled = m_enabled;
    s.hovered = m_pointerOver;
    s.focused = m_hasFocus;
    s.defaultButton = m_defaultButton;
    s.showFocusRect = m_showFocusRect;
    s.colorScheme = m_colorScheme;
    s.specialEffect = m_specialEffect;
    s.picturePosition = m_picturePosition;
    s.useMaskColor = m_useMaskColor;
    s.useGreyscale = m_useGreyscale;
    s.softBevel = m_softBevel;
    s.caption = m_caption;
    s.font = font();
    // With its own colours a hovered button is drawn as if BackOver were its face colour.
    s.colors = m_pointerOver && m_colorScheme == 2 ? deriveColors(m_backOver) : m_colors;
    s.layout = m_layout;
    s.focusRect = m_focusRect;
    s.pictureNormal = m_pictureNormal;
    s.pictureOver = m_pictureOver;
    s.pictureSize = m_pictureSize;
    s.background = m_background;
    s.size = QSize(m_width, m_height);
    return s;
}

ButtonColorSet VemraButton::deriveColors(quint32 backColor) const
{
    ButtonColorSet::Source source;
    source.colorScheme = m_colorScheme;
    source.backColor = backColor;
    source.backOver = m_backOver;
    source.foreColor = m_foreColor;
    source.foreOver = m_foreOver;
    source.maskColor = m_maskColor;
    source.softBevel = m_softBevel;
    source.buttonType = m_buttonType;
    const QWidget* container = parentWidget() ? parentWidget() : this;
    return ButtonColorSet::derive(source, palette(), container->palette());
}

void VemraButton::recolour()
{
    m_colors = deriveColors(m_backColor);
}

void VemraButton::relayout()
{
    const bool hasPicture = !m_pictureNormal.isNull() || !m_pictureOver.isNull();
    m_layout = ButtonLayout::compute(QSize(m_width, m_height), m_caption, font(), m_picturePosition,
                                     m_pictureSize, hasPicture);
}

void VemraButton::measurePicture()
{
    m_pictureSize = m_pictureNormal.pixelSize();
}

void VemraButton::applyAccessKey()
{
    // Screen readers and tests know the button by its caption as it shows.
    setAccessibleName(AccessKey::plainText(m_caption));
    if (m_shortcutId != 0) {
        releaseShortcut(m_shortcutId);
        m_shortcutId = 0;
    }
    m_accessKey = AccessKey::fromCaption(m_caption);
    if (m_accessKey.isNull())
        return;
    const auto key = Qt::Key(m_accessKey.toUpper().unicode());
    m_shortcutId = grabShortcut(QKeySequence(QKeyCombination(Qt::AltModifier, key)));
}

void VemraButton::applySize()
{
    m_width = width();
    m_height = height();
    const ButtonRect client{0, 0, m_width, m_height};
    if (m_buttonType >= 7 && m_buttonType <= 13)
        m_focusRect = client.shrunk(3);
    else if (m_buttonType == 14)
        m_focusRect = client.shrunk(5).moved(1, 1);
    else
        m_focusRect = client.shrunk(4);
    relayout();
    const QRegion region = ButtonRegion::build(m_buttonType, m_width, m_height);
    if (region.isEmpty())
        clearMask();
    else
        setMask(region);
}

void VemraButton::handleResize()
{
    if (m_resizeGuard)
        return;
    applySize();
    if (m_height != 0)
        requestPaint(Up, true);
}

void VemraButton::captureBackground()
{
    // A copy of the parent's own drawing under the button, without the button or its siblings.
    m_resizeGuard = true;
    const QSize area = size();
    if (!area.isEmpty()) {
        QImage copy(area, QImage::Format_RGB32);
        QWidget* container = parentWidget();
        copy.fill((container ? container : this)->palette().color(QPalette::Window));
        if (container)
            container->render(&copy, QPoint(), QRegion(geometry()), QWidget::DrawWindowBackground);
        m_background = copy;
    }
    m_resizeGuard = false;
}

void VemraButton::pressHandling(short button, short shift, float x, float y)
{
    emit MouseDown(button, shift, x, y);
    m_lastMouseButton = button;
    if (button != HostInput::RightButton)
        requestPaint(Down, false);
}

void VemraButton::clickHandling()
{
    if (m_lastMouseButton != HostInput::LeftButton || !m_enabled)
        return;
    if (m_checkBoxBehaviour)
        m_value = !m_value;
    requestPaint(Up, true);
    repaint();
    emit Click();
}

void VemraButton::press()
{
    m_lastMouseButton = HostInput::LeftButton;
    clickHandling();
}

bool VemraButton::event(QEvent* event)
{
    if (event->type() == QEvent::Shortcut && m_shortcutId != 0 &&
        static_cast<QShortcutEvent*>(event)->shortcutId() == m_shortcutId) {
        press();
        return true;
    }
    // The window system reports the pointer leaving, also into a window opened on top of the button
    // and when a modal window blocks this one.
    if (event->type() == QEvent::Leave)
        endHover();
    return QWidget::event(event);
}

void VemraButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_surface.isNull())
        painter.fillRect(rect(), ButtonColor::toQColor(m_colors.face));
    else
        drawOnScreenPixels(painter);
}

void VemraButton::drawOnScreenPixels(QPainter& painter) const
{
    // Pixel for pixel from the screen pixel nearest the button's corner, whatever the scale.
    const qreal scale = m_surface.devicePixelRatio();
    const QPointF corner = painter.deviceTransform().map(QPointF(0, 0));
    const QPointF shift(qRound(corner.x()) - corner.x(), qRound(corner.y()) - corner.y());
    painter.scale(1.0 / scale, 1.0 / scale);
    painter.drawImage(QRectF(shift, QSizeF(m_surface.size())), m_surface, QRectF(m_surface.rect()));
}

void VemraButton::resizeEvent(QResizeEvent*)
{
    handleResize();
}

void VemraButton::moveEvent(QMoveEvent*)
{
    // At a fractional scale the pixels the button covers depend on its place.
    const qreal scale = devicePixelRatioF();
    if (m_height != 0 && scale != std::floor(scale))
        requestPaint(m_lastState, true);
}

void VemraButton::showEvent(QShowEvent*)
{
    if (m_buttonType == 11)
        captureBackground();
    m_paintingAllowed = true;
    recolour();
    requestPaint(Up, true);
}

void VemraButton::hideEvent(QHideEvent*)
{
    m_paintingAllowed = false;
    // A hidden button is no longer under the pointer, whether or not a leave follows.
    endHover();
}

void VemraButton::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (m_readingProperties)
        return;
    switch (event->type()) {
    case QEvent::PaletteChange:
        // The container's colours changed: only the button's own colours stay as they are.
        if (m_colorScheme != 2) {
            recolour();
            repaintLastState();
        }
        break;
    case QEvent::FontChange:
        // A font handed down from the window changes the caption's size.
        if (!m_settingFont) {
            relayout();
            repaintLastState();
        }
        break;
    case QEvent::EnabledChange: {
        // Enabling through the widget itself counts as setting the property.
        const bool own = !testAttribute(Qt::WA_ForceDisabled);
        if (own != m_enabled) {
            m_enabled = own;
            requestPaint(Up, true);
            emit PropertyChanged(QStringLiteral("ENAB"));
        }
        // A disabled button takes no more moves, so its hover ends here; a move after it is enabled
        // again is a fresh entry.
        if (!isEnabled())
            endHover();
        break;
    }
    default:
        break;
    }
}

void VemraButton::focusInEvent(QFocusEvent*)
{
    m_hasFocus = true;
    repaintLastState();
}

void VemraButton::focusOutEvent(QFocusEvent*)
{
    m_hasFocus = false;
    repaintLastState();
}

void VemraButton::mousePressEvent(QMouseEvent* event)
{
    const QPointF at = event->position();
    if (event->button() != Qt::RightButton)
        setFocus(Qt::MouseFocusReason);
    pressHandling(HostInput::mouseButton(event->button()), HostInput::shiftState(event->modifiers()),
                  float(at.x()), float(at.y()));
}

void VemraButton::mouseMoveEvent(QMouseEvent* event)
{
    short button = HostInput::mouseButtons(event->buttons());
    short shift = HostInput::shiftState(event->modifiers());
    float x = float(event->position().x());
    float y = float(event->position().y());
    emit MouseMove(button, shift, x, y);
    if (button != 0 && button != HostInput::LeftButton)
        return;

    if (!isPointerOver(event->globalPosition().toPoint())) {
        if (m_hovering)
            endHover();
        else
            requestPaint(Up, false);
        return;
    }
    if (button == 0 && !m_pointerOver) {
        m_hovering = true;
        m_pointerOver = true;
        requestPaint(Up, true);
        emit MouseOver();
    } else if (button == HostInput::LeftButton) {
        // Dragging back onto the button shows it pressed; the next plain move is a fresh entry.
        m_pointerOver = true;
        requestPaint(Down, false);
        m_pointerOver = false;
    }
    // Each move over the button puts off the one look OverTimer takes once the pointer rests.
    if (m_hovering)
        m_overTimer.start();
}

void VemraButton::mouseReleaseEvent(QMouseEvent* event)
{
    short button = HostInput::mouseButton(event->button());
    short shift = HostInput::shiftState(event->modifiers());
    float x = float(event->position().x());
    float y = float(event->position().y());
    emit MouseUp(button, shift, x, y);
    if (button != HostInput::RightButton)
        requestPaint(Up, false);

    // A press and release on the button makes a click; releasing elsewhere does not.
    const QPoint at = event->position().toPoint();
    const bool inside = rect().contains(at) && (mask().isEmpty() || mask().contains(at));
    if (inside)
        clickHandling();
}

void VemraButton::mouseDoubleClickEvent(QMouseEvent*)
{
    // The second press of a double click counts as a left press of its own.
    if (m_lastMouseButton == HostInput::LeftButton)
        pressHandling(HostInput::LeftButton, 0, 0, 0);
}

void VemraButton::keyPressEvent(QKeyEvent* event)
{
    short code = HostInput::keyCode(event->key());
    short shift = HostInput::shiftState(event->modifiers());
    emit KeyDown(code, shift);
    m_lastKeyCode = short(code & 0xFF);
    switch (m_lastKeyCode) {
    case HostInput::SpaceKey:
        requestPaint(Down, false);
        break;
    case HostInput::LeftKey:
    case HostInput::UpKey:
        focusNextPrevChild(false);
        break;
    case HostInput::RightKey:
    case HostInput::DownKey:
        focusNextPrevChild(true);
        break;
    default:
        // Other keys travel on to the window (Enter and Escape for its dialog buttons).
        event->ignore();
        break;
    }
    if (!event->text().isEmpty()) {
        short ascii = short(event->text().at(0).unicode());
        emit KeyPress(ascii);
    }
}

void VemraButton::keyReleaseEvent(QKeyEvent* event)
{
    if (event->isAutoRepeat())
        return;
    short code = HostInput::keyCode(event->key());
    short shift = HostInput::shiftState(event->modifiers());
    emit KeyUp(code, shift);
    if (m_lastKeyCode != HostInput::SpaceKey || (code & 0xFF) != HostInput::SpaceKey) {
        event->ignore();
        return;
    }
    if (m_checkBoxBehaviour)
        m_value = !m_value;
    requestPaint(Up, false);
    repaint();
    emit Click();
}
