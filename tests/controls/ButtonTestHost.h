#pragma once

#include "controls/ButtonColor.h"
#include "controls/VemraButton.h"

#include <QApplication>
#include <QCursor>
#include <QImage>
#include <QTest>
#include <QWidget>

#include <memory>

// A shown window holding one button, for tests that need real events: the button sits at (10, 10)
// of a 200 x 80 window, 100 x 30 pixels unless told otherwise.
struct ButtonTestHost
{
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    // Takes the focus when the window comes up, so that the button has it only when a test says so.
    QWidget* focusSink = new QWidget(window.get());
    VemraButton* button = new VemraButton(window.get());

    explicit ButtonTestHost(int buttonType = 7, int colorScheme = 3, QSize size = QSize(100, 30))
    {
        focusSink->setFocusPolicy(Qt::StrongFocus);
        focusSink->setGeometry(150, 60, 10, 10);
        window->resize(200, 80);
        window->move(50, 50);
        button->setGeometry(QRect(QPoint(10, 10), size));
        button->setButtonType(buttonType);
        button->setColorScheme(colorScheme);
        button->setCaption(QString());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    QPoint buttonCentre() const { return button->mapToGlobal(button->rect().center()); }

    // Moves the pointer onto the button and waits for its hover look.
    bool hover()
    {
        QCursor::setPos(QPoint(0, 0));
        QCursor::setPos(buttonCentre());
        return QTest::qWaitFor([this] { return button->pointerOver(); }, 1000);
    }

    // Moves the pointer outside the window.
    void leave() { QCursor::setPos(window->mapToGlobal(QPoint(190, 75))); }

    QRgb pixel(int x, int y) const { return button->grab().toImage().pixel(x, y); }
};

// Records the mouse and key events, whose reference arguments a signal spy cannot hold.
struct ButtonEventLog
{
    QList<QList<float>> mouseDowns;
    QList<QList<short>> keyDowns;
    QList<short> keyPresses;

    explicit ButtonEventLog(VemraButton* button)
    {
        QObject::connect(button, &VemraButton::MouseDown, button,
                         [this](short& b, short& s, float& x, float& y) {
                             mouseDowns.append({float(b), float(s), x, y});
                         });
        QObject::connect(button, &VemraButton::KeyDown, button, [this](short& code, short& shift) {
            keyDowns.append({code, shift});
        });
        QObject::connect(button, &VemraButton::KeyPress, button,
                         [this](short& ascii) { keyPresses.append(ascii); });
    }
};

inline QRgb rgbOf(quint32 color)
{
    return ButtonColor::toRgb(color);
}
