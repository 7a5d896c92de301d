#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>

class QWidget;

// Moves a borderless window by its title strip: a left-button press on a watched label hands the move
// to the window system, and where the window system refuses, the window follows the mouse until the
// button is released. The press still reaches the label, so its own click handling goes on.
class TitleDrag : public QObject
{
    Q_OBJECT

public:
    explicit TitleDrag(QWidget* window);

    void watch(QWidget* titleLabel);

signals:
    // A drag has been handed to the window system or a manual drag has ended.
    void Dragged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
    bool m_dragging = false;
    QPoint m_grabOffset;
};
