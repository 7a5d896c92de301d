#pragma once

#include "notify/SoundEventPlayer.h"

#include <QList>
#include <QMessageBox>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>

// The platform services a test must replace, each behind one small interface and handed to the windows
// through the application context. Callers never ask whether they run in a test.

// The system beep, and the alarm window's sound.
class BeepService
{
public:
    // Alarms play the desktop's sound theme through libcanberra.
    BeepService();
    // Where the line saying that no alarm sound could be played goes: standard error unless given.
    using NoticeSink = std::function<void(const QString&)>;
    // Alarms play through the given player.
    explicit BeepService(std::unique_ptr<SoundEventPlayer> sounds, NoticeSink notice = {});
    virtual ~BeepService();
    BeepService(const BeepService&) = delete;
    BeepService& operator=(const BeepService&) = delete;

    // The plain bell.
    virtual void beep();
    // The sound theme's "alarm-clock-elapsed", which desktops play where they mute or flash the bell;
    // the bell when it cannot be played, said once a run.
    virtual void alarmBeep();

    static const QString NoSoundNotice;

private:
    std::unique_ptr<SoundEventPlayer> m_sounds;
    NoticeSink m_notice;
    bool m_toldNoSound = false;
};

// Message boxes with exactly the given text, title, icon and buttons. Returns the button chosen. The
// entry points by kind carry the program's title unless another is given.
class MessageBoxService
{
public:
    static const QString ProgramTitle; // "Zentravio"

    virtual ~MessageBoxService() = default;
    virtual QMessageBox::StandardButton show(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                             const QString& text,
                                             QMessageBox::StandardButtons buttons = QMessageBox::Ok);

    void information(QWidget* parent, const QString& text, const QString& title = ProgramTitle)
    {
        show(parent, QMessageBox::Information, title, text);
    }
    void warning(QWidget* parent, const QString& text, const QString& title = ProgramTitle)
    {
        show(parent, QMessageBox::Warning, title, text);
    }
    void critical(QWidget* parent, const QString& text, const QString& title = ProgramTitle)
    {
        show(parent, QMessageBox::Critical, title, text);
    }
    QMessageBox::StandardButton question(QWidget* parent, const QString& text,
                                         QMessageBox::StandardButtons buttons = QMessageBox::Yes |
                                                                                QMessageBox::No,
                                         const QString& title = ProgramTitle)
    {
        return show(parent, QMessageBox::Question, title, text, buttons);
    }
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
