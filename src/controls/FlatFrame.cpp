#include "controls/FlatFrame.h"

#include <QComboBox>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionComboBox>

FlatFrame::FlatFrame(QWidget* host, QWidget* control, Kind kind)
    : QWidget(host), m_control(control), m_kind(kind)
{
    setObjectName(QStringLiteral("flatFrame"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void FlatFrame::follow()
{
    if (!m_control)
        return;
    if (m_kind == Kind::Combo) {
        setGeometry(m_control->rect());
        raise();
        show();
        return;
    }
    setGeometry(m_control->geometry().adjusted(-2, -2, 2, 2));
    stackUnder(m_control);
    setVisible(!m_control->isHidden());
}

int FlatFrame::dropButtonWidth(const QWidget* control)
{
    const auto* combo = qobject_cast<const QComboBox*>(control);
    if (!combo)
        return control->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, control);

    // The drop button starts where the style puts the combo's arrow, so that the raised and pressed
    // edges frame the arrow the combo has drawn.
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.frame = combo->hasFrame();
    option.subControls = QStyle::SC_All;
    const QRect arrow =
        combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, combo);
    const int innerRight = combo->width() - 2;
    return qBound(0, innerRight - arrow.left(), qMax(0, combo->width() - 4));
}

void FlatFrame::paintEvent(QPaintEvent*)
{
    if (!m_control || !m_stateSource)
        return;
    QPainter painter(this);
    const FlatColours colours = FlatColours::fromPalette(m_control->palette());
    const bool enabled = m_control->isEnabled();
    if (m_kind == Kind::Combo)
        drawFlatCombo(painter, rect(), dropButtonWidth(m_control), m_stateSource(), enabled, colours);
    else
        drawFlatTextFrame(painter, rect().adjusted(2, 2, -2, -2), m_stateSource(), enabled, colours);
}
