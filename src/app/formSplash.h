#pragma once

#include "app/formAbout.h"
#include "forms/DesignForm.h"

#include <QPointer>
#include <QTimer>

class QLabel;
class ScreenService;
class VemraButton;

// The splash window. At start-up it counts four one-second ticks: at the third it asks for the main
// window, at the fourth it closes. Shown again as the about screen, its credit line scrolls and its
// "Close" and "Author" buttons appear; it then stays until "Close".
class formSplash : public DesignForm
{
    Q_OBJECT

public:
    static QString CreditText();

    explicit formSplash(const ScreenService& screen, QWidget* parent = nullptr);
    ~formSplash() override;

    // Shows the window as the start-up splash.
    void ShowSplash();
    // Shows the window as the about screen: the tick count stops and the credit line scrolls.
    void ShowAsAboutScreen();

    int SplashTicks() const { return m_splashTicks; }
    formAbout* aboutWindow() const { return m_about; }

    void Timer1_Timer();
    void Timer2_Timer();
    void VemraButton1_Click();
    void VemraButton2_Click();

signals:
    // The third tick: the main window is to be shown. (Unloaded, when the window has closed, tells that
    // the main window is to be enabled again.)
    void ShowMainWindow();
    // The window has been painted for the first time since it was shown, so start-up may now do its
    // slower work without keeping the splash from the screen.
    void FirstPainted();

protected:
    void Form_Load() override;
    void Form_Unload() override;
    void paintEvent(QPaintEvent* event) override;

private:
    const ScreenService& m_screen;
    QLabel* m_label5;
    VemraButton* m_vemraButton1;
    VemraButton* m_vemraButton2;
    QTimer* m_timer1;
    QTimer* m_timer2;
    qint16 m_splashTicks = 0;
    bool m_paintPending = false;
    QPointer<formAbout> m_about; // a window of its own, owned by this one
};
