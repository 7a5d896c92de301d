#pragma once

#include "controls/FlatDrawing.h"

#include <QPointer>
#include <QWidget>

#include <functional>

// The flat edges of one control, painted by a see-through widget that never takes the mouse or the
// focus. A combo's frame lies on top of the combo and its edit field and covers the combo exactly, so
// it paints after the combo has painted itself. A text box's frame lies on the text box's parent just
// below the text box, two pixels larger on every side, so it paints the parent's pixels around it.
class FlatFrame : public QWidget
{
public:
    enum class Kind
    {
        Combo,
        TextBox,
    };

    // host is the combo itself, or the text box's parent. The frame shows once follow() has placed it.
    FlatFrame(QWidget* host, QWidget* control, Kind kind);

    // Asked at every paint, so the look always matches the control's state at that moment.
    void setStateSource(std::function<FlatState()> source) { m_stateSource = std::move(source); }

    // Puts the frame back over or around its control after the control moved, changed size, was shown,
    // hidden or restacked, or got a new child above the frame.
    void follow();

    // How wide the combo's drop button is inside the frame's two outer rings.
    static int dropButtonWidth(const QWidget* control);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<QWidget> m_control;
    Kind m_kind;
    std::function<FlatState()> m_stateSource;
};
