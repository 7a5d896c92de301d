#pragma once

#include "controls/FlatDrawing.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>

class FlatFrame;

// Why an attach was refused: an error number, the source that raised it and a text for the user.
struct FlatError
{
    quint32 number = 0; // 0 when nothing went wrong
    QString source;
    QString description;
};

// Gives one combo box or text box a flat look: no 3-D edge while idle, a thin sunken border while the
// pointer is over it or it has the focus, and for a combo a raised drop button that looks pressed while
// the list is down. The control keeps painting itself; the decorator watches a few of its events and
// paints the edges over (combo) or around (text box) it. One decorator decorates one control.
class FlatDecorator : public QObject
{
    Q_OBJECT

public:
    // The error of an attach to something that is not a control (the object-error base plus 1049).
    static constexpr quint32 ErrIncorrectControlType = 0x80040419u;
    // How soon after the pointer's last move over the control the decorator looks once whether it is
    // still there. The pointer's leave ends the hover at once; a resting pointer costs nothing.
    static constexpr int HoverInterval = 10;

    // Where the pointer is, in global coordinates.
    using PointerSource = std::function<QPoint()>;

    explicit FlatDecorator(QObject* parent = nullptr);
    ~FlatDecorator() override;

    // Decorates a control: a QComboBox (editable or not) as a combo, any other widget as a text box,
    // which is first moved two pixels inwards on every side to leave room for the frame around it. An
    // earlier attachment is released first. Anything that is not a widget is refused: the decorator is
    // left unattached, false is returned and lastError() tells why.
    bool Attach(QObject* control);
    // Decorates a widget as the given kind, without moving it. A combo tells of its list and its
    // selection itself, so no separate window is needed to hear it.
    void hWndAttach(QWidget* window, bool isCombo);
    // Stops decorating: the control looks and behaves as before, except that a text box keeps the room
    // made for its frame.
    void Detach();

    bool isAttached() const { return m_attached; }
    bool isCombo() const { return m_isCombo; }
    QWidget* decoratedWidget() const { return m_window; }
    const FlatError& lastError() const { return m_lastError; }

    // Whether the attached combo's list is dropped down; false for anything else.
    bool DroppedDown() const;
    // Whether the pointer is over the control, as its moves and its leave tell.
    bool isHot() const { return m_hot; }
    // The look the control has now.
    FlatState drawState() const;

    // Replaces the pointer reading (QCursor::pos() by default), for a test that has no real pointer.
    void setPointerSource(PointerSource source);
    const QTimer& hoverTimer() const { return m_hoverTimer; }
    // The hover timer's one look: ends the hover look if the pointer has left the control.
    void hoverTick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A widget whose pointer and focus events count as the control's, with its mouse tracking as it
    // was before the attach switched it on.
    struct Watched
    {
        QPointer<QWidget> widget;
        bool hadMouseTracking = false;
    };

    void watch(QWidget* widget);
    void syncEditChild();
    void placeFrame();
    void dropFrame();
    void refresh();
    bool isFocused() const;
    void pointerMoved();
    void stopHover(bool check);
    void listNotification();

    QPointer<QWidget> m_window;
    QPointer<QWidget> m_edit;
    QPointer<QWidget> m_list;
    QPointer<FlatFrame> m_frame;
    QList<Watched> m_watched;
    QList<QMetaObject::Connection> m_connections;
    bool m_attached = false;
    bool m_hot = false;
    bool m_isCombo = false;
    QTimer m_hoverTimer;
    PointerSource m_pointer;
    FlatError m_lastError;
};
