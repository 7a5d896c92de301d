#pragma once

#include <QList>
#include <QMessageBox>
#include <QRect>
#include <QString>

// The platform services a test must replace, each behind one small interface and handed to the windows
// through the application context. Callers never ask whether they run in a test.

// The system beep.
class BeepService
{
public:
    virtual ~BeepService() = default;
    virtual void beep();
};

// Message boxes with exactly the given text, title, icon and buttons. Returns the button chosen.
class MessageBoxService
{
public:
    virtual ~MessageBoxService() = default;
    virtual QMessageBox::StandardButton show(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                             const QString& text,
                                             QMessageBox::StandardButtons buttons = QMessageBox::Ok);
};

// The screens the windows can be on; the first is the primary screen. A 640-pixel-wide primary screen
// selects the compact layouts.
class ScreenService
{
public:
    virtual ~ScreenService() = default;
    virtual QRect primaryGeometry() const;
    virtual QList<QRect> screens() const;
};
